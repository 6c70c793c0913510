// AppendToFile, replaceFile, TrimText and ToggleTopmost.
#include "support/apartment.h"
#include "support/utilities.h"

#include "platform/files.h"

#include "raised.h"
#include "scratch.h"

#include <qvMsgErr/headless.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>
#include <tuple>

#include <sys/wait.h>
#include <unistd.h>

using namespace qvMsgErr;
using namespace std::string_literals;
namespace fs = std::filesystem;
using qvtest::readFile;
using qvtest::ScratchDir;

namespace {

TEST(AppendToFile, CreatesThenAppendsLinesEndedByCrLf) {
    ScratchDir dir;
    for (const std::string& text : {"first, line"s, ""s, "nul\0inside"s}) {
        EXPECT_TRUE(AppendToFile(dir.file("log.txt"), text));
    }
    EXPECT_EQ(readFile(dir.file("log.txt")), "first, line\r\n\r\nnul\0inside\r\n"s);
}

TEST(AppendToFile, FailuresReturnFalseAndCreateNothing) {
    ScratchDir dir;
    fs::create_directory(dir.file("adir"));
    fs::create_directory(dir.file("ro"));
    fs::permissions(dir.file("ro"), fs::perms::owner_read | fs::perms::owner_exec);
    qvtest::asUnprivileged({dir.path()}, [&] {
        for (const std::string& path : {dir.file("missing/log.txt"), dir.file("adir"),
                                        dir.file("ro/log.txt"), ""s, "a\0b"s}) {
            EXPECT_FALSE(AppendToFile(path, "x")) << path;
        }
    });
    EXPECT_FALSE(fs::exists(dir.file("missing")));
}

TEST(AppendToFile, ConcurrentWritersNeverInterleave) {
    // Line i of writer p: "p:i:" and then one letter per writer, from 1 byte to 64 KiB.
    constexpr int kWriters = 4, kLines = 1000;
    const auto line = [](int p, int i) {
        const std::size_t length = i == 1        ? 64 * 1024
                                   : i % 10 == 0 ? 1 + (i * 7919u) % (64 * 1024)
                                                 : 1 + (i * 31u) % 300;
        return std::to_string(p) + ":" + std::to_string(i) + ":" +
               std::string(length, char('a' + p));
    };
    ScratchDir dir;
    const std::string file = dir.file("log.txt");
    std::multiset<std::string> expected, written;
    for (int p = 0; p < kWriters; ++p) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            bool ok = true;
            for (int i = 0; i < kLines; ++i) {
                ok &= AppendToFile(file, line(p, i));
            }
            ::_exit(ok ? 0 : 1);
        }
        for (int i = 0; i < kLines; ++i) {
            expected.insert(line(p, i) + "\r");
        }
    }
    for (int p = 0; p < kWriters; ++p) {
        int status = 0;
        ASSERT_GT(::wait(&status), 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    std::istringstream all(readFile(file));
    for (std::string l; std::getline(all, l);) {
        written.insert(l);
    }
    // Compared whole, as gtest would print megabytes of difference.
    EXPECT_TRUE(written == expected) << written.size() << " lines: some are cut, mixed or lost";
}

TEST(ReplaceFile, ReplacesWholeKeepsTheModeAndLeavesNoTemporaryFile) {
    ScratchDir dir;
    const std::string file = dir.file("report.rtf");
    const auto files = [&] { return std::distance(fs::directory_iterator(dir.path()), {}); };
    platform::replaceFile(file, "an older and much longer content that must disappear");
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
    platform::replaceFile(file, "second\0\xff"s);
    EXPECT_EQ(readFile(file), "second\0\xff"s);
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    // A directory, a missing directory or no name at all: error 75, nothing made or changed.
    for (const std::string& bad : {dir.path(), dir.file("missing/x.txt"), ""s}) {
        EXPECT_EQ(qvMsgErr::testing::raised([&] { platform::replaceFile(bad, "x"); }).Number, 75)
            << bad;
    }
    EXPECT_EQ(files(), 1);
}

TEST(TrimText, TrimsTheCallersTextAndTheResult) {
    // the text, what is returned, what the caller's text becomes
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"text\r\n\r\n\0"s, "text", "text"},
        {"  word  \r\n", "word", "  word  "}, // spaces stay in the caller's text
        {"\n\r\n\r", "", ""},
        {"   ", "", "   "},
        {"\tword\t", "\tword\t", "\tword\t"}, // tabs stay
        {" a\r\nb \n", "a\r\nb", " a\r\nb "}, // so do inner breaks
        {"a\0 "s, "a\0"s, "a\0 "s},           // a space after the NUL stops the trimming
    };
    for (const auto& [in, returned, callerAfter] : cases) {
        std::string text = in;
        EXPECT_EQ(TrimText(text), returned);
        EXPECT_EQ(text, callerAfter);
    }
}

TEST(ToggleTopmost, SwitchesAndReportsTheNewState) {
    auto desktop = std::make_shared<headless::HeadlessDesktop>();
    setThreadDesktop(desktop);
    platform::FormDesign design;
    design.name = "frmTopmost";
    auto window = desktop->createWindow(design);
    EXPECT_TRUE(ToggleTopmost(*window, false));
    EXPECT_FALSE(ToggleTopmost(*window, true));
    const auto calls = desktop->sideEffects(headless::EffectKind::Topmost);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(std::tie(calls[0].window, calls[0].flag, calls[1].flag),
              std::tuple("frmTopmost"s, true, false));
    window->unload(); // an unknown handle: the desktop refuses, the state stays
    EXPECT_FALSE(ToggleTopmost(*window, false));
    setThreadDesktop(nullptr);
}

} // namespace

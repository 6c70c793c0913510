// AppendToFile, TrimText and ToggleTopmost.
#include "support/apartment.h"
#include "support/utilities.h"

#include "platform/files.h"

#include <qvMsgErr/headless.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <tuple>

#include <sys/wait.h>
#include <unistd.h>

using namespace qvMsgErr;
using namespace std::string_literals;
namespace fs = std::filesystem;

namespace {

std::string readAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

fs::path freshDir(const std::string& name) {
    fs::path dir = fs::path(::testing::TempDir()) / ("qv-util-" + name);
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

TEST(AppendToFile, CreatesThenAppendsLinesEndedByCrLf) {
    const fs::path file = freshDir("append") / "log.txt";
    EXPECT_TRUE(AppendToFile(file.string(), "first, line"));
    EXPECT_EQ(readAll(file), "first, line\r\n");
    EXPECT_TRUE(AppendToFile(file.string(), ""));
    EXPECT_TRUE(AppendToFile(file.string(), "nul\0inside"s));
    EXPECT_EQ(readAll(file), "first, line\r\n\r\nnul\0inside\r\n"s);
}

TEST(AppendToFile, FailuresReturnFalseAndCreateNothing) {
    const fs::path dir = freshDir("fail");
    fs::create_directory(dir / "adir");
    for (const std::string& path :
         {(dir / "missing" / "log.txt").string(), (dir / "adir").string(), ""s, "a\0b"s}) {
        EXPECT_FALSE(AppendToFile(path, "x")) << path;
    }
    EXPECT_FALSE(fs::exists(dir / "missing"));
    if (::geteuid() != 0) { // root writes anywhere
        fs::create_directory(dir / "ro");
        fs::permissions(dir / "ro", fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_FALSE(AppendToFile((dir / "ro" / "log.txt").string(), "x"));
    }
}

TEST(AppendToFile, ConcurrentWritersNeverInterleave) {
    // Line i of writer p: "p:i:" and then one letter per writer, from 1 byte to 64 KiB.
    const auto length = [](int i) -> size_t {
        return i == 0        ? 1
               : i == 1      ? 64 * 1024
               : i % 10 == 0 ? 1 + (i * 7919u) % (64 * 1024)
                             : 1 + (i * 31u) % 300;
    };
    constexpr int kWriters = 4, kLines = 1000;
    const fs::path file = freshDir("concurrent") / "log.txt";
    std::vector<pid_t> children;
    for (int p = 0; p < kWriters; ++p) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            bool ok = true;
            for (int i = 0; i < kLines; ++i) {
                ok = AppendToFile(file.string(), std::to_string(p) + ":" + std::to_string(i) + ":" +
                                                     std::string(length(i), char('a' + p))) &&
                     ok;
            }
            ::_exit(ok ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    std::istringstream all(readAll(file));
    std::set<std::pair<int, int>> seen;
    for (std::string line; std::getline(all, line);) {
        int p = -1, i = -1;
        char sep = 0;
        std::istringstream(line) >> p >> sep >> i;
        const std::string head = std::to_string(p) + ":" + std::to_string(i) + ":";
        EXPECT_EQ(line, head + std::string(length(i), char('a' + p)) + "\r")
            << "line " << head << " is cut or holds another writer's bytes";
        EXPECT_TRUE(p >= 0 && p < kWriters && i >= 0 && i < kLines && seen.emplace(p, i).second)
            << "unknown or duplicate line " << head;
    }
    EXPECT_EQ(seen.size(), static_cast<size_t>(kWriters) * kLines);
}

TEST(ReplaceFile, ReplacesWholeKeepsTheModeAndLeavesNoTemporaryFile) {
    const fs::path dir = freshDir("replace");
    const fs::path file = dir / "report.rtf";
    platform::replaceFile(file.string(), "first");
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
    platform::replaceFile(file.string(), std::string("second\0", 7));
    EXPECT_EQ(readAll(file), std::string("second\0", 7));
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);

    // A directory, a missing directory or no name at all: error 75, nothing made or changed.
    for (const fs::path& bad : {dir, dir / "missing" / "x.txt", fs::path()}) {
        try {
            platform::replaceFile(bad.string(), "x");
            ADD_FAILURE() << bad << " was written";
        } catch (const RunTimeError& e) {
            EXPECT_EQ(e.Number, 75) << bad;
        }
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST(TrimText, TrimsTheCallersTextAndTheResult) {
    // the text, what is returned, what the caller's text becomes
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"text\r\n\r\n\0"s, "text", "text"},
        {"  word  \r\n", "word", "  word  "}, // spaces stay in the caller's text
        {"text \r\n", "text", "text "},
        {"", "", ""},
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
    design.clientWidth = 3000;
    design.clientHeight = 2000;
    auto window = desktop->createWindow(design);

    EXPECT_TRUE(ToggleTopmost(*window, false));
    EXPECT_FALSE(ToggleTopmost(*window, true));
    const auto calls = desktop->sideEffects(headless::EffectKind::Topmost);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_TRUE(calls[0].flag);
    EXPECT_FALSE(calls[1].flag);
    EXPECT_EQ(calls[0].window, "frmTopmost");

    window->unload(); // an unknown handle: the desktop refuses, the state stays
    EXPECT_FALSE(ToggleTopmost(*window, false));
    setThreadDesktop(nullptr);
}

} // namespace

// AppendToFile, TrimText and ToggleTopmost.
#include "support/apartment.h"
#include "support/utilities.h"

#include <qvMsgErr/headless.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

using namespace qvMsgErr;
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
    EXPECT_TRUE(AppendToFile(file.string(), std::string("nul\0inside", 10)));
    EXPECT_EQ(readAll(file), std::string("first, line\r\n\r\nnul\0inside\r\n", 27));
}

TEST(AppendToFile, FailuresReturnFalseAndCreateNothing) {
    const fs::path dir = freshDir("fail");
    EXPECT_FALSE(AppendToFile((dir / "missing" / "log.txt").string(), "x"));
    EXPECT_FALSE(fs::exists(dir / "missing"));
    fs::create_directory(dir / "adir");
    EXPECT_FALSE(AppendToFile((dir / "adir").string(), "x")); // a directory is no file
    EXPECT_FALSE(AppendToFile("", "x"));
    EXPECT_FALSE(AppendToFile(std::string("a\0b", 3), "x"));
    if (::geteuid() != 0) { // root writes anywhere
        fs::create_directory(dir / "ro");
        fs::permissions(dir / "ro", fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_FALSE(AppendToFile((dir / "ro" / "log.txt").string(), "x"));
    }
}

// Line i of writer p: "p:i:" followed by len(i) copies of one letter per writer.
size_t lineLength(int i) {
    if (i == 0) {
        return 1;
    }
    if (i == 1) {
        return 64 * 1024;
    }
    return i % 10 == 0 ? 1 + (static_cast<size_t>(i) * 7919) % (64 * 1024)
                       : 1 + (static_cast<size_t>(i) * 31) % 300;
}

TEST(AppendToFile, ConcurrentWritersNeverInterleave) {
    constexpr int kWriters = 4, kLines = 1000;
    const fs::path file = freshDir("concurrent") / "log.txt";
    std::vector<pid_t> children;
    for (int p = 0; p < kWriters; ++p) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            bool ok = true;
            for (int i = 0; i < kLines; ++i) {
                const std::string line = std::to_string(p) + ":" + std::to_string(i) + ":" +
                                         std::string(lineLength(i), static_cast<char>('a' + p));
                ok = AppendToFile(file.string(), line) && ok;
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

    const std::string all = readAll(file);
    std::vector<std::vector<bool>> seen(kWriters, std::vector<bool>(kLines, false));
    size_t pos = 0, count = 0;
    while (pos < all.size()) {
        const size_t end = all.find("\r\n", pos);
        ASSERT_NE(end, std::string::npos) << "unterminated line at " << pos;
        const std::string line = all.substr(pos, end - pos);
        pos = end + 2;
        ++count;
        int p = -1, i = -1;
        char sep = 0;
        std::istringstream head(line);
        head >> p >> sep >> i;
        ASSERT_TRUE(p >= 0 && p < kWriters && i >= 0 && i < kLines) << line.substr(0, 40);
        const std::string prefix = std::to_string(p) + ":" + std::to_string(i) + ":";
        ASSERT_EQ(line.size(), prefix.size() + lineLength(i));
        EXPECT_EQ(line.find_first_not_of(static_cast<char>('a' + p), prefix.size()),
                  std::string::npos)
            << "line " << prefix << " holds another writer's bytes";
        EXPECT_FALSE(seen[p][i]) << "duplicate " << prefix;
        seen[p][i] = true;
    }
    EXPECT_EQ(count, static_cast<size_t>(kWriters * kLines));
}

struct TrimCase {
    const char* name;
    std::string in;
    std::string returned;
    std::string callerAfter;
};

class TrimTextTest : public ::testing::TestWithParam<TrimCase> {};

TEST_P(TrimTextTest, TrimsCallerAndResult) {
    std::string text = GetParam().in;
    EXPECT_EQ(TrimText(text), GetParam().returned);
    EXPECT_EQ(text, GetParam().callerAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Table, TrimTextTest,
    ::testing::Values(TrimCase{"LineBreaksAndNul", std::string("text\r\n\r\n\0", 9), "text",
                               "text"},
                      TrimCase{"SpacesStayInCaller", "  word  \r\n", "word", "  word  "},
                      TrimCase{"SpaceBeforeBreak", "text \r\n", "text", "text "},
                      TrimCase{"Empty", "", "", ""}, TrimCase{"OnlyBreaks", "\n\r\n\r", "", ""},
                      TrimCase{"OnlySpaces", "   ", "", "   "},
                      TrimCase{"TabsStay", "\tword\t", "\tword\t", "\tword\t"},
                      TrimCase{"InnerBreaksStay", " a\r\nb \n", "a\r\nb", " a\r\nb "},
                      TrimCase{"NulThenSpaceStops", std::string("a\0 ", 3), std::string("a\0", 2),
                               std::string("a\0 ", 3)}),
    [](const auto& info) { return info.param.name; });

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

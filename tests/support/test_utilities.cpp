// AppendToFile, replaceFile, openerTarget and TrimText.
#include "support/utilities.h"

#include "platform/files.h"

#include "raised.h"
#include "scratch.h"
#include "table.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>
#include <sstream>

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace qvMsgErr;
using namespace std::string_literals;
namespace fs = std::filesystem;
using qvMsgErr::testing::raised;
using qvtest::readFile;
using qvtest::ScratchDir;

namespace {

#ifndef _WIN32 // modes, links, FIFOs, rlimits and fork; Windows: test_files_win32.cpp
// A log gets whole lines ended by CR LF and a saved file is replaced whole; a new file is the
// user's alone whatever the umask, one that was there keeps the mode its owner gave it.
TEST(PrivateFiles, WrittenWholeAndPrivateUnlessTheUserSaidOtherwise) {
    const auto mode = [](const std::string& path) { return fs::status(path).permissions(); };
    const fs::perms userOnly = fs::perms::owner_read | fs::perms::owner_write;
    const fs::perms shared = userOnly | fs::perms::group_read | fs::perms::others_read;
    for (const mode_t mask : {0000, 0022}) {
        SCOPED_TRACE(mask);
        ScratchDir dir;
        const std::string log = dir.file("ErrorLog.txt"), report = dir.file("report.rtf");
        const mode_t old = ::umask(mask);
        EXPECT_TRUE(AppendToFile(log, "first, line"));
        EXPECT_TRUE(AppendToFile(log, ""));
        platform::replaceFile(report, "an older and much longer content that must disappear");
        EXPECT_EQ(std::pair(mode(log), mode(report)), std::pair(userOnly, userOnly));
        fs::permissions(log, shared);
        fs::permissions(report, shared);
        EXPECT_TRUE(AppendToFile(log, "nul\0inside"s));
        platform::replaceFile(report, "second\0\xff"s);
        ::umask(old);
        EXPECT_EQ(std::pair(mode(log), mode(report)), std::pair(shared, shared));
        EXPECT_EQ(readFile(log), "first, line\r\n\r\nnul\0inside\r\n"s);
        EXPECT_EQ(readFile(report), "second\0\xff"s);
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 2)
            << "a temporary file is left";
    }
}

TEST(PrivateFiles, NoLinkIsFollowedAndNothingButARegularFileIsWritten) {
    ScratchDir dir;
    const std::string owned = dir.file("owned.txt"), link = dir.file("link.txt");
    qvtest::writeFile(owned, "mine\n");
    fs::create_symlink(owned, link);
    fs::create_symlink(dir.file("nowhere"), dir.file("dangling.txt"));
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    fs::create_directory(dir.file("adir"));
    // A writable file in a directory that is not: never rewritten in place.
    fs::create_directory(dir.file("ro"));
    qvtest::writeFile(dir.file("ro/report.txt"), "old");
    fs::permissions(dir.file("ro"), fs::perms::owner_read | fs::perms::owner_exec);
    qvtest::asUnprivileged({dir.path()}, [&] {
        for (const std::string& path :
             {link, dir.file("dangling.txt"), dir.file("fifo"), dir.file("adir"),
              dir.file("missing/log.txt"), dir.file("ro/log.txt"), ""s, "a\0b"s}) {
            EXPECT_FALSE(AppendToFile(path, "x")) << path;
        }
        // A directory, a missing directory or no name at all: error 75, nothing made or changed.
        for (const std::string& path :
             {dir.file("adir"), dir.file("missing/x.txt"), dir.file("ro/report.txt"), ""s}) {
            EXPECT_EQ(raised([&] { platform::replaceFile(path, "x"); }).Number, 75) << path;
        }
    });
    EXPECT_EQ(readFile(dir.file("ro/report.txt")), "old");
    EXPECT_FALSE(fs::exists(dir.file("missing")));
    EXPECT_FALSE(fs::exists(dir.file("nowhere")));
    // Saving replaces the link itself; the file it pointed to stays as it was.
    platform::replaceFile(link, "report");
    EXPECT_FALSE(fs::is_symlink(link));
    EXPECT_EQ(readFile(link), "report");
    EXPECT_EQ(fs::status(link).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(readFile(owned), "mine\n");
}

// Files stop growing a few bytes above their size, as on a full disk, in a child process.
TEST(PrivateFiles, AFullDiskLeavesNoPartOfALineOrAReport) {
    ScratchDir dir;
    const std::string log = dir.file("ErrorLog.txt"), report = dir.file("report.rtf");
    ASSERT_TRUE(AppendToFile(log, "first"));
    qvtest::writeFile(report, "old");
    qvtest::inChildProcess([&] {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit full{16, RLIM_INFINITY}, room{RLIM_INFINITY, RLIM_INFINITY};
        ::setrlimit(RLIMIT_FSIZE, &full);
        EXPECT_FALSE(AppendToFile(log, std::string(10000, 'l')));
        EXPECT_EQ(readFile(log), "first\r\n") << "a part of the line is left";
        EXPECT_EQ(raised([&] { platform::replaceFile(report, std::string(10000, 'r')); }).Number,
                  75);
        EXPECT_EQ(readFile(report), "old");
        ::setrlimit(RLIMIT_FSIZE, &room);
        EXPECT_TRUE(AppendToFile(log, "next"));
        EXPECT_EQ(readFile(log), "first\r\nnext\r\n");
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 2)
            << "a temporary file is left";
    });
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
#endif

TEST(OpenerTarget, PathsBecomeAbsoluteUrisStayAsTheyAre) {
    for (const auto& row : qvtest::readTable("opener-targets.txt")) {
        EXPECT_EQ(platform::openerTarget(row.at(2), row.at(3)), row.at(1)) << row.at(0);
    }
}

TEST(TrimText, TrimsTheCallersTextAndTheResult) {
    for (const auto& row : qvtest::readTable("trim-text.txt")) {
        std::string text = row.at(3);
        EXPECT_EQ(TrimText(text), row.at(1)) << row.at(0);
        EXPECT_EQ(text, row.at(2)) << row.at(0);
    }
}

} // namespace

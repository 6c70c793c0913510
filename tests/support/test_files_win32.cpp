// AppendToFile and replaceFile on Windows: what test_utilities.cpp checks with POSIX modes, links,
// FIFOs and processes, here with the Windows file system: whole lines and whole files, names that
// are no file, non-ASCII names, and writers at once that never mix their lines.
#include "support/utilities.h"

#include "platform/files.h"

#include "raised.h"
#include "scratch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>
#include <thread>
#include <vector>

#include <windows.h>

using namespace qvMsgErr;
using namespace std::string_literals;
namespace fs = std::filesystem;
using qvMsgErr::testing::raised;
using qvtest::readFile;
using qvtest::ScratchDir;

namespace {

TEST(WindowsFiles, LinesAreAppendedWholeAndAFileIsReplacedWhole) {
    ScratchDir dir;
    const std::string log = dir.file("ErrorLog.txt"), report = dir.file("report.rtf");
    EXPECT_TRUE(AppendToFile(log, "first, line"));
    EXPECT_TRUE(AppendToFile(log, ""));
    EXPECT_TRUE(AppendToFile(log, "nul\0inside"s));
    EXPECT_EQ(readFile(log), "first, line\r\n\r\nnul\0inside\r\n"s);
    platform::replaceFile(report, "an older and much longer content that must disappear");
    platform::replaceFile(report, "second\0\xff"s);
    EXPECT_EQ(readFile(report), "second\0\xff"s);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 2)
        << "a temporary file is left";
    // A file somebody made read-only is not replaced, and keeps what it held.
    ::SetFileAttributesW(fs::path(report).c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(raised([&] { platform::replaceFile(report, "third"); }).Number, 75);
    EXPECT_EQ(readFile(report), "second\0\xff"s);
    ::SetFileAttributesW(fs::path(report).c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 2);
}

TEST(WindowsFiles, NamesThatAreNoFileAreRefusedAndNothingIsMade) {
    ScratchDir dir;
    fs::create_directory(dir.file("adir"));
    for (const std::string& path : {dir.file("adir"), dir.file("missing/log.txt"), ""s, "a\0b"s,
                                    dir.file("bad \xff name.txt"), "NUL"s}) {
        EXPECT_FALSE(AppendToFile(path, "x")) << path;
    }
    for (const std::string& path : {dir.file("adir"), dir.file("missing/x.txt"), ""s, "a\0b"s,
                                    dir.file("bad \xff name.txt")}) {
        EXPECT_EQ(raised([&] { platform::replaceFile(path, "x"); }).Number, 75) << path;
    }
    EXPECT_FALSE(fs::exists(dir.file("missing")));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1) << "something was made";
}

TEST(WindowsFiles, NamesBeyondAsciiAreTheNamesGiven) {
    ScratchDir dir;
    // "Größe ✓ 😀.txt" in UTF-8: the file has exactly this name in UTF-16.
    const std::string name = "Gr\xc3\xb6\xc3\x9f"
                             "e \xe2\x9c\x93 \xf0\x9f\x98\x80.txt";
    EXPECT_TRUE(AppendToFile(dir.file(name), "line"));
    platform::replaceFile(dir.file("r-" + name), "report");
    EXPECT_TRUE(platform::isRegularFile(dir.file(name)));
    EXPECT_FALSE(platform::isRegularFile(dir.path()));
    EXPECT_NE(platform::fileVersion(dir.file(name)), "-");
    EXPECT_EQ(platform::fileVersion(dir.file("none")), "-");
    const fs::path expected =
        fs::path(dir.path()) / fs::path(L"Gr\u00f6\u00dfe \u2713 \U0001F600.txt");
    EXPECT_TRUE(fs::exists(expected));
    EXPECT_TRUE(fs::exists(fs::path(dir.path()) / (L"r-" + expected.filename().wstring())));
}

TEST(WindowsFiles, WritersAtOnceNeverMixTheirLines) {
    // Line i of writer p: "p:i:" and then one letter per writer, from 1 byte to 64 KiB.
    constexpr int kWriters = 4, kLines = 300;
    const auto line = [](int p, int i) {
        const std::size_t length = i == 1 ? 64 * 1024 : 1 + (i * 7919u) % (16 * 1024);
        return std::to_string(p) + ":" + std::to_string(i) + ":" +
               std::string(length, char('a' + p));
    };
    ScratchDir dir;
    const std::string file = dir.file("log.txt");
    std::vector<std::thread> writers;
    std::vector<char> ok(kWriters, 1);
    for (int p = 0; p < kWriters; ++p) {
        writers.emplace_back([&, p] {
            for (int i = 0; i < kLines; ++i) {
                ok[p] &= AppendToFile(file, line(p, i)) ? 1 : 0;
            }
        });
    }
    for (auto& w : writers) {
        w.join();
    }
    std::multiset<std::string> expected, written;
    for (int p = 0; p < kWriters; ++p) {
        EXPECT_TRUE(ok[p]) << "writer " << p;
        for (int i = 0; i < kLines; ++i) {
            expected.insert(line(p, i) + "\r");
        }
    }
    std::istringstream all(readFile(file));
    for (std::string l; std::getline(all, l);) {
        written.insert(l);
    }
    EXPECT_TRUE(written == expected) << written.size() << " lines: some are cut, mixed or lost";
}

TEST(WindowsFiles, TheProgramAndTheLibraryAreNamed) {
    EXPECT_EQ(platform::programName(), "test_support");
    // The tests link the library's objects: its directory is the program's.
    EXPECT_EQ(fs::path(platform::libraryDirectory()).filename(), "bin");
}

} // namespace

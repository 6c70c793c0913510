// qvmsg through its real binary: what a shell script sees of it.
#include "scratch.h"
#include "table.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

struct Outcome {
    int status = -1;
    std::string out, err;
};

/// Runs qvmsg with `args` and no display, its store in `store`, `extra` in its environment and
/// the file `input` as its standard input; waits for it to end.
Outcome qvmsg(const std::vector<std::string>& args, const std::string& store,
              const std::vector<std::string>& extra = {}, const std::string& input = "/dev/null") {
    qvtest::ScratchDir io;
    const std::string outFile = io.file("out"), errFile = io.file("err");
    std::vector<char*> argv{const_cast<char*>(QVMSG_PROGRAM)};
    for (const auto& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    std::vector<std::string> unset; // a display, and settings of whoever runs the tests
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        for (const char* prefix :
             {"DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM=", "QVMSGERR_"}) {
            if (entry.rfind(prefix, 0) == 0) {
                unset.push_back(entry.substr(0, entry.find('=')));
            }
        }
    }
    std::fflush(stdout);
    const pid_t pid = ::fork();
    if (pid == 0) {
        for (const std::string& name : unset) {
            ::unsetenv(name.c_str());
        }
        ::setenv("QVMSGERR_REGISTRY", store.c_str(), 1);
        for (const std::string& entry : extra) {
            ::putenv(const_cast<char*>(entry.c_str()));
        }
        ::dup2(::open(input.c_str(), O_RDONLY), 0);
        ::dup2(::open(outFile.c_str(), O_WRONLY | O_CREAT, 0600), 1);
        ::dup2(::open(errFile.c_str(), O_WRONLY | O_CREAT, 0600), 2);
        ::execv(QVMSG_PROGRAM, argv.data());
        ::_exit(127);
    }
    Outcome o;
    int raw = 0;
    if (pid > 0 && ::waitpid(pid, &raw, 0) == pid) {
        o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    }
    o.out = qvtest::readFile(outFile);
    o.err = qvtest::readFile(errFile);
    return o;
}

class Qvmsg : public ::testing::Test {
protected:
    Outcome run(const std::vector<std::string>& args) { return qvmsg(args, store); }
    qvtest::ScratchDir dir;
    std::string store = dir.file("registry.db");
};

// Each run: what it is, the exit status, the whole standard output, the first line on standard
// error, then its arguments. Each file of runs has a store of its own; the runs on a file that is
// no store leave it as it was.
TEST_F(Qvmsg, ExitWithTheAnswerReportItOrSayWhatIsWrong) {
    const std::string noStore(8192, 'x');
    for (const std::string file : {"qvmsg-runs.txt", "qvmsg-memory.txt", "qvmsg-not-a-store.txt"}) {
        store = dir.file(file + ".db");
        const bool broken = file == "qvmsg-not-a-store.txt";
        if (broken) {
            qvtest::writeFile(store, noStore);
        }
        for (const auto& row : qvtest::readTable(file)) {
            SCOPED_TRACE(file + ": " + row.at(0));
            const int status = std::stoi(row.at(1));
            const Outcome o = run({row.begin() + 4, row.end()});
            EXPECT_EQ(o.status, status) << o.err;
            EXPECT_EQ(o.out, row.at(2));
            EXPECT_EQ(o.err.substr(0, o.err.find('\n')), row.at(3));
            EXPECT_EQ(o.err.find("usage: qvmsg [options]") != std::string::npos, status == 64)
                << o.err;
        }
        EXPECT_TRUE(!broken || qvtest::readFile(store) == noStore);
    }
}

// Nobody to ask: a display that does not answer is said in one line, never a core dump; run
// unattended, the close box and the answer file answer, and each answer is logged (to standard
// error unless the log is named elsewhere).
TEST_F(Qvmsg, UnattendedRunsAndDisplaysThatCannotBeOpened) {
    Outcome o = qvmsg({"Hi"}, store, {"DISPLAY=:97"});
    EXPECT_EQ(o.status, 69);
    EXPECT_EQ(o.err.rfind("qvmsg: cannot show a window: ", 0), 0U) << o.err;
    EXPECT_EQ(o.err.find('\n'), o.err.size() - 1) << o.err;

    const std::vector<std::string> unattended{"QVMSGERR_DESKTOP=headless"};
    o = qvmsg({"--buttons", "okcancel", "Go?"}, store, unattended);
    EXPECT_EQ(o.status, 2);
    EXPECT_NE(o.err.find("\tmessage\tqvmsg\tGo?\tCancel\tclose box\n"), std::string::npos) << o.err;

    const std::string answers = dir.file("answers"), log = dir.file("unattended.log");
    qvtest::writeFile(answers, "id Go = No\r\n");
    o = qvmsg({"--buttons", "yesno", "--id", "Go", "Go?"}, store,
              {"QVMSGERR_DESKTOP=headless", "QVMSGERR_ANSWERS=" + answers,
               "QVMSGERR_UNATTENDED_LOG=" + log});
    EXPECT_EQ(o.status, 7);
    EXPECT_EQ(o.err, "");
    EXPECT_NE(qvtest::readFile(log).find("\tGo?\tNo\t" + answers + ":1"), std::string::npos);
}

// A message from standard input and the texts of the command line, as the unattended log shows
// the prompt: what | standard input | exit status | the logged prompt, or the first line on
// standard error | the arguments.
TEST_F(Qvmsg, TheMessageFromStandardInputAndTheCommandLine) {
    const std::string input = dir.file("input"), log = dir.file("log");
    for (const auto& row : qvtest::readTable("qvmsg-texts.txt")) {
        SCOPED_TRACE(row.at(0));
        qvtest::writeFile(input, row.at(1));
        std::remove(log.c_str());
        const Outcome o =
            qvmsg({row.begin() + 4, row.end()}, store,
                  {"QVMSGERR_DESKTOP=headless", "QVMSGERR_UNATTENDED_LOG=" + log}, input);
        EXPECT_EQ(o.status, std::stoi(row.at(2))) << o.err;
        std::string logged = qvtest::readFile(log);
        for (int field = 0; field < 3; ++field) {
            logged.erase(0, logged.find('\t') + 1);
        }
        EXPECT_EQ(o.status < 64 ? logged.substr(0, logged.find('\t'))
                                : o.err.substr(0, o.err.find('\n')),
                  row.at(3));
    }
    // Endless or huge input is read to its first MiB only; NULs are refused, never shown.
    qvtest::writeFile(input, std::string(10 << 20, 'x'));
    Outcome o = qvmsg({"--platform", "headless", "--answer", "ok"}, store, {}, input);
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err, "qvmsg: the message on standard input is longer than 1 MiB; its beginning "
                     "is shown\n");
    o = qvmsg({"--platform", "headless", "--answer", "ok", "-"}, store, {}, "/dev/zero");
    EXPECT_EQ(o.status, 65);
}

// Real Qt widgets, offscreen: the window is rendered, then answered through its own buttons.
TEST_F(Qvmsg, ScreenshotOfARealWindowThenTheScriptedAnswer) {
    const std::string png = dir.file("shots/ask.png");
    const Outcome o = run({"--screenshot", png, "--buttons", "yesnocancel", "--icon", "question",
                           "--caption", "no=&Discard", "--answer", "discard", "Save?"});
    EXPECT_EQ(o.status, 7) << o.err;
    const std::string bytes = qvtest::readFile(png);
    ASSERT_GT(bytes.size(), 100U);
    EXPECT_EQ(bytes.substr(0, 8), "\x89PNG\r\n\x1a\n");

    // The theme's icon names draw the library's icons.
    const auto picture = [&](const std::string& icon) {
        const std::string file = dir.file(icon + ".png");
        EXPECT_EQ(run({"--screenshot", file, "--icon", icon, "--answer", "ok", "Hi"}).status, 1);
        return qvtest::readFile(file);
    };
    const std::string none = picture("none");
    for (const auto& [theme, icon] :
         std::vector<std::pair<std::string, std::string>>{{"dialog-error", "critical"},
                                                          {"error", "critical"},
                                                          {"dialog-question", "question"},
                                                          {"dialog-warning", "exclamation"},
                                                          {"warning", "exclamation"},
                                                          {"dialog-information", "information"},
                                                          {"info", "information"}}) {
        SCOPED_TRACE(theme);
        const std::string drawn = picture(icon);
        EXPECT_EQ(picture(theme), drawn);
        EXPECT_NE(drawn, none);
    }
}

} // namespace

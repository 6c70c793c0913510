// qvmsg through its real binary: what a shell script sees of it.
#include "scratch.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <string>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

struct Outcome {
    int status = -1;
    std::string out, err;
};

/// Runs qvmsg with `args` and no display, its store in `store` and `extra` in its environment;
/// waits for it to end.
Outcome qvmsg(const std::vector<std::string>& args, const std::string& store,
              const std::vector<std::string>& extra = {}) {
    qvtest::ScratchDir io;
    const std::string outFile = io.file("out"), errFile = io.file("err");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT, 0600);
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        if (entry.rfind("DISPLAY=", 0) != 0 && entry.rfind("WAYLAND_DISPLAY=", 0) != 0 &&
            entry.rfind("QT_QPA_PLATFORM=", 0) != 0 && entry.rfind("QVMSGERR_", 0) != 0) {
            env.push_back(entry);
        }
    }
    env.push_back("QVMSGERR_REGISTRY=" + store);
    env.insert(env.end(), extra.begin(), extra.end());
    std::vector<char*> argv{const_cast<char*>(QVMSG_PROGRAM)};
    for (const auto& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (auto& e : env) {
        envp.push_back(e.data());
    }
    envp.push_back(nullptr);
    pid_t pid = 0;
    Outcome o;
    if (posix_spawn(&pid, QVMSG_PROGRAM, &actions, nullptr, argv.data(), envp.data()) == 0) {
        int raw = 0;
        ::waitpid(pid, &raw, 0);
        o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    }
    posix_spawn_file_actions_destroy(&actions);
    o.out = qvtest::readFile(outFile);
    o.err = qvtest::readFile(errFile);
    return o;
}

/// A case's `what` as a test name.
auto caseName = [](const auto& info) {
    std::string name;
    for (const char c : std::string(info.param.what)) {
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    }
    return name;
};

class Qvmsg : public ::testing::Test {
protected:
    Outcome run(const std::vector<std::string>& args) { return qvmsg(args, store); }
    qvtest::ScratchDir dir;
    std::string store = dir.file("registry.db");
};

struct Answered {
    const char* what;
    std::vector<std::string> args;
    int status;
    std::string out; ///< the whole standard output
};

class QvmsgAnswers : public Qvmsg, public ::testing::WithParamInterface<Answered> {};

TEST_P(QvmsgAnswers, ExitWithTheAnswerAndReportIt) {
    const Answered& c = GetParam();
    const Outcome o = run(c.args);
    EXPECT_EQ(o.status, c.status) << o.err;
    EXPECT_EQ(o.out, c.out);
}

const std::vector<std::string> kYesNo = {"--platform", "headless", "--buttons", "yesno"};

std::vector<std::string> with(std::vector<std::string> head, const std::vector<std::string>& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

INSTANTIATE_TEST_SUITE_P(
    Scripted, QvmsgAnswers,
    ::testing::Values(
        Answered{"number", with(kYesNo, {"--answer", "6", "Continue?"}), 6, ""},
        Answered{"name behind a caption",
                 with(kYesNo,
                      {"--caption", "yes=&Save", "--answer", "YES", "--print", "--lower", "Go?"}),
                 6, "yes\n"},
        Answered{"countdown",
                 with(kYesNo,
                      {"--timeout", "3", "--default", "2", "--answer", "timeout", "--json", "Go?"}),
                 7,
                 "{\"button\":7,\"name\":\"No\",\"TimeOutOccured\":true,"
                 "\"DontShowAgainTicked\":false}\n"},
        Answered{"ticked",
                 with(kYesNo, {"--dont-show", "--dont-show-manual", "--id", "Go", "--answer",
                               "tick,yes", "--json", "Go?"}),
                 6,
                 "{\"button\":6,\"name\":\"Yes\",\"TimeOutOccured\":false,"
                 "\"DontShowAgainTicked\":true}\n"},
        Answered{"classic, several steps",
                 {"--platform", "headless", "--style", "classic", "--buttons", "abortretryignore",
                  "--details", "more", "--answer", "Details >>,ignore", "Go?"},
                 5,
                 ""},
        // The close box answers Cancel, whichever button is the default.
        Answered{"title-bar close",
                 {"--platform", "headless", "--buttons", "okcancel", "--answer", "close", "Go?"},
                 2,
                 ""},
        Answered{"error: try again",
                 {"error", "--platform", "headless", "--description", "Disk full", "--number", "61",
                  "--answer", "Try Again", "--json"},
                 4,
                 "{\"response\":4,\"name\":\"Try Again\",\"AbortPending\":false}\n"},
        Answered{"error: close all confirmed",
                 {"error", "--platform", "headless", "--answer", "close all,yes", "--print"},
                 8,
                 "Close all\n"}),
    caseName);

struct Misuse {
    const char* what;
    std::vector<std::string> args;
    int status;
    std::string first; ///< the first line on standard error
};

class QvmsgMisuse : public Qvmsg, public ::testing::WithParamInterface<Misuse> {};

TEST_P(QvmsgMisuse, OneLineAndTheUsageNeverAButton) {
    const Misuse& m = GetParam();
    const Outcome o = run(m.args);
    EXPECT_EQ(o.status, m.status);
    EXPECT_GT(o.status, 8) << "a button number or the error dialog's answer";
    EXPECT_EQ(o.err.substr(0, o.err.find('\n')), m.first);
    if (m.status == 64) {
        EXPECT_NE(o.err.find("usage: qvmsg [options] PROMPT"), std::string::npos) << o.err;
    }
    EXPECT_EQ(o.out, "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, QvmsgMisuse,
    ::testing::Values(
        Misuse{"unknown option", {"--colour", "red", "Hi"}, 64, "qvmsg: unknown option '--colour'"},
        Misuse{"missing prompt", {"--buttons", "yesno"}, 64, "qvmsg: missing the message to show"},
        Misuse{
            "no buttons", {"--buttons", "7", "Hi"}, 64, "qvmsg: button set 7 defines no buttons"},
        Misuse{"no such button",
               {"--platform", "headless", "--answer", "Maybe", "Hi"},
               64,
               "qvmsg: --answer: frmTessary2003 has no button 'Maybe'"},
        Misuse{"no display",
               {"Hi"},
               69,
               "qvmsg: no display to show the window on (set DISPLAY or WAYLAND_DISPLAY, script "
               "the user with --answer, or run unattended with QVMSGERR_DESKTOP=headless)"},
        Misuse{"library error",
               {"--platform", "headless", "--position", "1e30,0", "--answer", "1", "Hi"},
               70,
               "qvmsg: error 380: Invalid property value (MsgBox&ShowMessage&qvMsgErr)"}),
    caseName);

// A ticked box is remembered by one run, answers the next without a window, and is undone by
// the memory commands.
TEST_F(Qvmsg, MemoryCommandsSeeAndUndoWhatATickedBoxRemembered) {
    const std::vector<std::string> ask = with(kYesNo, {"--dont-show", "--id", "SaveOnClose"});
    EXPECT_EQ(run(with(ask, {"--answer", "tick,yes", "Save?"})).status, 6);
    // The script would say No: the remembered Yes answers before any window shows.
    EXPECT_EQ(run(with(ask, {"--answer", "no", "Save?"})).status, 6);
    EXPECT_EQ(run({"memory", "list"}).out, "SaveOnClose\t6\tYes\n");
    EXPECT_EQ(run({"memory", "--json", "get", " saveonclose "}).out,
              "{\"id\":\"saveonclose\",\"button\":6,\"name\":\"Yes\",\"stored\":\"6\"}\n");
    EXPECT_EQ(run({"memory", "--root", "Software\\Other", "list"}).out, "");

    EXPECT_EQ(run({"memory", "forget", "SAVEONCLOSE"}).status, 0);
    EXPECT_EQ(run({"memory", "forget", "SaveOnClose"}).status, 1);
    EXPECT_EQ(run({"memory", "get", "SaveOnClose"}).status, 1);
    EXPECT_EQ(run(with(ask, {"--answer", "no", "Save?"})).status, 7);
    EXPECT_EQ(run(with(ask, {"--id", "B", "--answer", "tick,yes", "Save?"})).status, 6);
    EXPECT_EQ(run({"memory", "clear"}).out, "forgot 1 remembered answer\n");
    EXPECT_EQ(run({"memory", "list"}).out, "");
}

TEST_F(Qvmsg, AStoreThatIsNoStoreIsReportedNotTakenForEmpty) {
    qvtest::writeFile(store, std::string(8192, 'x'));
    const std::pair<std::vector<std::string>, const char*> rows[] = {
        {{"memory", "list"}, "RememberedAnswers"},
        {{"memory", "get", "X"}, "FindRememberedAnswer"},
        {{"memory", "forget", "X"}, "ForgetAnswer"},
        {{"memory", "clear"}, "ForgetAllAnswers"},
    };
    for (const auto& [args, source] : rows) {
        const Outcome o = run(args);
        EXPECT_EQ(o.status, 70);
        EXPECT_EQ(o.err, std::string("qvmsg: error 75: Path/File access error (") + source +
                             "&qvMsgErr)\n");
    }
    // A message still asks and answers.
    EXPECT_EQ(
        run(with(kYesNo, {"--dont-show", "--id", "X", "--answer", "tick,no", "Save?"})).status, 7);
    EXPECT_EQ(qvtest::readFile(store), std::string(8192, 'x'));
}

// Nobody to ask: a display that does not answer is said in one line, never a core dump; run
// unattended, the answer file and the close box answer, each answer is logged, and a question
// neither answers fails.
TEST_F(Qvmsg, UnattendedRunsAndDisplaysThatCannotBeOpened) {
    Outcome o = qvmsg({"Hi"}, store, {"DISPLAY=:97"});
    EXPECT_EQ(o.status, 69);
    EXPECT_EQ(o.err.rfind("qvmsg: cannot show a window: ", 0), 0U) << o.err;
    EXPECT_EQ(o.err.find('\n'), o.err.size() - 1) << o.err;

    const std::vector<std::string> unattended{"QVMSGERR_DESKTOP=headless"};
    o = qvmsg({"--buttons", "okcancel", "Go?"}, store, unattended);
    EXPECT_EQ(o.status, 2);
    EXPECT_NE(o.err.find("\tmessage\tqvmsg\tGo?\tCancel\tclose box\n"), std::string::npos) << o.err;
    o = qvmsg({"--buttons", "yesno", "Go?"}, store, unattended);
    EXPECT_EQ(o.status, 70);
    EXPECT_NE(o.err.find("Nobody is there to answer \"Go?\""), std::string::npos) << o.err;

    const std::string answers = dir.file("answers"), log = dir.file("unattended.log");
    qvtest::writeFile(answers, "id Go = No\r\n");
    o = qvmsg({"--buttons", "yesno", "--id", "Go", "Go?"}, store,
              {"QVMSGERR_DESKTOP=headless", "QVMSGERR_ANSWERS=" + answers,
               "QVMSGERR_UNATTENDED_LOG=" + log});
    EXPECT_EQ(o.status, 7);
    EXPECT_EQ(o.err, "");
    EXPECT_NE(qvtest::readFile(log).find("\tGo?\tNo\t" + answers + ":1"), std::string::npos);
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
}

} // namespace

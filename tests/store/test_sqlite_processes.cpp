// Several writers on one store file: other processes at the same time, a writer killed in the
// middle of its writes, and two threads with a connection each.
#include "store_fixtures.h"

#include "support/modRegistry.h"

#include <atomic>
#include <barrier>
#include <csignal>
#include <thread>
#include <vector>

#include <sys/wait.h>

using namespace qvMsgErr;
using namespace storetest;

namespace {

constexpr int Values = 30; // per writer

/// How many of `writer`'s values fail to be written (`write`) or to read back.
int failures(int writer, bool write) {
    int failed = 0;
    for (int n = 0; n < Values; ++n) {
        const std::string name = "Writer" + std::to_string(writer) + "_" + std::to_string(n);
        const std::string text = std::to_string(writer * 1000 + n);
        failed += write ? !SetRegSetting(name, text, Section, true)
                        : GetRegSetting(name, "", Section, true) != text;
    }
    return failed;
}

using Writers = ThreadStoreTest;

TEST_F(Writers, ProcessesWritingAtOnceAllLand) {
    // Each round starts without a store, so the processes also race to create it; the race is
    // short, hence several rounds.
    constexpr int Processes = 8;
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        const std::string path = dir.file("config" + std::to_string(round) + "/registry.db");
        int start[2];
        ASSERT_EQ(::pipe(start), 0);
        std::vector<pid_t> children;
        for (int writer = 0; writer < Processes; ++writer) {
            const pid_t pid = ::fork();
            ASSERT_GE(pid, 0);
            if (pid == 0) {
                ::close(start[1]);
                char c;
                (void)::read(start[0], &c, 1); // returns once the parent closes its end: all go
                stderrOf(dir.file("stderr" + std::to_string(writer) + ".txt"), [&] {
                    try {
                        useStoreFile(path);
                        ::_exit((failures(writer, true) != 0 ? 1 : 0) |
                                (failures(writer, false) != 0 ? 2 : 0));
                    } catch (...) {
                        ::_exit(4);
                    }
                });
            }
            children.push_back(pid);
        }
        ::close(start[0]);
        ::close(start[1]);
        for (const pid_t pid : children) {
            int status = 0;
            ASSERT_EQ(::waitpid(pid, &status, 0), pid);
            // 1: a write failed, 2: a value read back wrong, 4: an exception.
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
        }
        useStoreFile(path);
        for (int writer = 0; writer < Processes; ++writer) {
            EXPECT_EQ(readFile(dir.file("stderr" + std::to_string(writer) + ".txt")), "");
            EXPECT_EQ(failures(writer, false), 0) << "writer " << writer;
        }
        useStore(nullptr);
    }
}

TEST_F(Writers, AKilledWriterLosesNoAcknowledgedWrite) {
    for (const uint32_t acknowledgedBeforeKill : {1u, 25u, 150u}) {
        SCOPED_TRACE(acknowledgedBeforeKill);
        const std::string path =
            dir.file("killed" + std::to_string(acknowledgedBeforeKill) + ".db");
        int acks[2];
        ASSERT_EQ(::pipe(acks), 0);
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::close(acks[0]);
            try {
                useStoreFile(path);
                for (uint32_t n = 0;; ++n) {
                    if (!SetRegSetting("Value" + std::to_string(n), std::to_string(n), Section,
                                       true)) {
                        ::_exit(1);
                    }
                    if (::write(acks[1], &n, sizeof n) != sizeof n) {
                        ::_exit(2);
                    }
                }
            } catch (...) {
                ::_exit(3);
            }
        }
        ::close(acks[1]);
        // Each acknowledgement is one write below the pipe's atomic size: it arrives whole.
        uint32_t last = 0;
        for (uint32_t seen = 0; seen < acknowledgedBeforeKill; ++seen) {
            ASSERT_EQ(::read(acks[0], &last, sizeof last), ssize_t{sizeof last})
                << "the writer stopped early";
        }
        ::kill(pid, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "status " << status;
        // Acknowledgements still in the pipe were sent before the kill, so they count as well.
        for (uint32_t n = 0; ::read(acks[0], &n, sizeof n) == sizeof n;) {
            last = n;
        }
        ::close(acks[0]);

        useStoreFile(path);
        for (uint32_t n = 0; n <= last; ++n) {
            ASSERT_EQ(GetRegSetting("Value" + std::to_string(n), "lost", Section, true),
                      std::to_string(n));
        }
        EXPECT_TRUE(SetRegSetting("After", "1", Section, true));
        EXPECT_EQ(GetRegSetting("After", "", Section, true), "1");
        useStore(nullptr);
    }
}

TEST_F(Writers, TwoThreadsWithAConnectionEachShareOneFile) {
    std::atomic<int> failed{0};
    std::barrier written(2);
    auto work = [&](int writer) {
        useStoreFile(dir.file("registry.db"));
        failed += failures(writer, true);
        written.arrive_and_wait();
        // Each thread sees what the other wrote through its own connection.
        failed += failures(0, false) + failures(1, false);
        useStore(nullptr);
    };
    std::thread first(work, 0), second(work, 1);
    first.join();
    second.join();
    EXPECT_EQ(failed.load(), 0);
}

} // namespace

// Several writers on one store file: other processes at the same time, a writer killed in the
// middle of its writes, and two threads with a connection each.
#include "store_fixtures.h"

#include "support/apartment.h"
#include "support/modRegistry.h"

#include <atomic>
#include <barrier>
#include <csignal>
#include <thread>

#include <sys/wait.h>

using namespace qvMsgErr;
using namespace qvMsgErr::platform;
using namespace storetest;

namespace {

const std::string Section = "MessageBox\\ShowMessage";

std::string nameOf(int writer, int n) {
    return "Writer" + std::to_string(writer) + "_" + std::to_string(n);
}
std::string textOf(int writer, int n) {
    return std::to_string(writer * 1000 + n);
}

void useStore(const std::string& path) {
    setThreadRegistry(std::make_shared<SqliteRegistry>(path));
    apartment().regRoot = "Software\\Writers";
}

bool readExactly(int fd, void* buffer, std::size_t size) {
    auto* bytes = static_cast<char*>(buffer);
    while (size > 0) {
        const ssize_t n = ::read(fd, bytes, size);
        if (n <= 0) {
            return false;
        }
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

class Writers : public ::testing::Test {
protected:
    void TearDown() override {
        setThreadRegistry(nullptr);
        apartment().regRoot.clear();
    }
    ScratchDir dir;
};

TEST_F(Writers, ProcessesWritingAtOnceAllLand) {
    // Each round starts without a store, so the processes also race to create it; the race is
    // short, hence several rounds.
    constexpr int Rounds = 3;
    constexpr int Processes = 8;
    constexpr int Values = 20;
    for (int round = 0; round < Rounds; ++round) {
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
                int code = 0;
                try {
                    StderrCapture capture(dir.file("stderr" + std::to_string(writer) + ".txt"));
                    useStore(path);
                    for (int n = 0; n < Values; ++n) {
                        if (!SetRegSetting(nameOf(writer, n), textOf(writer, n), Section, true)) {
                            code |= 1;
                        }
                    }
                    for (int n = 0; n < Values; ++n) {
                        if (GetRegSetting(nameOf(writer, n), "", Section, true) !=
                            textOf(writer, n)) {
                            code |= 2;
                        }
                    }
                } catch (...) {
                    code |= 4;
                }
                ::_exit(code);
            }
            children.push_back(pid);
        }
        ::close(start[0]);
        ::close(start[1]);
        for (const pid_t pid : children) {
            int status = 0;
            ASSERT_EQ(::waitpid(pid, &status, 0), pid);
            // 1: a write failed, 2: a value read back wrong, 4: an exception.
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
                << "exit code " << WEXITSTATUS(status);
        }
        useStore(path);
        for (int writer = 0; writer < Processes; ++writer) {
            EXPECT_EQ(readFile(dir.file("stderr" + std::to_string(writer) + ".txt")), "");
            for (int n = 0; n < Values; ++n) {
                EXPECT_EQ(GetRegSetting(nameOf(writer, n), "missing", Section, true),
                          textOf(writer, n));
            }
        }
        setThreadRegistry(nullptr);
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
                useStore(path);
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
        uint32_t last = 0;
        for (uint32_t seen = 0; seen < acknowledgedBeforeKill; ++seen) {
            ASSERT_TRUE(readExactly(acks[0], &last, sizeof last)) << "the writer stopped early";
        }
        ::kill(pid, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "status " << status;
        // Acknowledgements still in the pipe were sent before the kill, so they count as well.
        for (uint32_t n = 0; readExactly(acks[0], &n, sizeof n);) {
            last = n;
        }
        ::close(acks[0]);

        useStore(path);
        for (uint32_t n = 0; n <= last; ++n) {
            ASSERT_EQ(GetRegSetting("Value" + std::to_string(n), "lost", Section, true),
                      std::to_string(n));
        }
        EXPECT_TRUE(SetRegSetting("After", "1", Section, true));
        EXPECT_EQ(GetRegSetting("After", "", Section, true), "1");
        setThreadRegistry(nullptr);
    }
}

TEST_F(Writers, TwoThreadsWithAConnectionEachShareOneFile) {
    const std::string path = dir.file("registry.db");
    constexpr int Values = 40;
    std::atomic<int> failures{0};
    std::barrier written(2);
    auto work = [&](int writer) {
        useStore(path);
        for (int n = 0; n < Values; ++n) {
            if (!SetRegSetting(nameOf(writer, n), textOf(writer, n), Section, true)) {
                ++failures;
            }
        }
        written.arrive_and_wait();
        // Each thread sees what the other wrote through its own connection.
        for (int other = 0; other < 2; ++other) {
            for (int n = 0; n < Values; ++n) {
                if (GetRegSetting(nameOf(other, n), "", Section, true) != textOf(other, n)) {
                    ++failures;
                }
            }
        }
        setThreadRegistry(nullptr);
    };
    std::thread first(work, 0);
    std::thread second(work, 1);
    first.join();
    second.join();
    EXPECT_EQ(failures.load(), 0);
}

} // namespace

// Several processes showing and logging errors into one log at the same time.
#include "error_fixture.h"

#include <qvMsgErr/clsError.h>

#include <algorithm>
#include <sstream>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

using namespace qvMsgErr;
using namespace errortest;

namespace {

TEST_F(ErrorTest, FourProcessesLoggingAtOnceLoseNoLine) {
    constexpr int kProcesses = 4, kErrors = 500;
    // Long enough that a line cannot go out in one piece by luck.
    const auto text = [](int p, int i) {
        return "process " + std::to_string(p) + " error " + std::to_string(i) + " " +
               std::string(3000, static_cast<char>('a' + p));
    };
    qvtest::writeFile(dir.file("LogError.flag"), "");
    std::fflush(stdout);
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            int failures = 0;
            clsError e;
            clicks("cmdIgnore");
            for (int i = 0; i < kErrors; ++i) {
                failures += e.Show(true, text(p, i), 1000 + p) != qvButtonIgnore;
            }
            ::_exit(failures == 0 ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    std::vector<std::string> expected, logged;
    for (int p = 0; p < kProcesses; ++p) {
        for (int i = 0; i < kErrors; ++i) {
            expected.push_back("1/2/2026 3:04:05 AM," + std::to_string(1000 + p) + "," +
                               text(p, i) + "\r");
        }
    }
    std::istringstream log(qvtest::readFile(dir.file("ErrorLog.txt")));
    for (std::string line; std::getline(log, line);) {
        logged.push_back(line);
    }
    std::sort(expected.begin(), expected.end());
    std::sort(logged.begin(), logged.end());
    // Compared whole, as gtest would print six megabytes of difference.
    EXPECT_TRUE(logged == expected) << logged.size() << " lines logged";
}

} // namespace

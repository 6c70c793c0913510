// Several processes showing and logging errors into one log at the same time.
#include "error_fixture.h"

#include <qvMsgErr/clsError.h>

#include <set>
#include <sstream>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

using namespace qvMsgErr;
using namespace errortest;

namespace {

TEST_F(ErrorTest, FourProcessesLoggingAtOnceLoseNoLine) {
    constexpr int kProcesses = 4, kErrors = 500;
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
                // Long enough that a line cannot go out in one piece by luck.
                const std::string text = "process " + std::to_string(p) + " error " +
                                         std::to_string(i) + " " + std::string(3000, 'a' + p);
                failures += e.Show(true, text, 1000 + p) != qvButtonIgnore;
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

    std::istringstream log(qvtest::readFile(dir.file("ErrorLog.txt")));
    std::set<std::string> seenLines;
    std::string line;
    int count = 0;
    while (std::getline(log, line)) {
        ++count;
        ASSERT_FALSE(line.empty());
        ASSERT_EQ(line.back(), '\r') << "line " << count;
        line.pop_back();
        const auto first = line.find(','), second = line.find(',', first + 1);
        ASSERT_NE(second, std::string::npos) << line.substr(0, 80);
        const int p = std::stoi(line.substr(first + 1)) - 1000;
        ASSERT_TRUE(p >= 0 && p < kProcesses) << line.substr(0, 80);
        const std::string text = line.substr(second + 1);
        const std::string tail(3000, static_cast<char>('a' + p));
        ASSERT_EQ(text.substr(text.size() - tail.size()), tail) << "torn line " << count;
        seenLines.insert(text.substr(0, text.size() - tail.size()));
    }
    EXPECT_EQ(count, kProcesses * kErrors);
    EXPECT_EQ(seenLines.size(), static_cast<std::size_t>(kProcesses * kErrors));
}

} // namespace

#include "support/unattended.h"

#include "support/utilities.h"

#include <qvMsgErr/RunTimeError.h>

#include "platform/files.h"

#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>

namespace qvMsgErr::unattended {

namespace {

// A file this large is no list of answers someone wrote; reading it would only cost memory.
constexpr std::streamoff kLargestFile = 1 << 20;
// Log fields are cut here so that a 1 MiB prompt does not make a 1 MiB log line.
constexpr std::size_t kLongestField = 300;

enum class Field { Id, Prompt, Title, Default };

struct Rule {
    Field field = Field::Default;
    std::string pattern;
    std::string answer; ///< as written, and matched without case, spaces and "&"
    int line = 0;
};

struct AnswerFile {
    std::string path;
    std::vector<Rule> rules;
    std::optional<Rule> fallback;
};

std::string env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

/// Lower case, without spaces and "&": "&Try Again" and "try again" are the same name.
std::string folded(const std::string& text) {
    std::string out;
    for (const char ch : text) {
        if (ch != ' ' && ch != '&') {
            out += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        }
    }
    return out;
}

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

/// Glob match: "*" any run of bytes (line breaks too), "?" one byte; `fold` ignores ASCII case.
bool matches(const std::string& pattern, const std::string& text, bool fold) {
    const auto same = [fold](char a, char b) {
        return fold ? std::tolower(static_cast<unsigned char>(a)) ==
                          std::tolower(static_cast<unsigned char>(b))
                    : a == b;
    };
    std::size_t p = 0, t = 0, star = std::string::npos, resume = 0;
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || same(pattern[p], text[t]))) {
            ++p;
            ++t;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = t;
        } else if (star != std::string::npos) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

/// One field of a log line: tabs, line breaks and other control bytes escaped, so that a line
/// is always one answer; long texts cut at a character boundary.
std::string logField(const std::string& text) {
    std::string cut = text;
    if (cut.size() > kLongestField) {
        std::size_t end = kLongestField;
        while (end > 0 && (static_cast<unsigned char>(cut[end]) & 0xC0) == 0x80) {
            --end;
        }
        cut = cut.substr(0, end) + "\xE2\x80\xA6";
    }
    std::string out;
    for (const char ch : cut) {
        const auto c = static_cast<unsigned char>(ch);
        if (ch == '\\') {
            out += "\\\\";
        } else if (ch == '\t') {
            out += "\\t";
        } else if (ch == '\n') {
            out += "\\n";
        } else if (ch == '\r') {
            out += "\\r";
        } else if (c < 0x20 || c == 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += ch;
        }
    }
    return out;
}

std::string now() {
    const std::time_t t = std::time(nullptr);
    const std::tm local = platform::localTime(t);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

/// Reads the answer file; every line it cannot use is reported in `problems` and left out.
AnswerFile parse(const std::string& path, std::vector<std::string>& problems) {
    AnswerFile file;
    file.path = path;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        problems.push_back(path + ": " + std::strerror(errno) + "; no answers read from it");
        return file;
    }
    if (!S_ISREG(st.st_mode)) {
        problems.push_back(path + ": not a regular file; no answers read from it");
        return file;
    }
    if (st.st_size > kLargestFile) {
        problems.push_back(path + ": larger than 1 MiB; no answers read from it");
        return file;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        problems.push_back(path + ": cannot be read; no answers read from it");
        return file;
    }
    std::string text;
    int number = 0;
    while (std::getline(in, text)) {
        ++number;
        if (!text.empty() && text.back() == '\r') {
            text.pop_back();
        }
        const std::string line = trimmed(text);
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const auto where = path + ":" + std::to_string(number) + ": ";
        const auto eq = line.rfind('=');
        if (eq == std::string::npos) {
            problems.push_back(where + "no \"=\" between the question and its answer; ignored");
            continue;
        }
        Rule rule;
        rule.line = number;
        rule.answer = trimmed(line.substr(eq + 1));
        const std::string question = trimmed(line.substr(0, eq));
        const auto space = question.find_first_of(" \t");
        const std::string word = question.substr(0, space);
        rule.pattern = space == std::string::npos ? "" : trimmed(question.substr(space));
        if (word == "default" && rule.pattern.empty()) {
            rule.field = Field::Default;
        } else if ((word == "id" || word == "prompt" || word == "title") && !rule.pattern.empty()) {
            rule.field = word == "id" ? Field::Id : word == "prompt" ? Field::Prompt : Field::Title;
        } else {
            problems.push_back(where + "expected \"id|prompt|title PATTERN = ANSWER\" or " +
                               "\"default = ANSWER\"; ignored");
            continue;
        }
        if (rule.answer.empty()) {
            problems.push_back(where + "no answer after \"=\"; ignored");
            continue;
        }
        if (rule.field == Field::Default) {
            file.fallback = rule;
        } else {
            file.rules.push_back(std::move(rule));
        }
    }
    return file;
}

/// The answer file for this process, read again only when it changes; its problems are written
/// to the log once, when it is read.
AnswerFile answerFile() {
    static std::mutex mutex;
    static std::string loadedKey;
    static AnswerFile loaded;
    const std::string path = env("QVMSGERR_ANSWERS");
    if (path.empty()) {
        return {};
    }
    const std::string key = path + '\n' + platform::fileVersion(path);
    const std::lock_guard<std::mutex> lock(mutex);
    if (key != loadedKey) {
        std::vector<std::string> problems;
        loaded = parse(path, problems);
        loadedKey = key;
        for (const auto& problem : problems) {
            log("answer file " + problem);
        }
    }
    return loaded;
}

bool ruleMatches(const Rule& rule, const Question& q) {
    switch (rule.field) {
    case Field::Id:
        return !q.id.empty() && matches(rule.pattern, q.id, true);
    case Field::Prompt:
        return matches(rule.pattern, q.prompt, false);
    case Field::Title:
        return matches(rule.pattern, q.title, false);
    case Field::Default:
        return true;
    }
    return false;
}

std::string nameOf(const Question& q, int32_t number) {
    for (const auto& [n, name] : q.answers) {
        if (n == number) {
            return name;
        }
    }
    return std::to_string(number);
}

[[noreturn]] void unanswered(const Question& q, const std::string& why) {
    log(now() + "\t" + logField(q.kind) + "\t" + logField(q.title) + "\t" + logField(q.prompt) +
        "\t-\t" + logField(why));
    std::string buttons;
    for (const auto& answer : q.answers) {
        buttons += (buttons.empty() ? "" : ", ") + answer.second;
    }
    throw RunTimeError(err::Unanswered,
                       "Nobody is there to answer \"" + q.prompt.substr(0, kLongestField) + "\" (" +
                           buttons + "): " + why +
                           ". Name its answer in the answer file that QVMSGERR_ANSWERS names, "
                           "for example \"" +
                           (q.id.empty() ? "prompt " + q.prompt.substr(0, 40) : "id " + q.id) +
                           " = " + (q.answers.empty() ? "OK" : q.answers.front().second) + "\"");
}

} // namespace

void log(const std::string& line) {
    const std::string file = env("QVMSGERR_UNATTENDED_LOG");
    if (!file.empty() && AppendToFile(file, line)) {
        return;
    }
    const std::string out = "qvMsgErr: unattended: " + line + "\n";
    std::fwrite(out.data(), 1, out.size(), stderr);
}

int32_t answer(const Question& q) {
    const AnswerFile file = answerFile();
    std::string notes;
    // What a rule's answer gives for this question: 0 when it offers no such answer.
    const auto resolve = [&](const Rule& rule) -> int32_t {
        const std::string f = folded(rule.answer);
        if (f == "fail") {
            unanswered(q, "line " + std::to_string(rule.line) + " of " + file.path +
                              " says it must not be answered for nobody");
        }
        if (f == "close") {
            return q.closeAnswer;
        }
        for (const auto& [number, name] : q.answers) {
            if (f == folded(name) || f == std::to_string(number)) {
                return number;
            }
        }
        return 0;
    };
    const auto give = [&](int32_t number, const std::string& source) {
        log(now() + "\t" + logField(q.kind) + "\t" + logField(q.title) + "\t" + logField(q.prompt) +
            "\t" + logField(nameOf(q, number)) + "\t" + logField(source + notes));
        return number;
    };
    std::vector<const Rule*> candidates;
    for (const auto& rule : file.rules) {
        candidates.push_back(&rule);
    }
    if (file.fallback) {
        candidates.push_back(&*file.fallback);
    }
    for (const Rule* rule : candidates) {
        if (!ruleMatches(*rule, q)) {
            continue;
        }
        if (const int32_t number = resolve(*rule)) {
            return give(number, file.path + ":" + std::to_string(rule->line));
        }
        notes += "; " + file.path + ":" + std::to_string(rule->line) + " answers \"" +
                 rule->answer + "\", which this " + q.kind + " does not offer";
    }
    if (q.closeAnswer != 0) {
        return give(q.closeAnswer, "close box");
    }
    unanswered(q, "no rule answers it, and its close box has no answer" + notes);
}

} // namespace qvMsgErr::unattended

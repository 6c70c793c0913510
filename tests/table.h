// Tables of cases kept in text files beside the tests (the data/ directory of each test
// directory): a case a line, its fields separated by " | ", so that a long list of inputs and
// expectations reads as a table and grows without code. Empty lines and lines that begin with '#'
// are comments.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace qvtest {

/// `field` with its escapes undone: \n, \r, \t, \0, \\ and \xHH stand for their bytes.
inline std::string unescaped(const std::string& field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\' || i + 1 == field.size()) {
            out += field[i];
            continue;
        }
        const char c = field[++i];
        if (c == 'x' && i + 2 < field.size()) {
            out += static_cast<char>(std::stoi(field.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c == '0' ? '\0' : c;
        }
    }
    return out;
}

/// The cases of data/`name` beside the calling test, each split into its fields, unescaped. A
/// file that cannot be read or holds no case fails the test.
inline std::vector<std::vector<std::string>> readTable(const std::string& name) {
    std::ifstream in(std::string(QV_TEST_DATA) + "/" + name);
    EXPECT_TRUE(in.is_open()) << name;
    std::vector<std::vector<std::string>> rows;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        std::vector<std::string>& row = rows.emplace_back();
        for (std::size_t start = 0;;) {
            const std::size_t end = line.find(" | ", start);
            row.push_back(unescaped(line.substr(start, end - start)));
            if (end == std::string::npos) {
                break;
            }
            start = end + 3;
        }
    }
    EXPECT_FALSE(rows.empty()) << name;
    return rows;
}

/// The text a table of "name | text" rows gives for `name`: a long expected output kept as data.
inline std::string expectedText(const std::string& table, const std::string& name) {
    for (const auto& row : readTable(table)) {
        if (row.at(0) == name) {
            return row.at(1);
        }
    }
    ADD_FAILURE() << "no \"" << name << "\" in " << table;
    return {};
}

} // namespace qvtest

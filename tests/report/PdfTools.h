#pragma once

// poppler's pdftotext and pdfinfo, run on a PDF the test wrote. A missing tool fails the test
// with a message saying what to install.

#include <gtest/gtest.h>
#include <unistd.h>

#include <regex>
#include <string>
#include <vector>

#include "../cli/CliSupport.h"

namespace zov::testing {

inline std::string PopplerTool(const char* name) {
    const std::string path = std::string("/usr/bin/") + name;
    EXPECT_EQ(access(path.c_str(), X_OK), 0) << name << " is missing: install poppler-utils";
    return path;
}

// The text of pages first..last (all when 0), laid out as printed.
inline std::string PdfText(const std::string& pdf, int first = 0, int last = 0) {
    std::vector<std::string> args{PopplerTool("pdftotext"), "-layout", "-enc", "UTF-8"};
    if (first > 0) args.insert(args.end(), {"-f", std::to_string(first), "-l", std::to_string(last)});
    args.insert(args.end(), {pdf, "-"});
    const clitest::Result r = clitest::RunProgram(args);
    EXPECT_EQ(r.status, 0) << r.err;
    return r.out;
}

// The number of pages and, per page, whether it is wider than high.
struct PdfPages {
    int count = 0;
    std::vector<bool> landscape;
};

inline PdfPages PdfPageInfo(const std::string& pdf, int pages) {
    const clitest::Result r =
        clitest::RunProgram({PopplerTool("pdfinfo"), "-f", "1", "-l", std::to_string(pages), pdf});
    EXPECT_EQ(r.status, 0) << r.err;
    PdfPages info;
    std::smatch m;
    if (std::regex_search(r.out, m, std::regex(R"(Pages:\s+(\d+))"))) info.count = std::stoi(m[1]);
    const std::regex size(R"(Page\s+\d+ size:\s+([\d.]+) x ([\d.]+) pts)");
    for (auto it = std::sregex_iterator(r.out.begin(), r.out.end(), size); it != std::sregex_iterator(); ++it)
        info.landscape.push_back(std::stod((*it)[1]) > std::stod((*it)[2]));
    return info;
}

// The whitespace-separated words of the line of `text` whose first word is `first`.
inline std::vector<std::string> WordsOfLine(const std::string& text, const std::string& first) {
    const std::regex word(R"(\S+)");
    size_t from = 0;
    while (from < text.size()) {
        const size_t end = text.find('\n', from);
        const std::string line = text.substr(from, end == std::string::npos ? std::string::npos : end - from);
        std::vector<std::string> words;
        for (auto it = std::sregex_iterator(line.begin(), line.end(), word); it != std::sregex_iterator();
             ++it)
            words.push_back(it->str());
        if (!words.empty() && words[0] == first) return words;
        if (end == std::string::npos) break;
        from = end + 1;
    }
    return {};
}

}  // namespace zov::testing

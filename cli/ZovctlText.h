#pragma once

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace zov {

// A text as one line of zovctl's stderr: every line of it, trimmed, joined with "; " (a line
// ending in ':' runs on with a blank), so "zovctl: reason" stays one line a script can read.
inline std::string OneLine(std::string_view text) {
    std::string out;
    for (size_t from = 0; from <= text.size();) {
        const size_t end = std::min(text.find_first_of("\r\n", from), text.size());
        std::string_view line = text.substr(from, end - from);
        from = end + 1;
        const size_t first = line.find_first_not_of(" \t");
        if (first == std::string_view::npos) continue;
        line = line.substr(first, line.find_last_not_of(" \t") - first + 1);
        if (!out.empty()) out += out.back() == ':' ? " " : "; ";
        out += line;
    }
    return out;
}

// The link's messages in zovctl's language (the dictionary's English texts of the same rows), in
// the order ComProt::SetLinkMessages takes them.
inline std::vector<std::string> EnglishLinkMessages() {
    return {
        "Error setting the serial port parameters",
        "The ECU is not communicating correctly",
        "Do you want to try to reconnect?",
        "Connection failed: check the connection",
        "The ECU was disconnected after too many communication errors",
        "The serial line is no longer available: the adapter was disconnected.",
    };
}

}  // namespace zov

#pragma once

#include <cstdint>
#include <string>

namespace zov {

struct LogConversion {
    bool ok = false;
    int64_t rows = 0;
    int markers = 0;
    std::string error;  // why nothing was written: the datalog refused, the output not writable
};

// Reads the CSV datalog `in` and writes it as the MLG file `out` (never over an existing file),
// markers where they fell among the rows. On any failure no output file is left.
LogConversion ConvertLogToMlg(const std::string& in, const std::string& out);

}  // namespace zov

#pragma once

#include <string>
#include <vector>

#include "WriteOutcome.h"

namespace zov {

class ComInj;

// The variables the ECU refused while the model read or wrote them: in the order of the commands,
// each once. The model's value of such a variable is not the ECU's (a refused scalar reads as 0, a
// refused array keeps what the model had, a refused write leaves the ECU's own value).
class RefusalLog {
  public:
    // Notes `var` when the link's last read was refused with the session still up.
    void Check(const ComInj& link, int var);
    // Notes `var` when its write was refused, and hands the outcome on.
    WriteOutcome Written(int var, WriteOutcome outcome);
    void Clear() {
        vars_.clear();
        writes_.clear();
    }
    void ClearWrites() { writes_.clear(); }
    // Takes `var` back: its refusal turned out to be the ECU's normal answer.
    void Forget(int var);
    // Refused reads; refused writes.
    const std::vector<int>& Variables() const { return vars_; }
    const std::vector<int>& Writes() const { return writes_; }

  private:
    std::vector<int> vars_;
    std::vector<int> writes_;
};

// The one wording of a list of refused variables: "N (NAME)" lines under a window's message, and
// zovctl's "refused: N NAME" lines on stderr.
std::vector<std::string> RefusalLines(const std::vector<int>& vars);
std::vector<std::string> RefusalConsoleLines(const std::vector<int>& vars);
// A window's message: its heading, then the lines.
std::string RefusalText(const std::string& heading, const std::vector<int>& vars);

// The model's name of an ECU variable (the definition-file key or field it fills), for messages;
// "?" for a variable the model does not read.
const char* VariableName(int var);

}  // namespace zov

#pragma once

#include <vector>

namespace zov {

class ComInj;

// The variables the ECU refused while the model read them: in the order of the reads, each once.
// The model's value of such a variable is not the ECU's (a refused scalar reads as 0, a refused
// array keeps what the model had).
class RefusalLog {
  public:
    // Notes `var` when the link's last command was refused with the session still up.
    void Check(const ComInj& link, int var);
    void Clear() { vars_.clear(); }
    // Takes `var` back: its refusal turned out to be the ECU's normal answer.
    void Forget(int var);
    const std::vector<int>& Variables() const { return vars_; }

  private:
    std::vector<int> vars_;
};

// The model's name of an ECU variable (the definition-file key or field it fills), for messages;
// "?" for a variable the model does not read.
const char* VariableName(int var);

}  // namespace zov

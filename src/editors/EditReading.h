#pragma once

#include <cstdint>

class QLineEdit;

namespace zov {

// Reading and filling the editors' value edits: a text that is no number (EditNumber) is
// replaced by the fallback, which is then the value read. Every fill goes the same way: the edit
// first holds a text that is no number, then is read with the value to show as the fallback.
class EditReading {
  public:
    static int32_t ReadInt(QLineEdit* edit, int32_t fallback);
    static double ReadDecimal(QLineEdit* edit, double fallback);
    static void Fill(QLineEdit* edit, int32_t value);
    static void FillDecimal(QLineEdit* edit, double value);
};

}  // namespace zov

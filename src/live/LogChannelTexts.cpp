#include "LogChannelTexts.h"

namespace zov {

const LogChannelText* LogChannelTextOf(const std::string& column) {
    for (const LogChannelText& text : kLogChannelTexts)
        if (column == text.column) return &text;
    return nullptr;
}

}  // namespace zov

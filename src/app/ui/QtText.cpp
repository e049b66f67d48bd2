#include "QtText.h"

#include "Cp1252.h"

namespace zov {

QString FromCp1252(std::string_view text) { return QString::fromStdString(cp1252::ToUtf8(text)); }

std::string ToCp1252(const QString& text) { return cp1252::FromUtf8(text.toStdString()); }

QString StripAccelerator(const QString& caption) {
    QString out;
    out.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&') {
            if (i + 1 < caption.size() && caption[i + 1] == u'&') {
                out += u'&';
                ++i;
            }
            continue;
        }
        out += caption[i];
    }
    return out;
}

}  // namespace zov

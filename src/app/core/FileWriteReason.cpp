#include "FileWriteReason.h"

#include <QFile>
#include <QFileDevice>
#include <cstring>

namespace zov {

std::string FileWriteReason(const QFileDevice& file, int systemError) {
    // A device that never failed answers with Qt's text for "no reason given".
    static const QString kNoReason = QFile().errorString();
    const QString qt = file.errorString();
    if (qt != kNoReason) return qt.toStdString();
    if (systemError != 0) return std::strerror(systemError);
    return "the data could not be written whole";
}

}  // namespace zov

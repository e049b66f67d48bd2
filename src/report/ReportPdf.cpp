#include "ReportPdf.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QMarginsF>
#include <QPageSize>
#include <QPdfWriter>
#include <cerrno>
#include <cstring>

#include "FileWriteReason.h"
#include "PainterCanvas.h"
#include "ReportPainter.h"
#include "TemporaryFiles.h"

namespace zov {
namespace {

constexpr double kMarginMm = 10;

std::string Paint(QFile& file, const std::vector<ReportPage>& pages, const ReportPainter& painter) {
    QPdfWriter writer(&file);
    writer.setResolution(int(PainterCanvas::kUnitsPerInch));
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm), QPageLayout::Millimeter);
    writer.setCreator(QStringLiteral("ZOV Qbr"));
    writer.setTitle(QStringLiteral("Stampa dati Centralina Iniezione"));
    return painter.PaintDocument(writer, pages);
}

// The rights the finished file gets: those of the file it replaces, or the user's default.
mode_t TargetMode(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : NewFileMode();
}

}  // namespace

std::string WriteReportPdf(const std::string& path, const std::vector<ReportPage>& pages,
                           const ReportPainter& painter) {
    RemoveLeftoverTemporariesBeside(path);
    std::string temp;
    const int fd = CreateTemporaryBeside(path, temp);
    if (fd < 0) return "cannot write beside " + path + ": " + std::strerror(errno);
    QFile file;
    std::string error;
    if (!file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        error = "cannot write " + temp;
    } else {
        error = Paint(file, pages, painter);
        // A full disk shows here, not while painting; errno is saved before anything else runs.
        if (error.empty()) {
            const bool flushed = file.flush();
            int why = flushed ? 0 : errno;
            if (flushed && ::fsync(file.handle()) != 0) why = errno;
            if (!flushed || why != 0 || file.error() != QFile::NoError)
                error = "cannot write " + path + ": " + FileWriteReason(file, why);
        }
        file.close();
    }
    if (error.empty() && ::chmod(temp.c_str(), TargetMode(path)) != 0)
        error = "cannot set the rights of " + path;
    if (error.empty() && ::rename(temp.c_str(), path.c_str()) != 0)
        error = "cannot write " + path + ": " + std::strerror(errno);
    if (!error.empty()) ::unlink(temp.c_str());
    return error;
}

}  // namespace zov

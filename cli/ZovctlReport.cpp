#include "ZovctlReport.h"

#include <QByteArray>
#include <QGuiApplication>
#include <cstdio>
#include <memory>

#include "ConfigurationModel.h"
#include "ConfigurationReport.h"
#include "IoBaseData.h"
#include "ReportPainter.h"
#include "ReportPdf.h"
#include "ZovctlText.h"

namespace zov {
namespace {

// Qt's own notes (a missing runtime directory, font substitutions) are no business of the
// command's output; only its errors are passed on.
void QtErrorsOnly(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "zovctl: %s\n", OneLine(message.toStdString()).c_str());
}

// Painting text needs the fonts of a GUI application; a command line has no display, so
// it draws off screen unless told otherwise.
std::unique_ptr<QGuiApplication> FontsForPainting() {
    if (QCoreApplication::instance() != nullptr) return nullptr;
    qInstallMessageHandler(QtErrorsOnly);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    static int argc = 1;
    static char name[] = "zovctl";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}

}  // namespace

std::optional<ReportArguments> ParseReportArguments(const std::vector<std::string>& args) {
    if (args.size() == 2 && args[1] != "--from") return ReportArguments{args[1], {}};
    if (args.size() != 4) return std::nullopt;
    if (args[2] == "--from" && args[1] != "--from") return ReportArguments{args[1], args[3]};
    if (args[1] == "--from" && args[3] != "--from") return ReportArguments{args[3], args[2]};
    return std::nullopt;
}

std::string WriteConfigurationReport(ConfigurationModel& model, const std::string& output) {
    const auto application = FontsForPainting();
    const std::vector<ReportPage> pages = ConfigurationReport(model).AllPages();
    const ReportPainter painter("zovctl", IoBaseData::ReportDateTimeText(NowDayNumber()));
    return WriteReportPdf(output, pages, painter);
}

}  // namespace zov

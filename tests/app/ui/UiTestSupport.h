#pragma once

#include <QDir>
#include <QFile>
#include <QPoint>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <ostream>

// Readable failure messages for the Qt values the tests compare (found by argument lookup).
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }
inline void PrintTo(const QRect& r, std::ostream* os) {
    *os << "QRect(" << r.x() << ", " << r.y() << ", " << r.width() << ", " << r.height() << ")";
}
inline void PrintTo(const QPoint& p, std::ostream* os) { *os << "QPoint(" << p.x() << ", " << p.y() << ")"; }

namespace zov::test {

struct ToolRun {
    int exitCode = -1;
    QString errors;
};

inline ToolRun RunTool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(60000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardError())};
}

inline void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) qFatal("cannot write %s", qPrintable(path));
    file.write(bytes);
}

inline QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Converts `tsv` (UTF-8) with the real mkdict into `dir`/Dizionario.dbf.
inline ToolRun MakeDictionary(const QString& dir, const QByteArray& tsv) {
    const QString source = QDir(dir).filePath(QStringLiteral("dictionary.tsv"));
    WriteFile(source, tsv);
    return RunTool(QStringLiteral(ZOV_MKDICT),
                   {source, QDir(dir).filePath(QStringLiteral("Dizionario.dbf"))});
}

// Three languages, the special rows and a few texts, one of them with accented letters.
inline const QByteArray kThreeLanguages =
    "IDENTIF\tITALIANO\tENGLISH\tDEUTSCH\n"
    "MenuLingua\t&Italiano\tEnglish (United Kingdom)\tDeutsch\n"
    "Flag\tflag_it.bmp\tflag_en.bmp\tflag_de.bmp\n"
    "LabGestione\tGestione centralina\tECU management\tSteuerger\xC3\xA4teverwaltung\n"
    "MessErrCk\tLa centralina \xC3\xA8 stata sconnessa\tThe ECU was disconnected\tGetrennt\n"
    "ButtonOK\tOK\tOK\tOK\n";

}  // namespace zov::test

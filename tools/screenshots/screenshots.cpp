// zov_screenshots [--dist DIR] OUTPUT_DIR
//
// Opens each window on the runtime folder's dictionary and pictures, as the program shows it, and
// saves it as OUTPUT_DIR/<name>.png. The windows are the table of ShotTable.h.

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QPixmap>
#include <QTextStream>
#include <QTimer>
#include <memory>

#include "ShotTable.h"
#include "TModuloLingua.h"

namespace {

void Settle() {
    QEventLoop loop;
    QTimer::singleShot(150, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTextStream err(stderr);
    QStringList args = app.arguments();
    args.removeFirst();
    QString dist = QStringLiteral(ZOV_DIST_DIR);
    if (args.size() == 3 && args[0] == QStringLiteral("--dist")) {
        dist = args[1];
        args = args.mid(2);
    }
    if (args.size() != 1) {
        err << "usage: zov_screenshots [--dist DIR] OUTPUT_DIR\n";
        return 2;
    }
    QDir out(args[0]);
    if (!out.mkpath(QStringLiteral("."))) {
        err << "cannot create " << args[0] << "\n";
        return 1;
    }
    zov::TModuloLingua dictionary(dist);
    if (!dictionary.IsOpen()) {
        err << dictionary.OpenError() << "\n";
        return 1;
    }
    zov::shots::Context context{dist, dictionary};
    int failures = 0;
    for (int language = 0; language < dictionary.LanguageCount(); ++language) {
        dictionary.SelectLanguage(language);
        for (const zov::shots::Shot& shot : zov::shots::Shots()) {
            if (!shot.perLanguage && language > 0) continue;
            std::unique_ptr<QWidget> window = shot.make(context);
            Settle();
            const QString file = out.filePath(
                shot.perLanguage
                    ? QStringLiteral("%1_%2.png").arg(shot.name, dictionary.LanguageKey(language))
                    : shot.name + QStringLiteral(".png"));
            if (!window->grab().save(file)) {
                err << "cannot save " << file << "\n";
                ++failures;
            }
        }
    }
    return failures == 0 ? 0 : 1;
}

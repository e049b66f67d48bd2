// "Carica configurazione" and "Salva configurazione" of the main window against the ECU simulator:
// the file dialogs, the round trip of a configuration through a file, refused files, refused
// targets, and the temporary files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QAction>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QTimer>

#include "Packaging.h"
#include "QtText.h"
#include "ShellFunctionSupport.h"

namespace zov::test {
namespace {

// What a configuration file dialog looked like when it ran.
struct DialogSeen {
    QString name, title, directory, fileName, suffix;
    QStringList filters;
    QFileDialog::AcceptMode mode = QFileDialog::AcceptOpen;
    bool timerRunning = true;
};

// Answers the file dialogs with `path` and notes how each one was set up.
struct Chooser {
    explicit Chooser(TFormMainInst& form) : form_(form) {
        form.SetFileChooser([this](QFileDialog& d) {
            seen.push_back({d.objectName(), d.windowTitle(), QDir(d.directory()).absolutePath(),
                            d.property("FileName").toString(), d.defaultSuffix(), d.nameFilters(),
                            d.acceptMode(), form_.Timer1->isActive()});
            return path;
        });
    }
    QString path;
    std::vector<DialogSeen> seen;

  private:
    TFormMainInst& form_;
};

// The progress windows shown while it lives, as they were when they appeared.
class ProgressWatch : public QObject {
  public:
    ProgressWatch() { qApp->installEventFilter(this); }
    ~ProgressWatch() override { qApp->removeEventFilter(this); }
    bool shown = false;
    QString title, label;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* progress = qobject_cast<TFormAttesaFile*>(watched);
        if (progress != nullptr && event->type() == QEvent::Show) {
            shown = true;
            title = progress->windowTitle();
            label = progress->Label1->text();
        }
        return false;
    }
};

std::string ErrorText(Bench& b, const char* first) {
    return b.DictCp(first, 70) + "\n" + b.DictCp("MessCheckRight", 70);
}

QByteArray ReadBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// A variable the round trip changes in the ECU behind the program's back.
struct Probe {
    const char* what;
    int index;
    int element;
};
constexpr Probe kProbes[] = {
    {"RITARDO_MASSIMO_CAMBIO (vehicle file)", 0, 0},
    {"map cell row 3 column 5 (map file)", 50, 3 * 20 + 5},
    {"CHSG element 4 (parameter file)", 102, 4},
};

TEST(ConfigurationFiles, SaveThenLoadPutsTheSavedConfigurationBackIntoTheEcu) {
    PrivateTemp temp;
    QTemporaryDir files;
    Bench b;
    StartConnected(b);
    TFormMainInst& f = *b.form;
    EXPECT_TRUE(f.MenuCaricaConf->isEnabled());
    EXPECT_TRUE(f.MenuSalvaConf->isEnabled());
    Chooser chooser(f);
    chooser.path = files.filePath(QStringLiteral("punto.zvf"));

    f.MenuSalvaConf->trigger();
    ASSERT_EQ(chooser.seen.size(), 1u);
    const DialogSeen save = chooser.seen[0];
    EXPECT_EQ(save.name, QStringLiteral("SaveDialog"));
    EXPECT_EQ(save.mode, QFileDialog::AcceptSave);
    EXPECT_EQ(save.title, b.Dict("FinestraSalvaConfig", 50));
    EXPECT_EQ(save.filters, QStringList{b.Dict("LabelConfig", 40) + QStringLiteral(" (*.zvf)")});
    EXPECT_EQ(save.suffix, QStringLiteral("zvf"));
    EXPECT_EQ(save.directory, QDir(DistDir() + QStringLiteral("/Config")).absolutePath());
    EXPECT_TRUE(save.fileName.isEmpty());
    EXPECT_FALSE(save.timerRunning);
    EXPECT_TRUE(f.Timer1->isActive());
    EXPECT_TRUE(b.prompter.shown.empty()) << b.prompter.shown[0].text;
    const QByteArray saved = ReadBytes(chooser.path);
    ASSERT_TRUE(saved.startsWith("ZOV_CONFIG_file\r\n"));

    // The file carries what the ECU held; another tool then changes the ECU.
    std::vector<int32_t> before;
    for (const Probe& p : kProbes) {
        before.push_back(b.ecu.Value(p.index, p.element));
        ASSERT_TRUE(b.ecu.SetValue(p.index, p.element, before.back() + 3)) << p.what;
    }

    ProgressWatch progress;
    f.MenuCaricaConf->trigger();
    ASSERT_EQ(chooser.seen.size(), 2u);
    const DialogSeen load = chooser.seen[1];
    EXPECT_EQ(load.name, QStringLiteral("OpenDialog"));
    EXPECT_EQ(load.mode, QFileDialog::AcceptOpen);
    EXPECT_EQ(load.title, b.Dict("FinestraCaricaConfig", 50));
    EXPECT_EQ(load.filters, save.filters);
    // The open dialog starts from the name just saved.
    EXPECT_EQ(load.fileName, chooser.path);
    EXPECT_EQ(load.directory, QDir(files.path()).absolutePath());
    EXPECT_FALSE(load.timerRunning);
    EXPECT_TRUE(f.Timer1->isActive());

    EXPECT_TRUE(b.prompter.shown.empty()) << b.prompter.shown[0].text;
    for (size_t i = 0; i < std::size(kProbes); ++i)
        EXPECT_EQ(b.ecu.Value(kProbes[i].index, kProbes[i].element), before[i]) << kProbes[i].what;
    EXPECT_TRUE(progress.shown);
    EXPECT_EQ(progress.title, b.Dict("MessCaricaConf", 70));
    EXPECT_EQ(progress.label, b.Dict("MessAggiornaCpu", 70));
    // Loading never changes the file, and the temporaries are gone.
    EXPECT_EQ(ReadBytes(chooser.path), saved);
    EXPECT_TRUE(temp.Entries().isEmpty()) << temp.Entries().join(u' ').toStdString();

    // The save dialog now starts from the loaded name too.
    chooser.path.clear();
    f.MenuSalvaConf->trigger();
    ASSERT_EQ(chooser.seen.size(), 3u);
    EXPECT_EQ(chooser.seen[2].fileName, files.filePath(QStringLiteral("punto.zvf")));
    EXPECT_EQ(chooser.seen[2].directory, QDir(files.path()).absolutePath());
}

// Values the ECU refused to give are named once after the load, and a save of them is the
// installer's informed choice: No writes nothing, Yes saves.
TEST(ConfigurationFiles, RefusedVariablesAreNamedAndTheirSaveAsksFirst) {
    PrivateTemp temp;
    QTemporaryDir files;
    sim::EcuConfig config;
    config.faults.refused = {40};
    Bench b(config);
    StartConnected(b);
    TFormMainInst& f = *b.form;
    ASSERT_EQ(b.prompter.shown.size(), 1u);
    EXPECT_EQ(b.prompter.shown[0].text, b.DictCp("MessVariabiliRifiutate", 70) + "\n40 (CILINDRATA)");
    EXPECT_EQ(b.prompter.shown[0].icon, PromptIcon::Warning);
    Chooser chooser(f);
    chooser.path = files.filePath(QStringLiteral("punto.zvf"));

    b.prompter.answers = {PromptAnswer::No};
    f.MenuSalvaConf->trigger();
    ASSERT_EQ(b.prompter.shown.size(), 2u);
    EXPECT_EQ(b.prompter.shown[1].text, b.DictCp("MessSalvaIncompleta", 70) + "\n40 (CILINDRATA)");
    EXPECT_EQ(b.prompter.shown[1].buttons, PromptButtons::YesNo);
    EXPECT_TRUE(chooser.seen.empty()) << "no file dialog after No";
    EXPECT_FALSE(QFileInfo::exists(chooser.path));

    b.prompter.answers = {PromptAnswer::Yes};
    f.MenuSalvaConf->trigger();
    EXPECT_EQ(chooser.seen.size(), 1u);
    EXPECT_TRUE(ReadBytes(chooser.path).startsWith("ZOV_CONFIG_file\r\n"));
    EXPECT_TRUE(f.Timer1->isActive());
}

// A variable whose write the ECU refuses does not stop the load: the rest reaches the ECU, and the
// load ends naming the refused variable.
TEST(ConfigurationFiles, ALoadNamesTheVariablesTheEcuRefusedToTake) {
    PrivateTemp temp;
    QTemporaryDir files;
    sim::EcuConfig config;
    config.faults.writesBeforeRefusal = {{24, 0}};
    Bench b(config);
    StartConnected(b);
    TFormMainInst& f = *b.form;
    Chooser chooser(f);
    chooser.path = files.filePath(QStringLiteral("punto.zvf"));
    f.MenuSalvaConf->trigger();
    ASSERT_TRUE(b.prompter.shown.empty()) << b.prompter.shown[0].text;
    const int32_t refusedBefore = b.ecu.Value(24);
    ASSERT_TRUE(b.ecu.SetValue(24, 0, refusedBefore + 3));
    ASSERT_TRUE(b.ecu.SetValue(0, 0, b.ecu.Value(0) + 3));
    const int32_t takenBefore = b.ecu.Value(0) - 3;

    f.MenuCaricaConf->trigger();

    ASSERT_EQ(b.prompter.shown.size(), 1u);
    EXPECT_EQ(b.prompter.shown[0].text,
              b.DictCp("MessScritturaRifiutata", 70) + "\n24 (RIF_SUP_LAMBDA_FREDDA)");
    EXPECT_EQ(b.prompter.shown[0].icon, PromptIcon::Warning);
    EXPECT_EQ(b.ecu.Value(24), refusedBefore + 3) << "the ECU kept its own value";
    EXPECT_EQ(b.ecu.Value(0), takenBefore) << "and took the others";
}

TEST(ConfigurationFiles, LoadingWithoutASessionFillsTheModelWithoutProgressOrEcuTraffic) {
    PrivateTemp temp;
    QTemporaryDir files;
    const QString path = files.filePath(QStringLiteral("other.zvf"));
    // A file saved from an ECU with another vehicle.
    {
        sim::EcuConfig other;
        other.model = "LANCIA YPSILON 1.2";
        other.displacement = 1242;
        Bench source(other);
        StartConnected(source);
        Chooser chooser(*source.form);
        chooser.path = path;
        source.form->MenuSalvaConf->trigger();
        ASSERT_TRUE(QFileInfo::exists(path));
    }

    Bench b;
    ASSERT_TRUE(b.form->Start());
    Chooser chooser(*b.form);
    chooser.path = path;
    b.ecu.ClearRequests();
    ProgressWatch progress;
    b.form->MenuCaricaConf->trigger();

    EXPECT_TRUE(b.prompter.shown.empty()) << b.prompter.shown[0].text;
    EXPECT_EQ(b.context->car.MODELLO, "LANCIA YPSILON 1.2");
    EXPECT_EQ(b.context->car.CILINDRATA, 1242);
    EXPECT_FALSE(progress.shown);
    EXPECT_TRUE(b.ecu.Requests().empty());
    EXPECT_TRUE(temp.Entries().isEmpty());
}

TEST(ConfigurationFiles, ACancelledDialogDoesNothing) {
    PrivateTemp temp;
    Bench b;
    StartConnected(b);
    Chooser chooser(*b.form);  // answers with an empty path: cancelled
    const std::string model = ModelText(b.context->model);
    const auto memory = EcuMemory(b.ecu);
    for (QAction* item : {b.form->MenuSalvaConf, b.form->MenuCaricaConf}) {
        b.ecu.ClearRequests();
        item->trigger();
        EXPECT_TRUE(b.ecu.Requests().empty()) << item->objectName().toStdString();
    }
    EXPECT_EQ(chooser.seen.size(), 2u);
    EXPECT_TRUE(b.prompter.shown.empty());
    EXPECT_EQ(ModelText(b.context->model), model);
    EXPECT_EQ(EcuMemory(b.ecu), memory);
    EXPECT_TRUE(chooser.seen.back().fileName.isEmpty());
    EXPECT_TRUE(temp.Entries().isEmpty());
}

TEST(ConfigurationFiles, ADamagedFileIsRefusedAndNeitherTheModelNorTheEcuChange) {
    QTemporaryDir files;
    // A sound file to cut and spoil, saved from another vehicle so a load would show.
    QByteArray good;
    {
        sim::EcuConfig other;
        other.model = "LANCIA YPSILON 1.2";
        Bench source(other);
        StartConnected(source);
        Chooser chooser(*source.form);
        chooser.path = files.filePath(QStringLiteral("good.zvf"));
        source.form->MenuSalvaConf->trigger();
        good = ReadBytes(chooser.path);
        ASSERT_GT(good.size(), 1000);
    }
    auto scrambledHeader = [](std::string header) {
        Scrambler s(packaging::kConfigurationKey);
        s.Apply(header, packaging::kHeaderShift);
        return QByteArray::fromStdString("ZOV_CONFIG_file\r\n" + header);
    };
    const std::string garbage = "this is not a vehicle definition\r\n";
    ConfigurationHeader header;
    header.model = "X";
    const std::string damagedInside =
        PackConfigurationData(header, {garbage, std::string(), std::string()}, packaging::kConfigurationKey);

    struct Case {
        const char* what;
        QByteArray bytes;
        bool exists = true;
    };
    const std::vector<Case> cases = {
        {"wrong magic", "ZOV_ECU_file\r\n" + good.mid(17)},
        {"header without three lengths", scrambledHeader("12\t34\r\nX\r\nY\r\n0\t0\t0\r\n\r\n") + "abc"},
        {"shorter than its lengths announce", good.left(good.size() - 100)},
        {"cut inside the header", good.left(30)},
        {"empty", QByteArray()},
        {"missing", QByteArray(), false},
        {"damaged vehicle file inside", QByteArray::fromStdString(damagedInside)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PrivateTemp temp;
        Bench b;
        StartConnected(b);
        const QString path = files.filePath(QStringLiteral("bad.zvf"));
        QFile::remove(path);
        if (c.exists) WriteBytes(path, c.bytes);
        Chooser chooser(*b.form);
        chooser.path = path;
        const std::string model = ModelText(b.context->model);
        const auto memory = EcuMemory(b.ecu);

        b.form->MenuCaricaConf->trigger();

        ASSERT_EQ(b.prompter.shown.size(), 1u);
        EXPECT_EQ(b.prompter.shown[0].text, ErrorText(b, "MessErrCaricaConf"));
        EXPECT_EQ(b.prompter.shown[0].caption, ToCp1252(b.form->windowTitle()));
        EXPECT_EQ(b.prompter.shown[0].icon, PromptIcon::Error);
        EXPECT_EQ(ModelText(b.context->model), model);
        EXPECT_EQ(EcuMemory(b.ecu), memory);
        EXPECT_EQ(b.context->car.MODELLO, "FIAT PUNTO 1.2 8V");
        EXPECT_EQ(QFileInfo::exists(path), c.exists);
        if (c.exists) {
            EXPECT_EQ(ReadBytes(path), c.bytes);
        }
        EXPECT_TRUE(temp.Entries().isEmpty()) << temp.Entries().join(u' ').toStdString();
        EXPECT_TRUE(b.form->Timer1->isActive());
    }
}

TEST(ConfigurationFiles, ATargetThatCannotBeWrittenIsRefusedAndThePreviousFileStays) {
    QTemporaryDir files;
    const bool root = ::geteuid() == 0;
    struct Case {
        const char* what;
        bool applies;
    };
    const std::vector<Case> cases = {
        {"disk full", true},
        {"folder missing", true},
        {"folder without write rights", !root},  // rights do not stop the superuser
    };
    for (const Case& c : cases) {
        if (!c.applies) continue;
        SCOPED_TRACE(c.what);
        PrivateTemp temp;
        Bench b;
        StartConnected(b);
        Chooser chooser(*b.form);
        const QString folder = files.filePath(QString::fromLatin1(c.what).replace(u' ', u'_'));
        ASSERT_TRUE(QDir().mkpath(folder));
        const QString previous = folder + QStringLiteral("/previous.zvf");
        chooser.path = previous;
        b.form->MenuSalvaConf->trigger();
        ASSERT_TRUE(b.prompter.shown.empty());
        const QByteArray before = ReadBytes(previous);
        ASSERT_FALSE(before.isEmpty());
        // The ECU changes, so a successful save would change the file.
        ASSERT_TRUE(b.ecu.SetValue(0, 0, b.ecu.Value(0) + 1));
        b.context->car.ReadFromEcu();

        QString target = previous;
        if (std::string(c.what) == "folder missing") {
            target = folder + QStringLiteral("/gone/new.zvf");
            chooser.path = target;
            b.form->MenuSalvaConf->trigger();
        } else if (std::string(c.what) == "disk full") {
            // Every definition file fits; the whole configuration does not.
            FileSizeLimit full(rlim_t(before.size()) - 1);
            b.form->MenuSalvaConf->trigger();
        } else {
            QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
            b.form->MenuSalvaConf->trigger();
            QFile::setPermissions(folder,
                                  QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        }

        ASSERT_EQ(b.prompter.shown.size(), 1u);
        EXPECT_EQ(b.prompter.shown[0].text, ErrorText(b, "MessErrSalvaConf"));
        EXPECT_EQ(b.prompter.shown[0].icon, PromptIcon::Error);
        EXPECT_EQ(b.prompter.shown[0].caption, ToCp1252(b.form->windowTitle()));
        EXPECT_EQ(ReadBytes(previous), before);
        // Nothing half-written beside it, no temporaries anywhere.
        EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                  QStringList{QStringLiteral("previous.zvf")});
        EXPECT_TRUE(temp.Entries().isEmpty()) << temp.Entries().join(u' ').toStdString();
        EXPECT_TRUE(b.form->Timer1->isActive());
    }
}

}  // namespace
}  // namespace zov::test

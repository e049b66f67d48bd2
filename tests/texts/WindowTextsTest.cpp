#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLegendMarker>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QStackedWidget>
#include <QStringDecoder>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTextDocumentFragment>
#include <QValueAxis>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "QtPrompter.h"
#include "ShellFunctionSupport.h"
#include "ShotTable.h"
#include "TModuloLingua.h"

// Every text a window shows is the dictionary's, in the installer's language, or Qt's own from
// its catalogue for that language. Numbers, units, file names and the fixtures' data are no texts
// of the program and are left aside.
namespace zov {
namespace {

const QString kDist = QStringLiteral(ZOV_DIST_DIR);
const QString kData = QStringLiteral(ZOV_DATA_DIR);

// Words the windows show that are no texts of the program: the simulated vehicle's model, the
// vehicles the map type menu names, the program's edition, the name of a key and the "max" and
// "min" every language writes the same (the pressure peaks show "min" only once the simulated
// engine has made one, so a walk may or may not meet it).
const QStringList kDataWords = {
    QStringLiteral("FIAT"), QStringLiteral("PUNTO"), QStringLiteral("PORTER"), QStringLiteral("ROVER"),
    QStringLiteral("PRO"),  QStringLiteral("Esc"),   QStringLiteral("max"),    QStringLiteral("min"),
};

// ---- what a text is made of -------------------------------------------------------------------

QString WithoutAccelerators(QString text) {
    static const QRegularExpression single(QStringLiteral("&(?!&)"));
    text.remove(single);
    return text.replace(QStringLiteral("&&"), QStringLiteral("&"));
}

QString PlainText(const QString& text) {
    const QString plain =
        Qt::mightBeRichText(text) ? QTextDocumentFragment::fromHtml(text).toPlainText() : text;
    return WithoutAccelerators(plain);
}

// A token with a digit is a number, a value with its unit or a name like "PUNTO12"; one with a
// dot or an underscore between letters is a file or a variable name the installer typed or chose,
// or a file pattern ("*.zvf"); one that starts with or holds a slash is a folder of the system the
// program runs on (a file dialog lists the whole path, whatever its folders are called).
bool IsData(const QString& token) {
    static const QRegularExpression digit(QStringLiteral("\\d"));
    static const QRegularExpression fileName(QStringLiteral("[\\w*][._/]\\w|^/"));
    return token.contains(digit) || token.contains(fileName);
}

// The words of `text` worth judging: runs of two or more letters outside data tokens.
QStringList WordsOf(const QString& text) {
    static const QRegularExpression space(QStringLiteral("\\s+"));
    static const QRegularExpression letters(QStringLiteral("\\p{L}{2,}"));
    QStringList words;
    for (const QString& token : text.split(space, Qt::SkipEmptyParts)) {
        if (IsData(token)) continue;
        for (auto it = letters.globalMatch(token); it.hasNext();) words << it.next().captured().toLower();
    }
    return words;
}

class Vocabulary {
  public:
    void Add(const QString& text) {
        for (const QString& word : WordsOf(PlainText(text))) words_.insert(word);
    }
    // The first word of `text` this vocabulary lacks; empty when it knows them all.
    QString Unknown(const QString& text) const {
        for (const QString& word : WordsOf(text))
            if (!words_.contains(word)) return word;
        return {};
    }
    qsizetype Size() const { return words_.size(); }

  private:
    QSet<QString> words_;
};

// ---- where the words come from ---------------------------------------------------------------

// The dictionary's source: column `language`, and every language's own name, since the language
// menu and the flags name each language in its own words.
void AddDictionary(Vocabulary& vocabulary, const QString& language) {
    QFile file(QDir(kData).filePath(QStringLiteral("dictionary.tsv")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    const QStringList header = lines.value(0).split(u'\t');
    const qsizetype column = header.indexOf(language);
    ASSERT_GT(column, 0) << language.toStdString();
    for (const QString& line : lines.mid(1)) {
        const QStringList cells = line.split(u'\t');
        if (cells.value(0) == QStringLiteral("MenuLingua")) {
            for (const QString& name : cells.mid(1)) vocabulary.Add(name);
        } else {
            vocabulary.Add(cells.value(column));
        }
    }
}

// The texts of one of Qt's compiled catalogues: its translations, or with `sources` the English
// texts they translate (what Qt shows in English).
QStringList CatalogueTexts(const QString& path, bool sources) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    QDataStream in(&file);
    in.skipRawData(16);  // the magic number
    constexpr quint8 kMessagesBlock = 0x69;
    QByteArray messages;
    while (!in.atEnd() && messages.isEmpty()) {
        quint8 tag = 0;
        quint32 length = 0;
        in >> tag >> length;
        if (tag == kMessagesBlock) {
            messages.resize(length);
            in.readRawData(messages.data(), int(length));
        } else {
            in.skipRawData(int(length));
        }
    }
    enum : quint8 { kEnd = 1, kTranslation = 3, kObsolete1 = 5, kSourceText = 6 };
    QStringList texts;
    QDataStream block(messages);
    while (!block.atEnd()) {
        quint8 tag = 0;
        block >> tag;
        if (tag == kEnd || tag == kObsolete1) continue;
        quint32 length = 0;
        block >> length;
        if (length == 0xFFFFFFFFu) continue;
        QByteArray bytes(qsizetype(length), Qt::Uninitialized);
        block.readRawData(bytes.data(), int(length));
        if (tag == kTranslation && !sources) texts << QStringDecoder(QStringConverter::Utf16BE).decode(bytes);
        if (tag == kSourceText && sources) texts << QString::fromUtf8(bytes);
    }
    return texts;
}

// Qt's own words as Qt shows them in `language`: its catalogue's translations, or in English the
// texts they translate, and its locale's names of days and months.
void AddQtCatalogue(Vocabulary& vocabulary, const QString& language) {
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    const std::optional<QString> code = QtTranslations::CodeOf(language);
    ASSERT_TRUE(code.has_value()) << language.toStdString();
    const bool english = *code == QStringLiteral("en");
    const QString catalogue =
        QDir(folder).filePath(QStringLiteral("qtbase_%1.qm").arg(english ? QStringLiteral("it") : *code));
    const QStringList texts = CatalogueTexts(catalogue, english);
    ASSERT_FALSE(texts.isEmpty()) << catalogue.toStdString() << ": is qt6-translations-l10n installed?";
    for (const QString& text : texts) vocabulary.Add(text);
    // Dates are written by Qt's locale of the language, with its names of days and months.
    const QLocale locale(*code);
    for (int day = 1; day <= 7; ++day) vocabulary.Add(locale.dayName(day));
    for (int month = 1; month <= 12; ++month) {
        vocabulary.Add(locale.monthName(month));
        vocabulary.Add(locale.standaloneMonthName(month));
    }
}

// ---- what a window shows ---------------------------------------------------------------------

struct Shown {
    QString where;  // the widget, by name and class
    QString text;
};

QString NameOf(const QObject* object) {
    const QString name = object->objectName();
    const QString type = QString::fromLatin1(object->metaObject()->className());
    return name.isEmpty() ? type : name + QStringLiteral(" (") + type + QStringLiteral(")");
}

// Hidden by its own program, not merely a page of a stack that is not on top.
bool ShownWithin(const QWidget* widget, const QWidget* window) {
    for (const QWidget* w = widget; w != nullptr && w != window; w = w->parentWidget())
        if (w->isHidden() && qobject_cast<const QStackedWidget*>(w->parentWidget()) == nullptr) return false;
    return true;
}

class TextWalk {
  public:
    std::vector<Shown> Of(QWidget& window) {
        Add(window, QStringLiteral("window title"), window.windowTitle());
        std::vector<QWidget*> widgets{&window};
        for (QWidget* child : window.findChildren<QWidget*>()) widgets.push_back(child);
        for (QWidget* widget : widgets) {
            if (!ShownWithin(widget, &window)) continue;
            Widget(*widget);
        }
        return std::move(shown_);
    }

  private:
    void Add(const QObject& where, const QString& what, const QString& text) {
        if (!text.trimmed().isEmpty()) shown_.push_back({NameOf(&where) + QStringLiteral(" ") + what, text});
    }

    void Widget(QWidget& widget) {
        Add(widget, QStringLiteral("tooltip"), widget.toolTip());
        if (widget.isWindow() && widget.parentWidget() != nullptr)
            Add(widget, QStringLiteral("title"), widget.windowTitle());
        if (auto* label = qobject_cast<QLabel*>(&widget)) Add(widget, QStringLiteral("text"), label->text());
        if (auto* button = qobject_cast<QAbstractButton*>(&widget))
            Add(widget, QStringLiteral("text"), button->text());
        if (auto* group = qobject_cast<QGroupBox*>(&widget))
            Add(widget, QStringLiteral("title"), group->title());
        if (auto* edit = qobject_cast<QLineEdit*>(&widget))
            Add(widget, QStringLiteral("placeholder"), edit->placeholderText());
        if (auto* tabs = qobject_cast<QTabBar*>(&widget)) {
            for (int i = 0; i < tabs->count(); ++i) {
                Add(widget, QStringLiteral("tab"), tabs->tabText(i));
                Add(widget, QStringLiteral("tab tooltip"), tabs->tabToolTip(i));
            }
        }
        if (auto* combo = qobject_cast<QComboBox*>(&widget); combo != nullptr && !combo->isEditable()) {
            for (int i = 0; i < combo->count(); ++i) Add(widget, QStringLiteral("item"), combo->itemText(i));
        }
        if (auto* view = qobject_cast<QAbstractItemView*>(&widget)) Headers(*view);
        if (auto* chart = qobject_cast<QChartView*>(&widget)) Chart(*chart);
        for (QAction* action : widget.actions()) Action(widget, *action);
    }

    void Headers(QAbstractItemView& view) {
        const QAbstractItemModel* model = view.model();
        if (model == nullptr) return;
        const auto* header = view.findChild<QHeaderView*>();
        if (header == nullptr || header->isHidden()) return;
        for (int c = 0; c < model->columnCount(); ++c)
            Add(view, QStringLiteral("column"), model->headerData(c, Qt::Horizontal).toString());
    }

    void Chart(QChartView& view) {
        QChart* chart = view.chart();
        Add(view, QStringLiteral("chart title"), chart->title());
        for (QAbstractAxis* axis : chart->axes()) Add(view, QStringLiteral("axis"), axis->titleText());
        for (QLegendMarker* marker : chart->legend()->markers())
            if (marker->isVisible()) Add(view, QStringLiteral("legend"), marker->label());
    }

    void Action(const QWidget& owner, const QAction& action) {
        if (!action.isVisible() || action.isSeparator()) return;
        const QString where = NameOf(&owner) + QStringLiteral(" action ") + NameOf(&action);
        if (!action.text().trimmed().isEmpty()) shown_.push_back({where, action.text()});
        // Qt makes a tooltip of the text when none is set; only one set on purpose says more.
        if (action.toolTip() != WithoutAccelerators(action.text()).remove(QStringLiteral("...")))
            shown_.push_back({where + QStringLiteral(" tooltip"), action.toolTip()});
        if (QMenu* menu = action.menu()) {
            for (QAction* item : menu->actions()) Action(*menu, *item);
        }
    }

    std::vector<Shown> shown_;
};

// ---- the windows -----------------------------------------------------------------------------

using Maker = std::function<std::unique_ptr<QWidget>(shots::Context&)>;

struct Window {
    QString name;
    Maker make;
};

// A question box as the program asks it, walked while it is open.
std::vector<Shown> QuestionBox(TModuloLingua& dictionary) {
    std::vector<Shown> shown;
    QtPrompter prompter(nullptr, [&shown](QMessageBox& box) {
        box.show();
        for (Shown& s : TextWalk().Of(box)) shown.push_back(std::move(s));
        return int(QMessageBox::Cancel);
    });
    prompter.UseDictionary(&dictionary);
    const std::string question = dictionary.LookupCp1252("MessDisconCpu", 70).value_or("?");
    prompter.Ask(question, "ZOV Qbr", PromptIcon::Question, PromptButtons::YesNoCancel);
    prompter.Ask(question, "ZOV Qbr", PromptIcon::Warning, PromptButtons::OkCancel);
    return shown;
}

// The modal windows the main window opens itself, walked while they run and then closed.
// `prepare` readies the bench before the walk starts watching; `open` opens the window.
struct MainWindowDialog {
    QString name;
    std::function<void(test::Bench&)> prepare;
    std::function<void(TFormMainInst&)> open;
};

void Started(test::Bench& bench) { ASSERT_TRUE(bench.form->Start()); }

// Connected, with the ECU's configuration saved as the file the comparison is offered.
void ConnectedWithASavedFile(test::Bench& bench) {
    test::StartConnected(bench);
    static const QTemporaryDir files;
    const QString path = files.filePath(QStringLiteral("punto.zvf"));
    bench.form->SetFileChooser([path](QFileDialog&) { return path; });
    bench.form->MenuSalvaConf->trigger();
    ASSERT_TRUE(QFile::exists(path));
}

const std::vector<MainWindowDialog> kMainWindowDialogs = {
    {QStringLiteral("TAboutBoxI"), Started, [](TFormMainInst& f) { f.MenuAbout->trigger(); }},
    {QStringLiteral("TFormSceltaBackup"), Started, [](TFormMainInst& f) { f.MenuRipristinaBackupClick(); }},
    // Qt's own file dialog, as "Carica configurazione" opens it.
    {QStringLiteral("QFileDialog"), Started, [](TFormMainInst& f) { f.MenuCaricaConfClick(); }},
    {QStringLiteral("TFormConfronta"), ConnectedWithASavedFile,
     [](TFormMainInst& f) { f.MenuConfrontaConf->trigger(); }},
};

std::vector<Shown> MainWindowDialogTexts(int language, const MainWindowDialog& dialog) {
    test::StoredSettings stored;
    stored.language = language;
    test::Bench bench({}, stored);
    dialog.prepare(bench);
    if (::testing::Test::HasFatalFailure()) return {};
    std::vector<Shown> shown;
    test::ModalWatcher watcher([&shown, &dialog](QWidget& window) {
        EXPECT_TRUE(QLatin1String(window.metaObject()->className()).endsWith(dialog.name))
            << window.metaObject()->className() << " opened instead of " << dialog.name.toStdString();
        shown = TextWalk().Of(window);
        window.close();
    });
    dialog.open(*bench.form);
    return shown;
}

class WindowTexts : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dictionary_.IsOpen()) << dictionary_.OpenError().toStdString();
        ASSERT_EQ(dictionary_.LanguageCount(), 3);
    }

    // The texts `shown` in the current language that neither the dictionary nor Qt says.
    QStringList Foreign(const QString& window, const std::vector<Shown>& shown, const Vocabulary& words) {
        QStringList problems;
        for (const Shown& s : shown) {
            const QString word = words.Unknown(PlainText(s.text));
            if (!word.isEmpty())
                problems << QStringLiteral("%1 / %2: \"%3\" (%4)")
                                .arg(window, s.where, s.text.left(120).replace(u'\n', u' '), word);
        }
        return problems;
    }

    TModuloLingua dictionary_{kDist};
};

TEST_F(WindowTexts, EveryWindowSpeaksTheChosenLanguage) {
    QStringList problems;
    std::size_t texts = 0;
    for (int language = 0; language < dictionary_.LanguageCount(); ++language) {
        ASSERT_TRUE(dictionary_.SelectLanguage(language));
        const QString key = dictionary_.LanguageKey(language);
        Vocabulary words;
        AddDictionary(words, key);
        AddQtCatalogue(words, key);
        for (const QString& data : kDataWords) words.Add(data);
        ASSERT_GT(words.Size(), 500);

        shots::Context context{kDist, dictionary_};
        for (const shots::Shot& shot : shots::Shots()) {
            SCOPED_TRACE(shot.name.toStdString());
            std::unique_ptr<QWidget> window = shot.make(context);
            QCoreApplication::processEvents();
            const std::vector<Shown> shown = TextWalk().Of(*window);
            texts += shown.size();
            problems << Foreign(shot.name + QStringLiteral(" ") + key, shown, words);
        }
        for (const MainWindowDialog& dialog : kMainWindowDialogs) {
            const std::vector<Shown> shown = MainWindowDialogTexts(language, dialog);
            EXPECT_FALSE(shown.empty()) << dialog.name.toStdString() << " did not open";
            problems << Foreign(dialog.name + QStringLiteral(" ") + key, shown, words);
        }
        const std::vector<Shown> box = QuestionBox(dictionary_);
        EXPECT_GE(box.size(), 4u) << "text and buttons";
        problems << Foreign(QStringLiteral("MessageBox ") + key, box, words);
    }
    EXPECT_GT(texts, 3000u) << "the walk reads the windows' texts";
    EXPECT_TRUE(problems.isEmpty()) << problems.size() << " texts outside the dictionary:\n"
                                    << problems.join(u'\n').toStdString();
}

// The walk sees what it must: a built-in text fails in the language it is not written in, and a
// word of another column is no word of this one.
TEST_F(WindowTexts, TheWalkFindsATextOutsideTheDictionary) {
    ASSERT_TRUE(
        dictionary_.SelectLanguage(int(dictionary_.LanguageKeys().indexOf(QStringLiteral("ENGLISH")))));
    Vocabulary words;
    AddDictionary(words, QStringLiteral("ENGLISH"));
    AddQtCatalogue(words, QStringLiteral("ENGLISH"));
    QWidget window;
    window.setWindowTitle(QStringLiteral("Restore backup"));
    auto* label = new QLabel(QStringLiteral("Ripristina backup"), &window);
    label->setObjectName(QStringLiteral("LabelBackup"));
    auto* button = new QPushButton(QStringLiteral("&Cancel"), &window);
    button->setToolTip(QStringLiteral("PUNTO12_GPL.ZOV 9600"));
    auto* hidden = new QLabel(QStringLiteral("Nascosto"), &window);
    hidden->hide();
    window.show();
    const QStringList problems = Foreign(QStringLiteral("W"), TextWalk().Of(window), words);
    ASSERT_EQ(problems.size(), 1) << problems.join(u'\n').toStdString();
    EXPECT_TRUE(problems[0].contains(QStringLiteral("LabelBackup (QLabel) text")))
        << problems[0].toStdString();
    EXPECT_TRUE(problems[0].contains(QStringLiteral("(ripristina)"))) << problems[0].toStdString();
}

}  // namespace
}  // namespace zov

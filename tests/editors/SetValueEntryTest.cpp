// The value entry dialog on both maps against the simulated ECU: what one number does to one
// cell or a rectangle, the key filter of its edit, its limits and the ways it closes.

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>
#include <ostream>
#include <string>
#include <vector>

#include "EnrichmentSupport.h"
#include "TFormSet.h"
#include "TUpDown.h"

namespace zov {
namespace {

using test::enrichment::CellWrite;
using test::enrichment::EnrichmentBench;

constexpr int kMain = TFormSet::kMainMap;
constexpr int kEnrichment = TFormSet::kEnrichmentMap;

// A connected ECU and a dialog on its model.
struct SetBench : EnrichmentBench {
    explicit SetBench(int version = 200) : EnrichmentBench(Config(version)) {
        EXPECT_TRUE(Connect());
        dialog = std::make_unique<TFormSet>(Ctx().map, Ctx().param);
    }
    static sim::EcuConfig Config(int version) {
        sim::EcuConfig c;
        c.version = version;
        return c;
    }
    // Stores a cell in the model and the ECU, then forgets the request.
    void Put(int mode, int row, int column, int value) {
        if (mode == kMain)
            Ctx().map.SetCell(row, column, value, true);
        else
            Ctx().param.SetEnrichment(row, column, value);
        ecu.ClearRequests();
    }
    int Get(int mode, int row, int column) {
        return mode == kMain ? Ctx().map.GetCell(row, column) : Ctx().param.GetEnrichment(row, column);
    }
    // Shows the dialog on a selection (grid coordinates) as its owner does, without the modal loop.
    void Open(int mode, int top, int left, int bottom, int right) {
        dialog->Select(mode, top, left, bottom, right);
        dialog->show();
    }
    void Type(const QString& keys) { QTest::keyClicks(dialog->Edit1, keys); }
    void Press(Qt::Key key) { QTest::keyClick(dialog->Edit1, key); }

    std::unique_ptr<TFormSet> dialog;
};

// --- what one number does ----------------------------------------------------------------------

struct ApplyCase {
    const char* name;
    int mode;
    int version;
    std::vector<int> before;  // cells of map row 2, from map column 3 on
    bool proportional;
    const char* typed;
    std::vector<int> after;
    std::vector<bool> written;  // which cells reached the ECU
};
void PrintTo(const ApplyCase& c, std::ostream* os) { *os << c.name; }

class ValueEntryApplies : public ::testing::TestWithParam<ApplyCase> {};

TEST_P(ValueEntryApplies, ToTheSelectionAndToTheEcu) {
    const ApplyCase& c = GetParam();
    SetBench b(c.version);
    const int row = 2;
    const int firstColumn = 3;
    const int n = int(c.before.size());
    for (int i = 0; i < n; ++i) b.Put(c.mode, row, firstColumn + i, c.before[i]);
    // Cells around the selection must not move.
    b.Put(c.mode, row + 1, firstColumn, 11);
    b.Put(c.mode, row, firstColumn + n, 13);

    b.dialog->RadioButtonProp->setChecked(c.proportional);
    b.dialog->RadioButtonLinear->setChecked(!c.proportional);
    b.Open(c.mode, row + 1, firstColumn + 1, row + 1, firstColumn + n);
    b.Type(QString::fromLatin1(c.typed));
    b.Press(Qt::Key_Return);

    EXPECT_EQ(b.dialog->result(), QDialog::Accepted);
    EXPECT_FALSE(b.dialog->isVisible());
    std::vector<int> after;
    std::vector<CellWrite> expectedWrites;
    const int table = c.mode == kMain ? 50 : 51;
    // Table 51 travels as bytes.
    const auto wire = [&](int value) { return table == 51 ? (value & 0xFF) : value; };
    for (int i = 0; i < n; ++i) {
        after.push_back(b.Get(c.mode, row, firstColumn + i));
        EXPECT_EQ(b.EcuCell(table, row, firstColumn + i), wire(c.after[i])) << "ECU cell " << i;
        if (c.written[i]) expectedWrites.push_back({row, firstColumn + i, wire(c.after[i])});
    }
    EXPECT_EQ(after, c.after);
    EXPECT_EQ(b.CellWrites(table), expectedWrites);
    EXPECT_TRUE(b.CellWrites(table == 50 ? 51 : 50).empty());
    EXPECT_EQ(b.Get(c.mode, row + 1, firstColumn), 11);
    EXPECT_EQ(b.Get(c.mode, row, firstColumn + n), 13);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ValueEntryApplies,
    ::testing::Values(
        // Main fuel map: 0..720, and nothing that would make a cell negative.
        ApplyCase{"MainSingle800Is720", kMain, 200, {300}, false, "800", {720}, {true}},
        ApplyCase{"MainSingleNegativeChangesNothing", kMain, 200, {300}, false, "-5", {300}, {false}},
        ApplyCase{"MainSingleZero", kMain, 200, {300}, false, "0", {0}, {true}},
        ApplyCase{"MainLinearLeavesACellThatWouldGoNegative",
                  kMain,
                  200,
                  {10, 50},
                  false,
                  "-20",
                  {10, 30},
                  {false, true}},
        ApplyCase{"MainLinearToExactlyZero", kMain, 200, {20, 21}, false, "-20", {0, 1}, {true, true}},
        ApplyCase{"MainLinearClampsAt720", kMain, 200, {700, 100}, false, "30", {720, 130}, {true, true}},
        ApplyCase{"MainProportionalTruncates", kMain, 200, {100, 7}, true, "-50", {50, 3}, {true, true}},
        ApplyCase{
            "MainProportionalMinus100Empties", kMain, 200, {100, 7}, true, "-100", {0, 0}, {true, true}},
        ApplyCase{"MainProportionalBelowMinus100ChangesNothing",
                  kMain,
                  200,
                  {100, 7},
                  true,
                  "-101",
                  {100, 7},
                  {false, false}},
        ApplyCase{
            "MainProportionalClampsAt720", kMain, 200, {500, 100}, true, "50", {720, 150}, {true, true}},
        // Enrichment map: every cell is set; -127..127 from data version 200, 0..255 before.
        ApplyCase{"EnrichmentLinearClampsBothWays",
                  kEnrichment,
                  200,
                  {100, -100},
                  false,
                  "50",
                  {127, -50},
                  {true, true}},
        ApplyCase{
            "EnrichmentLinearDown", kEnrichment, 200, {-100, 0}, false, "-50", {-127, -50}, {true, true}},
        ApplyCase{"EnrichmentSingleNegative", kEnrichment, 200, {40}, false, "-5", {-5}, {true}},
        ApplyCase{"EnrichmentSingleClamps", kEnrichment, 200, {40}, false, "300", {127}, {true}},
        ApplyCase{"EnrichmentProportionalTruncatesTowardsZero",
                  kEnrichment,
                  200,
                  {-7, 7},
                  true,
                  "-50",
                  {-3, 3},
                  {true, true}},
        ApplyCase{"EnrichmentProportionalBelowMinus100ChangesTheSign",
                  kEnrichment,
                  200,
                  {100, -60},
                  true,
                  "-150",
                  {-50, 30},
                  {true, true}},
        ApplyCase{
            "EnrichmentBefore200SingleNegativeIsZero", kEnrichment, 150, {40}, false, "-5", {0}, {true}},
        ApplyCase{"EnrichmentBefore200LinearUpTo255",
                  kEnrichment,
                  150,
                  {100, 200},
                  false,
                  "100",
                  {200, 255},
                  {true, true}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ValueEntryRectangle, TakesColumnByColumnAndInsideEachColumnRowByRow) {
    SetBench b;
    for (int r = 4; r <= 5; ++r)
        for (int c = 1; c <= 3; ++c) b.Put(kMain, r, c, 100 + 10 * r + c);
    b.dialog->RadioButtonLinear->setChecked(true);
    b.Open(kMain, 5, 2, 6, 4);  // map rows 4..5, columns 1..3
    b.Type(QStringLiteral("5"));
    b.Press(Qt::Key_Enter);
    EXPECT_EQ(b.CellWrites(50),
              (std::vector<CellWrite>{
                  {4, 1, 146}, {5, 1, 156}, {4, 2, 147}, {5, 2, 157}, {4, 3, 148}, {5, 3, 158}}));
}

TEST(ValueEntryWithoutSession, KeepsTheValueInTheModelAndSendsNothing) {
    SetBench b;
    b.Put(kEnrichment, 0, 0, 10);
    b.Ctx().link.Disconnect();
    b.ecu.ClearRequests();
    b.Open(kEnrichment, 1, 1, 1, 1);
    b.Type(QStringLiteral("33"));
    b.Press(Qt::Key_Return);
    EXPECT_EQ(b.Get(kEnrichment, 0, 0), 33);
    EXPECT_TRUE(b.ecu.Requests().empty());
}

// --- how it opens ------------------------------------------------------------------------------

struct ShowCase {
    const char* name;
    int mode;
    int top, left, bottom, right;
    bool proportionalBefore;
    const char* text;  // what Edit1 shows, all of it selected
    bool percentShown;
    bool proportionalEnabled;
    bool proportionalChecked;
};
void PrintTo(const ShowCase& c, std::ostream* os) { *os << c.name; }

class ValueEntryShows : public ::testing::TestWithParam<ShowCase> {};

TEST_P(ValueEntryShows, TheCellOrZeroAndTheModes) {
    const ShowCase& c = GetParam();
    SetBench b;
    b.Put(kMain, 3, 6, 355);
    b.Put(kEnrichment, 3, 6, -42);
    b.dialog->RadioButtonProp->setChecked(c.proportionalBefore);
    b.dialog->RadioButtonLinear->setChecked(!c.proportionalBefore);
    b.Open(c.mode, c.top, c.left, c.bottom, c.right);
    EXPECT_EQ(b.dialog->Edit1->text(), QString::fromLatin1(c.text));
    EXPECT_EQ(b.dialog->Edit1->selectedText(), QString::fromLatin1(c.text));
    EXPECT_EQ(b.dialog->UpDown1->Position(), QString::fromLatin1(c.text).toInt());
    EXPECT_EQ(!b.dialog->LabelPerc->isHidden(), c.percentShown);
    EXPECT_EQ(b.dialog->RadioButtonProp->isEnabled(), c.proportionalEnabled);
    EXPECT_EQ(b.dialog->RadioButtonProp->isChecked(), c.proportionalChecked);
    EXPECT_EQ(b.dialog->RadioButtonLinear->isChecked(), !c.proportionalChecked);
    // Nothing is applied by opening.
    EXPECT_TRUE(b.ecu.Requests().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ValueEntryShows,
    ::testing::Values(ShowCase{"MainCell", kMain, 4, 7, 4, 7, false, "355", false, false, false},
                      ShowCase{"EnrichmentCell", kEnrichment, 4, 7, 4, 7, false, "-42", false, false, false},
                      ShowCase{"CellTurnsProportionalOff", kEnrichment, 4, 7, 4, 7, true, "-42", false, false,
                               false},
                      ShowCase{"RectangleLinear", kEnrichment, 4, 7, 5, 7, false, "0", false, true, false},
                      ShowCase{"RectangleProportional", kMain, 4, 6, 4, 7, true, "0", true, true, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ValueEntryModes, TheRadioButtonsShowAndHideThePercentSign) {
    SetBench b;
    b.Open(kMain, 1, 1, 2, 2);
    b.dialog->RadioButtonProp->click();
    EXPECT_FALSE(b.dialog->LabelPerc->isHidden());
    b.dialog->RadioButtonLinear->click();
    EXPECT_TRUE(b.dialog->LabelPerc->isHidden());
    b.dialog->hide();
    // A single cell: the proportional mode never shows the sign.
    b.Open(kMain, 1, 1, 1, 1);
    b.dialog->RadioButtonPropClick();
    EXPECT_TRUE(b.dialog->LabelPerc->isHidden());
}

// --- the key filter of Edit1 -------------------------------------------------------------------

struct KeyCase {
    const char* name;
    const char* text;
    int selectionStart;  // -1: no selection, the caret at `caret`
    int selectionLength;
    int caret;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    const char* after;
};
void PrintTo(const KeyCase& c, std::ostream* os) { *os << c.name; }

class Edit1Keys : public ::testing::TestWithParam<KeyCase> {};

TEST_P(Edit1Keys, PassOrAreDropped) {
    const KeyCase& c = GetParam();
    SetBench b;
    QApplication::clipboard()->setText(QStringLiteral("x7"));
    b.Open(kEnrichment, 1, 1, 2, 2);
    QLineEdit* edit = b.dialog->Edit1;
    edit->setText(QString::fromLatin1(c.text));
    if (c.selectionStart >= 0)
        edit->setSelection(c.selectionStart, c.selectionLength);
    else
        edit->setCursorPosition(c.caret);
    QTest::keyClick(edit, c.key, c.modifiers);
    EXPECT_EQ(edit->text(), QString::fromLatin1(c.after));
    EXPECT_TRUE(b.dialog->isVisible()) << "no key of these closes the dialog";
}

constexpr Qt::KeyboardModifiers kNone = Qt::NoModifier;

INSTANTIATE_TEST_SUITE_P(
    Cases, Edit1Keys,
    ::testing::Values(KeyCase{"DigitAtTheEnd", "12", -1, 0, 2, Qt::Key_3, kNone, "123"},
                      KeyCase{"DigitReplacesTheSelection", "12", 0, 2, 0, Qt::Key_7, kNone, "7"},
                      KeyCase{"Backspace", "12", -1, 0, 2, Qt::Key_Backspace, kNone, "1"},
                      KeyCase{"MinusInAnEmptyEdit", "", -1, 0, 0, Qt::Key_Minus, kNone, "-"},
                      KeyCase{"MinusReplacingAllTheText", "12", 0, 2, 0, Qt::Key_Minus, kNone, "-"},
                      KeyCase{"MinusReplacingTheStart", "123", 0, 1, 0, Qt::Key_Minus, kNone, "-23"},
                      KeyCase{"MinusAfterTheFirstCharacter", "12", -1, 0, 1, Qt::Key_Minus, kNone, "12"},
                      KeyCase{"MinusAtTheStartWithoutASelection", "12", -1, 0, 0, Qt::Key_Minus, kNone, "12"},
                      KeyCase{"MinusOverASelectionNotAtTheStart", "12", 1, 1, 1, Qt::Key_Minus, kNone, "12"},
                      KeyCase{"Comma", "12", -1, 0, 2, Qt::Key_Comma, kNone, "12"},
                      KeyCase{"Point", "12", -1, 0, 2, Qt::Key_Period, kNone, "12"},
                      KeyCase{"Letter", "12", -1, 0, 2, Qt::Key_A, kNone, "12"},
                      KeyCase{"Blank", "12", -1, 0, 2, Qt::Key_Space, kNone, "12"},
                      KeyCase{"Plus", "12", -1, 0, 2, Qt::Key_Plus, kNone, "12"},
                      KeyCase{"Paste", "12", -1, 0, 2, Qt::Key_V, Qt::ControlModifier, "12"},
                      KeyCase{"DeleteIsNotACharacter", "12", -1, 0, 0, Qt::Key_Delete, kNone, "2"},
                      KeyCase{"ArrowUpStepsTheValue", "12", -1, 0, 2, Qt::Key_Up, kNone, "13"},
                      KeyCase{"ArrowDownStepsTheValue", "-999", -1, 0, 4, Qt::Key_Down, kNone, "-1000"},
                      KeyCase{"ArrowDownStopsAtTheRange", "-1000", -1, 0, 5, Qt::Key_Down, kNone, "-1000"}),
    [](const auto& info) { return std::string(info.param.name); });

// --- the entered value -------------------------------------------------------------------------

TEST(ValueEntryValue, FollowsTheTypedIntegerInsideMinus1000To1000) {
    SetBench b;
    b.Open(kEnrichment, 1, 1, 2, 2);
    const struct {
        const char* text;
        int value;
    } cases[] = {{"17", 17},
                 {"-17", -17},
                 {"1000", 1000},
                 {"99999999999", 1000},
                 {"-5000", -1000},
                 // Not a number (yet): the last value stays.
                 {"", -1000},
                 {"-", -1000},
                 {"0", 0},
                 {"-", 0}};
    for (const auto& c : cases) {
        b.dialog->Edit1->setText(QString::fromLatin1(c.text));
        EXPECT_EQ(b.dialog->EnteredValue(), c.value) << c.text;
    }
}

TEST(ValueEntryValue, TheArrowsOfUpDown1StepTheEdit) {
    SetBench b;
    b.Open(kMain, 1, 1, 2, 2);
    auto* up = b.dialog->UpDown1->findChild<QToolButton*>(QStringLiteral("UpDown1Up"));
    auto* down = b.dialog->UpDown1->findChild<QToolButton*>(QStringLiteral("UpDown1Down"));
    ASSERT_NE(up, nullptr);
    ASSERT_NE(down, nullptr);
    up->click();
    up->click();
    EXPECT_EQ(b.dialog->Edit1->text(), QStringLiteral("2"));
    down->click();
    EXPECT_EQ(b.dialog->Edit1->text(), QStringLiteral("1"));
    b.dialog->Edit1->setText(QStringLiteral("1000"));
    up->click();
    EXPECT_EQ(b.dialog->Edit1->text(), QStringLiteral("1000"));
}

TEST(ValueEntryValue, ALongNumberIsTakenAtTheEndOfTheRange) {
    const struct {
        int mode;
        const char* typed;
        int cell;
    } cases[] = {{kMain, "99999", 720}, {kEnrichment, "99999", 127}, {kEnrichment, "-99999", -127}};
    for (const auto& c : cases) {
        SetBench b;
        b.Open(c.mode, 2, 2, 2, 2);
        b.Type(QString::fromLatin1(c.typed));
        b.Press(Qt::Key_Return);
        EXPECT_EQ(b.Get(c.mode, 1, 1), c.cell) << c.typed;
    }
}

// --- how it closes -----------------------------------------------------------------------------

TEST(ValueEntryClose, EnterAndTheButtonApplyEscapeAndTheCloseBoxDoNot) {
    const struct {
        const char* name;
        std::function<void(SetBench&)> close;
        int result;
        int cell;
    } cases[] = {
        {"Enter", [](SetBench& b) { b.Press(Qt::Key_Return); }, QDialog::Accepted, 64},
        {"KeypadEnter", [](SetBench& b) { b.Press(Qt::Key_Enter); }, QDialog::Accepted, 64},
        {"Button1", [](SetBench& b) { b.dialog->Button1->click(); }, QDialog::Accepted, 64},
        {"EnterOnButton1", [](SetBench& b) { QTest::keyClick(b.dialog->Button1, Qt::Key_Return); },
         QDialog::Accepted, 64},
        {"Escape", [](SetBench& b) { b.Press(Qt::Key_Escape); }, QDialog::Rejected, 9},
        {"CloseBox", [](SetBench& b) { b.dialog->close(); }, QDialog::Rejected, 9},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetBench b;
        b.Put(kEnrichment, 6, 2, 9);
        b.Open(kEnrichment, 7, 3, 7, 3);
        b.Type(QStringLiteral("64"));
        c.close(b);
        EXPECT_FALSE(b.dialog->isVisible());
        EXPECT_EQ(b.dialog->result(), c.result);
        EXPECT_EQ(b.Get(kEnrichment, 6, 2), c.cell);
        EXPECT_EQ(b.EcuCell(51, 6, 2), c.cell & 0xFF);
        EXPECT_EQ(b.CellWrites(51).size(), c.result == QDialog::Accepted ? 1u : 0u);
    }
}

TEST(ValueEntryKeys, ACharacterOnAnotherControlSendsTheFocusToEdit1) {
    SetBench b;
    b.Open(kMain, 1, 1, 2, 2);
    ASSERT_TRUE(QTest::qWaitForWindowActive(b.dialog.get()));
    for (QWidget* other : std::initializer_list<QWidget*>{b.dialog->RadioButtonLinear,
                                                          b.dialog->RadioButtonProp, b.dialog->Button1}) {
        other->setFocus();
        ASSERT_TRUE(other->hasFocus());
        QTest::keyClick(other, Qt::Key_5);
        EXPECT_TRUE(b.dialog->Edit1->hasFocus()) << other->objectName().toStdString();
    }
    // A key that types nothing leaves the focus where it is.
    b.dialog->Button1->setFocus();
    QTest::keyClick(b.dialog->Button1, Qt::Key_Shift);
    EXPECT_TRUE(b.dialog->Button1->hasFocus());
}

TEST(ValueEntryModal, ShowForMapRunsModallyAndReturnsWhenApplied) {
    SetBench b;
    b.Put(kMain, 0, 19, 400);
    bool sawSingleCell = false;
    test::ModalWatcher watcher([&](QWidget& modal) {
        auto* dialog = qobject_cast<TFormSet*>(&modal);
        ASSERT_NE(dialog, nullptr);
        sawSingleCell =
            dialog->Edit1->text() == QStringLiteral("400") && !dialog->RadioButtonProp->isEnabled();
        QTest::keyClicks(dialog->Edit1, QStringLiteral("410"));
        QTest::keyClick(dialog->Edit1, Qt::Key_Return);
    });
    EXPECT_EQ(b.dialog->ShowForMap(1, 20, 1, 20), QDialog::Accepted);
    EXPECT_EQ(watcher.seen, QStringLiteral("FormSet"));
    EXPECT_TRUE(sawSingleCell);
    EXPECT_EQ(b.dialog->EditMode(), kMain);
    EXPECT_EQ(b.EcuCell(50, 0, 19), 410);
    EXPECT_EQ(b.CellWrites(50), (std::vector<CellWrite>{{0, 19, 410}}));
}

TEST(ValueEntryTexts, BuiltInCaptionsUntilTheOwnerSetsItsOwn) {
    SetBench b;
    EXPECT_EQ(b.dialog->windowTitle(), QStringLiteral("Setta"));
    EXPECT_EQ(b.dialog->Button1->text(), QStringLiteral("&Modifica"));
    EXPECT_EQ(b.dialog->RadioButtonLinear->text(), QStringLiteral("Lineare"));
    EXPECT_EQ(b.dialog->RadioButtonProp->text(), QStringLiteral("Proporzionale"));
    EXPECT_EQ(b.dialog->LabelPerc->text(), QStringLiteral("%"));
    EXPECT_EQ(b.dialog->Edit1->text(), QStringLiteral("2"));
    EXPECT_EQ(b.dialog->UpDown1->Minimum(), -1000);
    EXPECT_EQ(b.dialog->UpDown1->Maximum(), 1000);
    EXPECT_TRUE(b.dialog->RadioButtonLinear->isChecked());
}

}  // namespace
}  // namespace zov

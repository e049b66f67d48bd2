#pragma once

#include <QDialog>
#include <QWidget>
#include <cstdint>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace zov {

class ConfMap;
class ConfParam;
class TUpDown;

// The value entry dialog ("Setta"): one number for one cell or a rectangle of cells of the main
// fuel map (`editMode` 0) or of the 8 x 8 enrichment map (`editMode` 1). For one cell the number
// becomes the cell's value; for a rectangle it is added to every cell ("Lineare") or taken as a
// percentage change ("Proporzionale"). The models' setters clamp and write each cell to the ECU.
//
// The owner sets the texts (caption `FinestraModificaMappa`, its own store-button caption,
// `LabelLineare`, `LabelProporz`) and stops its live timer around ShowForMap/ShowForEnrichment.
class TFormSet : public QDialog {
    Q_OBJECT

  public:
    static constexpr int kMainMap = 0;
    static constexpr int kEnrichmentMap = 1;
    static constexpr int kMinimum = -1000;
    static constexpr int kMaximum = 1000;

    TFormSet(ConfMap& map, ConfParam& param, QWidget* parent = nullptr);

    // Store the mode and the selection (grid coordinates, 1 = first map row or column) and show
    // the dialog modally. The result of exec(): Accepted when the value was applied.
    int ShowForMap(int top, int left, int bottom, int right);
    int ShowForEnrichment(int top, int left, int bottom, int right);
    // The first half of the two above, for an owner (or a test) that shows the dialog itself.
    void Select(int editMode, int top, int left, int bottom, int right);

    // The entered value: the integer typed in `Edit1`, limited to -1000..1000. Text that is not an
    // integer ("" or a lone "-") leaves the previous value: a half-typed number never becomes one.
    int EnteredValue() const;
    // Applies the entered value to the selection.
    void ApplyValue();

    // Handlers.
    void FormShow();
    // True when the key was consumed.
    bool FormKeyPress(QObject* target, QKeyEvent* event);
    bool Edit1KeyPress(QKeyEvent* event);
    void Button1Click();
    void RadioButtonLinearClick();
    void RadioButtonPropClick();

    bool SingleCell() const { return left_ == right_ && top_ == bottom_; }
    int EditMode() const { return editMode_; }

    QLineEdit* Edit1 = nullptr;
    TUpDown* UpDown1 = nullptr;
    QLabel* LabelPerc = nullptr;
    QRadioButton* RadioButtonLinear = nullptr;
    QRadioButton* RadioButtonProp = nullptr;
    QPushButton* Button1 = nullptr;

  protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Edit1Changed(const QString& text);
    void UpDown1Click();
    void ApplyToMainMap(int p);
    void ApplyToEnrichment(int p);

    ConfMap& map_;
    ConfParam& param_;
    int editMode_ = kMainMap;
    int top_ = 1;
    int left_ = 1;
    int bottom_ = 1;
    int right_ = 1;
    bool writingEdit_ = false;
};

}  // namespace zov

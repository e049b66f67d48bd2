#pragma once

#include <QDialog>
#include <QPixmap>
#include <QPoint>
#include <QSize>
#include <QString>

#include "AppContext.h"

class QLabel;
class QPushButton;

namespace zov {

class TModuloLingua;

// "Gestione centralina": the small menu of the ECU functions (F1 live data, F2 functional
// diagnosis, F3 parameter changes, Esc back to the main menu) over the same background as the
// main window, placed so the picture does not seem to move when the menu opens.
//
// The caller shows the menu modally and destroys it.
class TFormGestione : public QDialog {
    Q_OBJECT

  public:
    static constexpr const char* kBackgroundFile = "immagini/Sfondo2.bmp";

    TFormGestione(AppContext& ctx, TModuloLingua& dictionary, QWidget* parent = nullptr);
    ~TFormGestione() override;

    // Where the main window draws its own background on the screen, and the size it draws it at:
    // the menu draws its picture on the same spot at the same size. Without it the picture sits at
    // the menu's own client origin at the window's scale.
    void AlignBackground(QPoint screenOrigin, QSize drawnSize);
    // The picture (mainPath + "/immagini/Sfondo2.bmp" unless changed before showing); a picture
    // that cannot be loaded leaves the menu without background.
    QString backgroundPath;
    bool HasBackground() const { return !background_.isNull(); }
    // Where the picture's top left corner is drawn, in the menu's client coordinates.
    QPoint BackgroundPosition() const;

    bool Localized() const { return localized_; }

    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();
    void BitBtn4Click();

    QLabel* LabelOpzioniGest;
    QLabel* LabelVisPar;
    QLabel* LabelDiagnosi;
    QLabel* LabelModPar;
    QLabel* LabelMenu;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    QPushButton* BitBtn3;
    QPushButton* BitBtn4;

  protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Closing releases the picture.
    void hideEvent(QHideEvent* event) override;

  private:
    int S(int designPixels) const;
    void PlaceControls();
    bool Localize();

    AppContext& ctx_;
    TModuloLingua& dictionary_;
    double scale_ = 1.0;
    bool localized_ = false;
    QPixmap background_;
    QPixmap shownBackground_;
    bool aligned_ = false;
    QPoint screenOrigin_;
    QSize drawnSize_;
};

}  // namespace zov

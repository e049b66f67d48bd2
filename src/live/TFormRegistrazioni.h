#pragma once

#include <QDialog>
#include <QString>
#include <map>
#include <vector>

#include "AppContext.h"
#include "ChannelDecimator.h"
#include "LiveLog.h"
#include "LogPaneLayout.h"

class QChart;
class QLineSeries;
class QValueAxis;
class QGraphicsLineItem;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QVBoxLayout;

namespace zov {

class TModuloLingua;
class LogChartView;
class LogScatterView;

// The datalog viewer: opens a log and plots its channels in up to four stacked panes on one time
// axis (each channel on its own scale), zooms (drag a span, the wheel), pans (arrow keys,
// middle-button drag) and reads every channel at the cursor (click or move in a plot). What a
// plot receives is brought down to the pixels of the span on view, so a log of any length stays
// instant. The markers of the recording are listed; choosing one brings it to the middle. A
// scatter page plots one channel against another, coloured by a third. "Riproduci" asks the
// opener to replay the log in the live data window at 1x or 4x.
class TFormRegistrazioni : public QDialog {
    Q_OBJECT

  public:
    static constexpr const char* kPanesSetting = "LogViewerPanes";

    TFormRegistrazioni(AppContext& ctx, TModuloLingua& dictionary, QWidget* parent = nullptr);
    ~TFormRegistrazioni() override;

    // Reads `path`; a file that is not a readable log is reported and the log on view stays.
    bool OpenLog(const QString& path);
    const LiveLog& Log() const { return log_; }
    // 0 unless the installer chose a replay.
    int ReplaySpeed() const { return replaySpeed_; }

    // The cursor at `tMs` of the log: the reading of every channel at that time.
    void SetCursor(int64_t tMs);
    int64_t CursorTime() const { return cursorMs_; }
    QString CursorText() const;
    // The pane whose channels the list shows and changes.
    void ChoosePane(int pane);
    int PaneCount() const { return layout_.PaneCount(); }
    void SetPaneCount(int count);
    LogChartView* PaneView(int pane) const { return panes_[size_t(pane)].view; }
    // Channels of the chosen pane, by index among the log's channels.
    std::vector<int> ShownChannels() const;
    void ShowChannel(int channel, bool shown);
    // The name shown for a channel: its dictionary text, or the column's own name.
    QString ChannelName(int channel) const;
    // The time span on view, ms.
    std::pair<double, double> VisibleSpan() const { return span_; }
    void Zoom(double factor);
    void Pan(double fractionOfSpan);
    // Brings marker `index` (in the log's order) to the middle and puts the cursor on it.
    void GoToMarker(int index);

    void ButtonApriClick();

    QPushButton* ButtonApri;
    QLabel* LabFile;
    QLabel* LabRiquadri;
    QSpinBox* SpinRiquadri;
    QComboBox* ComboRiquadro;
    QListWidget* ListCanali;
    QLabel* LabMarcatori;
    QListWidget* ListMarcatori;
    QTabWidget* Schede;
    QWidget* PageGrafici;
    QWidget* PageDispersione;
    QLabel* LabSuggerimento;
    QComboBox* ComboAsseX;
    QComboBox* ComboAsseY;
    QComboBox* ComboColore;
    LogScatterView* Dispersione;
    QLabel* LabCursore;
    QPushButton* ButtonRiproduci1;
    QPushButton* ButtonRiproduci4;
    QPushButton* ButtonEsci;

  private:
    struct Pane {
        LogChartView* view = nullptr;
        QChart* chart = nullptr;
        QValueAxis* time = nullptr;
        std::vector<int> channels;
        std::vector<QLineSeries*> series;
        QGraphicsLineItem* cursor = nullptr;
    };

    void BuildControls();
    QWidget* BuildScatterPage();
    bool Localize();
    void FillChannels();
    void FillPaneChoice();
    void FillMarkers();
    void FillScatterChoices();
    void BuildPanes();
    Pane MakePane(const std::vector<std::string>& names);
    void SetSpan(double fromMs, double toMs);
    void Redraw();
    void RedrawScatter();
    void PlaceCursorLines();
    void RememberLayout();
    void Replay(int speed);

    AppContext& ctx_;
    TModuloLingua& dictionary_;
    LiveLog log_;
    std::vector<ChannelDecimator> decimators_;
    LogPaneLayout layout_;
    std::vector<Pane> panes_;
    QVBoxLayout* paneBox_ = nullptr;
    int chosenPane_ = 0;
    QString path_;
    int replaySpeed_ = 0;
    int64_t cursorMs_ = 0;
    std::pair<double, double> span_{0, 0};
    bool settingSpan_ = false;
    bool filling_ = false;
    std::map<std::string, QString> channelTexts_;
    std::string messNotLog_ = "Impossibile leggere la registrazione:";
    QString openTitle_ = QStringLiteral("Apri registrazione");
    QString paneText_ = QStringLiteral("Riquadro %1");
    QString markerText_ = QStringLiteral("Marcatore %1");
};

}  // namespace zov

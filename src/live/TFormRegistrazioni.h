#pragma once

#include <QDialog>
#include <QString>
#include <vector>

#include "AppContext.h"
#include "LiveLog.h"

class QChart;
class QLineSeries;
class QValueAxis;
class QChartView;
class QGraphicsLineItem;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace zov {

class TModuloLingua;
class LogChartView;

// The datalog viewer: opens a log, plots the chosen channels against time (each on its own
// scale), zooms (drag a span, the wheel), pans (arrow keys, middle-button drag) and reads every
// channel at the cursor (click or move in the plot). "Riproduci" asks the opener to replay the
// log in the live data window at 1x or 4x.
class TFormRegistrazioni : public QDialog {
    Q_OBJECT

  public:
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
    // Shown channels, by index among the log's channels.
    std::vector<int> ShownChannels() const;
    void ShowChannel(int channel, bool shown);
    // The time span on view, ms.
    std::pair<double, double> VisibleSpan() const;
    void Zoom(double factor);
    void Pan(double fractionOfSpan);

    void ButtonApriClick();

    QPushButton* ButtonApri;
    QLabel* LabFile;
    QListWidget* ListCanali;
    LogChartView* ChartView;
    QLabel* LabCursore;
    QPushButton* ButtonRiproduci1;
    QPushButton* ButtonRiproduci4;
    QPushButton* ButtonEsci;

  private:
    void BuildControls();
    bool Localize();
    void FillChannels();
    void BuildChart();
    void ShowChosenSeries();
    void PlaceCursorLine();
    void Replay(int speed);

    AppContext& ctx_;
    TModuloLingua& dictionary_;
    LiveLog log_;
    QString path_;
    int replaySpeed_ = 0;
    int64_t cursorMs_ = 0;
    QChart* chart_ = nullptr;
    QValueAxis* timeAxis_ = nullptr;
    std::vector<QLineSeries*> series_;
    std::vector<QValueAxis*> axes_;
    QGraphicsLineItem* cursorLine_ = nullptr;
    bool filling_ = false;
    std::string messNotLog_ = "Impossibile leggere la registrazione:";
    QString openTitle_ = QStringLiteral("Apri registrazione");
};

}  // namespace zov

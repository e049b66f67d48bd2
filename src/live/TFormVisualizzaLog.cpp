// The live data window's datalog: recording every record read, opening the log viewer, and
// replaying a log in place of the ECU's records.
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <ctime>
#include <memory>

#include "QtText.h"
#include "TFormRegistrazioni.h"
#include "TFormVisualizza.h"
#include "TimerPause.h"

namespace zov {
namespace {

std::string RuntimeDirectory(AppContext& ctx) {
    const std::string& main = ctx.global.MainPath();
    return main.empty() ? ctx.applicationDirectory : main;
}

std::tm LocalNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

}  // namespace

void TFormVisualizza::ButtonRegistraClick() {
    if (recording_.Active()) {
        StopRecording();
        return;
    }
    if (!ctx_.link.IsConnected()) {
        ShowRecording();
        ShowError(messNoConn_);
        return;
    }
    if (!recording_.Start(RuntimeDirectory(ctx_), ctx_.car.MODELLO, LocalNow(), ctx_.clock.NowUs())) {
        ShowRecording();
        ShowError(recording_.Error());
        return;
    }
    ShowRecording();
}

void TFormVisualizza::StopRecording() {
    recording_.Stop();
    if (ButtonRegistra != nullptr) ShowRecording();
}

void TFormVisualizza::ShowRecording() {
    const bool active = recording_.Active();
    ButtonRegistra->setChecked(active);
    ButtonRegistra->setEnabled(!replay_);
    ButtonMarcatore->setEnabled(active);
    if (replay_) {
        LabRegistra->setText(
            QStringLiteral("%1\u00D7 %2 s").arg(replay_->Speed()).arg(replay_->Position() / 1000));
        return;
    }
    if (!active && recording_.Rows() == 0) {
        LabRegistra->clear();
        return;
    }
    LabRegistra->setText(
        messRecording_.arg(recording_.Rows())
            .arg(recording_.Rate(ctx_.clock.NowUs()), 0, 'f', 1)
            .arg(QFileInfo(QFile::decodeName(QByteArray::fromStdString(recording_.Path()))).fileName()));
}

void TFormVisualizza::keyPressEvent(QKeyEvent* event) {
    // M marks the moment without looking for the button, wherever the focus is.
    if (event->key() == Qt::Key_M && event->modifiers() == Qt::NoModifier) {
        ButtonMarcatoreClick();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TFormVisualizza::ButtonMarcatoreClick() {
    if (!recording_.Active()) return;
    if (recording_.Mark(ctx_.clock.NowUs()) == 0) {
        ShowRecording();
        ShowError(recording_.Error());
    }
}

void TFormVisualizza::ButtonLogClick() {
    TimerPause pause(*Timer1);
    TFormRegistrazioni viewer(ctx_, dictionary_, this);
    // The recording under way is the log the installer most likely wants to look at.
    if (!recording_.Path().empty())
        viewer.OpenLog(QFile::decodeName(QByteArray::fromStdString(recording_.Path())));
    viewer.exec();
    if (viewer.ReplaySpeed() > 0) StartReplay(viewer.Log(), viewer.ReplaySpeed());
}

bool TFormVisualizza::StartReplay(const LiveLog& log, int speed) {
    std::optional<LiveReplay> replay = LiveReplay::Of(log, speed);
    if (!replay) {
        ShowError(messNotLiveLog_);
        return false;
    }
    StopRecording();
    if (!replay_) liveTitle_ = windowTitle();
    // The title says the values on view are a log's, not the ECU's.
    setWindowTitle(QStringLiteral("%1 - %2 %3\u00D7").arg(liveTitle_, replayTitle_).arg(speed));
    replay_ = std::move(replay);
    replayedRows_ = 0;
    filteredPressure_ = 0;
    ButtonAtt->setEnabled(false);
    ShowRecording();
    StepReplay();
    return true;
}

void TFormVisualizza::StepReplay() {
    // The tick after the last row ends the replay, so that row is on view for a tick as every
    // other row is.
    if (replay_->Finished()) {
        EndReplay();
        ShowRecording();
        return;
    }
    for (const LiveValues& values : replay_->Step(Timer1->interval())) {
        Take(values);
        ShowValues();
        ++replayedRows_;
    }
    ShowRecording();
}

void TFormVisualizza::EndReplay() {
    // Back to the ECU at the next tick, with the controls a replay greys, so the window does not
    // stay frozen on the log's last row.
    replay_.reset();
    filteredPressure_ = 0;
    ButtonAtt->setEnabled(true);
    setWindowTitle(liveTitle_);
}

}  // namespace zov

// The map window's editing of cells, its automatic mapping from start to fit, its ways out and its
// messages; the window's controls and live display are in TFormMappa.cpp.
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QSoundEffect>
#include <QTimer>
#include <QUrl>
#include <exception>
#include <vector>

#include "AppContext.h"
#include "BusyCursor.h"
#include "MapGrid.h"
#include "QtText.h"
#include "TFormAttesaFile.h"
#include "TFormGrafico.h"
#include "TFormMappa.h"
#include "TFormOpzioniMappatura.h"
#include "TFormSet.h"

namespace zov {
namespace {

std::vector<int32_t> CellsOf(const ConfMap& map) {
    std::vector<int32_t> cells;
    for (int row = 0; row < ConfMap::kRows; ++row)
        for (int column = 0; column < ConfMap::kCols; ++column) cells.push_back(map.GetCell(row, column));
    return cells;
}

}  // namespace

void TFormMappa::EditSelection() {
    if (autoMapping) return;
    const QRect selection = DrawGrid1->Selection();
    {
        const bool running = Timer1->isActive();
        Timer1->stop();
        const PromptAnswer answer =
            Ask(Pair("MessModMappa1", "MessModMappa2"), PromptIcon::Warning, PromptButtons::YesNo);
        if (answer != PromptAnswer::Yes) {
            if (running) RestartTimer();
            return;
        }
    }
    Timer1->stop();
    DrawGrid1->repaint();
    // The ECU's map before this edit, for "Annulla ultima scrittura": it replaces the earlier undo
    // only once a cell has been written.
    WriteUndo undo;
    const bool undoable = undo.Remember(ctx_.model, WriteUndo::kMap);
    const std::vector<int32_t> before = CellsOf(ctx_.map);
    formSet_->ShowForMap(selection.top(), selection.left(), selection.bottom(), selection.right());
    if (CellsOf(ctx_.map) != before) {
        if (undoable)
            ctx_.lastWrite = std::move(undo);
        else
            ctx_.lastWrite.Forget();
    }
    DrawGrid1->update();
    RestartTimer();
}

// ---------------------------------------------------------------------------------------------
// Automatic mapping

bool TFormMappa::StartMapping() {
    BusyCursor busy;
    TFormAttesaFile progress(this);
    progress.setWindowTitle(finestraScaricaCpu_);
    progress.Label1->setText(messStartMapping_);
    progress.completionText = messCompletato_;
    progress.show();
    const WriteOutcome started = session_.Start([&](int percent) {
        if (percent == 25) {
            // The flags and the points are gone: the grid and the state say so before the exchanges.
            DrawGrid1->repaint();
            SetMappingState(messMappaturaOn_, kMappingOn);
            repaint();
        }
        progress.SetProgress(uint8_t(percent), true);
    });
    progress.close();
    busy.Set(false);
    if (started != WriteOutcome::Answered) {
        // A mapping over values the ECU did not take would learn the wrong map: it is left at once.
        Timer1->stop();
        if (started == WriteOutcome::Refused)
            ShowError(RefusalText(Message("MessMappaturaRifiutata"), ctx_.model.RefusedWrites()));
        FormClose();
        QDialog::done(QDialog::Rejected);
        return false;
    }
    live_->MappingStarted();
    live_->PlaceCursor(DrawGrid1->Geometry());
    DrawGrid1->update();
    return true;
}

void TFormMappa::TimeOut() {
    Timer1->stop();
    ShowError(Pair("MessParamOut", "MessNoMappatura"));
    ctx_.map.pointsChanged = false;
    ctx_.map.ClearMappingPoints();
    FormClose();
    QDialog::done(QDialog::Rejected);
}

bool TFormMappa::FitAndShowChart(const std::string& failureText) {
    BusyCursor busy;
    if (!session_.FitMap(options_.maxChangePct)) {
        busy.Set(false);
        ShowError(Message("MessNoOttimizza") + "\n" + failureText);
        return false;
    }
    busy.Set(false);
    const int capped = session_.Limit().cappedCount;
    if (capped > 0 && Ask(Message("MessCelleLimitate") + " " + std::to_string(capped) + " (" +
                              std::to_string(options_.maxChangePct) + " %)\n" + Message("MessTogliLimite"),
                          PromptIcon::Warning, PromptButtons::YesNo) == PromptAnswer::Yes) {
        // The installer lifted the cap for this download only: the next fit is capped again.
        BusyCursor refitting;
        ctx_.map.RestoreBackup();
        session_.FitMap(options_.maxChangePct, false);
    }
    try {
        OpenChart();
    } catch (const std::exception&) {
        if (Ask(Pair("MessRisorseGrafiche", "MessScaricaMappa"), PromptIcon::Warning, PromptButtons::YesNo) ==
            PromptAnswer::Yes) {
            BusyCursor downloading;
            if (session_.Download() != WriteOutcome::Answered) ShowError(Message("MessMappaNonScaricata"));
        } else {
            ctx_.map.RestoreBackup();
        }
    }
    return true;
}

void TFormMappa::OpenChart() {
    TFormGrafico chart(ctx_, dictionary_, this);
    chart.SetCapped(session_.Limit().capped);
    chart.exec();
}

void TFormMappa::ButtonControllaMappaClick() {
    Timer1->stop();
    ctx_.clock.SleepMs(kActionPauseMs);
    FitAndShowChart(Message("MessContinuaOttimizza"));
    DrawGrid1->update();
    RestartTimer();
}

void TFormMappa::ButtonOpzioniClick() {
    const bool running = Timer1->isActive();
    Timer1->stop();
    TFormOpzioniMappatura dialog(options_, dictionary_, this);
    if (dialog.exec() == QDialog::Accepted) {
        options_ = dialog.Options();
        live_->SetOptions(options_);
        const std::string error = TFormOpzioniMappatura::Save(ctx_.global.MainPath(), options_);
        if (!error.empty()) ShowError(Message("MessOpzioniNonSalvate") + "\n" + error);
    }
    if (running) RestartTimer();
}

void TFormMappa::EndWithFit() {
    Timer1->stop();
    {
        BusyCursor busy;
        SetMappingState(messMappaturaOff_, kMappingOff);
        LeaveMapping();
    }
    if (FitAndShowChart(Message("MessRiprovaOttimizza"))) {
        ctx_.map.pointsChanged = false;
        ctx_.map.ClearMappingPoints();
    }
    DrawGrid1->update();
}

// ---------------------------------------------------------------------------------------------
// Ways out

void TFormMappa::ButtonEsciClick() {
    if (closed_) return;
    if (!ExitAsked()) return;
    FormClose();
    QDialog::done(QDialog::Rejected);
}

void TFormMappa::reject() {
    if (closed_)
        QDialog::reject();
    else
        ButtonEsciClick();
}

void TFormMappa::closeEvent(QCloseEvent* event) {
    // The close box is the exit button, question included.
    if (!closed_ && !ExitAsked()) {
        event->ignore();
        return;
    }
    FormClose();
    QDialog::done(QDialog::Rejected);
    event->accept();
}

bool TFormMappa::ExitAsked() {
    Timer1->stop();
    ctx_.clock.SleepMs(kActionPauseMs);
    ConfMap& map = ctx_.map;
    if (autoMapping && ctx_.car.MAPPATURA_ATTIVA) {
        const std::string question = map.AllZonesAcquired() ? Pair("MessDatiCompleti", "MessCreaMappaOk")
                                                            : Pair("MessDatiIncompleti", "MessCreaMappa");
        switch (Ask(question, PromptIcon::Question, PromptButtons::YesNoCancel)) {
            case PromptAnswer::Yes:
                EndWithFit();
                break;
            case PromptAnswer::No:
                LeaveMapping();
                map.pointsChanged = false;
                map.ClearMappingPoints();
                break;
            default:
                RestartTimer();
                return false;
        }
    } else if (autoMapping) {
        map.pointsChanged = false;
        map.ClearMappingPoints();
    }
    return true;
}

void TFormMappa::FormClose() {
    if (closed_) return;
    closed_ = true;
    liveEnabled = false;
    Timer1->stop();
    formSet_->hide();
    if (!autoMapping) return;
    ctx_.map.ClearMappingPoints();
    // A leave that was made and failed has been reported; the next session retries it.
    if (!session_.Left()) LeaveMapping();
}

void TFormMappa::LeaveMapping() {
    if (!session_.Leave()) ReportLeavePending();
}

void TFormMappa::ReportLeavePending() { ShowError(Pair("MessMappaturaSospesa1", "MessMappaturaSospesa2")); }

void TFormMappa::Announce(const char* sound) {
    const QString path =
        QDir(QString::fromStdString(ctx_.global.MainPath())).filePath(QString::fromLatin1(sound));
    if (QFileInfo::exists(path)) {
        QSoundEffect effect;
        effect.setSource(QUrl::fromLocalFile(path));
        effect.play();
        ctx_.clock.SleepMs(2 * kAnnouncementPauseMs);
        return;
    }
    QApplication::beep();
    ctx_.clock.SleepMs(kAnnouncementPauseMs);
    QApplication::beep();
}

// ---------------------------------------------------------------------------------------------
// Messages

std::string TFormMappa::Message(const char* identifier) const {
    const auto it = messages_.find(identifier);
    return it == messages_.end() ? std::string() : it->second;
}

std::string TFormMappa::Pair(const char* first, const char* second) const {
    return Message(first) + "\n" + Message(second);
}

std::string TFormMappa::Caption() const { return ToCp1252(windowTitle()); }

void TFormMappa::ShowError(const std::string& text) {
    ctx_.prompter.Ask(text, Caption(), PromptIcon::Error, PromptButtons::Ok);
}

PromptAnswer TFormMappa::Ask(const std::string& text, PromptIcon icon, PromptButtons buttons) {
    return ctx_.prompter.Ask(text, Caption(), icon, buttons);
}

}  // namespace zov

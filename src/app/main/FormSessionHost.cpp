#include "FormSessionHost.h"

#include <QLabel>
#include <QWidget>

#include "TFormAttesaFile.h"

namespace zov {

FormSessionHost::FormSessionHost(Window window) : window_(std::move(window)) {}

FormSessionHost::~FormSessionHost() { CloseProgress(); }

PromptAnswer FormSessionHost::Ask(const char* identifier, PromptIcon icon, PromptButtons buttons) {
    return window_.ask(identifier, icon, buttons);
}

void FormSessionHost::Report(const char* identifier, PromptIcon icon, const std::string& detail) {
    window_.report(identifier, icon, detail);
}

std::string FormSessionHost::DeviceFaultText(const DeviceError& fault) {
    return fault.Text(window_.text(fault.Line().identifier).toStdString());
}

void FormSessionHost::OpenProgress() {
    progress_ = new TFormAttesaFile(window_.widget);
    progress_->setWindowTitle(window_.text("MessConnCpu"));
    progress_->Label1->setText(window_.text("MessCaricaDati"));
    progress_->completionText = window_.text("MessCompletato");
    progress_->show();
}

void FormSessionHost::AdvanceProgress(int step) {
    if (progress_) progress_->SetProgress(uint8_t(step), false);
}

void FormSessionHost::CloseProgress() {
    if (!progress_) return;
    progress_->close();
    delete progress_.data();
}

void FormSessionHost::ShowSessionState() { window_.showSessionState(); }

void FormSessionHost::SetBusy(bool busy) { busy_.Set(busy); }

void FormSessionHost::CountdownTick(int) { window_.widget->repaint(); }

}  // namespace zov

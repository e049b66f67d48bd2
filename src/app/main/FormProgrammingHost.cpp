#include "FormProgrammingHost.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <algorithm>

#include "QtText.h"
#include "TFormAttesaFile.h"

namespace zov {

namespace {

// A stepped bar shows its progress in blocks; a smooth one as one continuous band.
constexpr const char* kSteppedStyle = "QProgressBar::chunk { width: 9px; margin: 1px; }";

}  // namespace

FormProgrammingHost::FormProgrammingHost(QWidget* parent, std::function<void()> connectInteractiveOff,
                                         std::function<bool(const std::string&)> askWithoutBackup)
    : parent_(parent),
      connect_(std::move(connectInteractiveOff)),
      askWithoutBackup_(std::move(askWithoutBackup)) {}

bool FormProgrammingHost::ProgramWithoutBackup(const std::string& why) {
    return askWithoutBackup_ && askWithoutBackup_(why);
}

void FormProgrammingHost::BackupMade(const std::string& path) {
    if (backupMade_) backupMade_(path);
}

FormProgrammingHost::~FormProgrammingHost() {
    SetBusy(false);
    Close();
}

TFormAttesaFile& FormProgrammingHost::Form() {
    if (!form_) {
        form_ = new TFormAttesaFile(parent_.data());
        form_->ProgressBar1->setStyleSheet(smooth_ ? QString() : QString::fromLatin1(kSteppedStyle));
    }
    return *form_;
}

TFormAttesaFile* FormProgrammingHost::Window() const { return form_.data(); }

void FormProgrammingHost::Open() {
    TFormAttesaFile& form = Form();
    form.show();
    form.raise();
    form.repaint();
}

void FormProgrammingHost::Close() {
    if (!form_) return;
    form_->close();
    delete form_.data();
}

void FormProgrammingHost::SetLabel(const std::string& text) { Form().Label1->setText(FromCp1252(text)); }

void FormProgrammingHost::SetCaption(const std::string& text) { Form().setWindowTitle(FromCp1252(text)); }

void FormProgrammingHost::SetCompletion(const std::string& text) { Form().completionText = FromCp1252(text); }

void FormProgrammingHost::SetProgress(int value, bool absolute) {
    TFormAttesaFile& form = Form();
    // The bar holds 0..100; a step that would take it below 0 stops at 0.
    const int target = std::clamp(absolute ? value : form.ProgressBar1->value() + value, 0, 100);
    form.SetProgress(uint8_t(target), true);
}

void FormProgrammingHost::SetSmooth(bool smooth) {
    smooth_ = smooth;
    if (form_) form_->ProgressBar1->setStyleSheet(smooth ? QString() : QString::fromLatin1(kSteppedStyle));
}

void FormProgrammingHost::Repaint() {
    // Whatever the window system asks to be painted (a window uncovered meanwhile) is painted
    // now; nothing the user does gets in.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void FormProgrammingHost::SetBusy(bool busy) { busy_.Set(busy); }

void FormProgrammingHost::ConnectInteractiveOff() {
    if (connect_) connect_();
}

}  // namespace zov

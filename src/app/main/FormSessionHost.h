#pragma once

#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

#include "BusyCursor.h"
#include "EcuSession.h"

class QWidget;

namespace zov {

class TFormAttesaFile;

// The session's window side in the program: the load's progress window TFormAttesaFile over the
// main window (caption MessConnCpu, label MessCaricaDati, completion MessCompletato), the busy
// cursor, the window repainted at each second of the countdown, and the main window's own message
// boxes and state display, handed in as functions.
class FormSessionHost : public SessionHost {
  public:
    struct Window {
        QWidget* widget = nullptr;
        // A localized text kept by the window, by identifier.
        std::function<QString(const char* identifier)> text;
        std::function<PromptAnswer(const char* identifier, PromptIcon, PromptButtons)> ask;
        std::function<void(const char* identifier, PromptIcon, const std::string& detail)> report;
        std::function<void()> showSessionState;
    };

    explicit FormSessionHost(Window window);
    ~FormSessionHost() override;
    FormSessionHost(const FormSessionHost&) = delete;
    FormSessionHost& operator=(const FormSessionHost&) = delete;

    PromptAnswer Ask(const char* identifier, PromptIcon icon, PromptButtons buttons) override;
    void Report(const char* identifier, PromptIcon icon, const std::string& detail) override;
    std::string DeviceFaultText(const DeviceError& fault) override;
    void OpenProgress() override;
    void AdvanceProgress(int step) override;
    void CloseProgress() override;
    void ShowSessionState() override;
    void SetBusy(bool busy) override;
    void CountdownTick(int secondsLeft) override;

  private:
    Window window_;
    // Owned here, but parented to the modal window it opens over, which may be destroyed first.
    QPointer<TFormAttesaFile> progress_;
    BusyCursor busy_{false};
};

}  // namespace zov

#pragma once

#include <QPointer>
#include <functional>
#include <memory>
#include <string>

#include "BusyCursor.h"
#include "EcuProgrammer.h"

class QWidget;

namespace zov {

class TFormAttesaFile;

// The programming's window side in the program: the progress window TFormAttesaFile over
// `parent`, the busy cursor, and the main window's connect action run with its `interactive`
// flag cleared (handed in as `connectInteractiveOff`).
//
// The progress window exists from the first call that sets something on it until Close; Open
// shows it. Texts arrive as Windows-1252 bytes. The busy cursor is given back on destruction if
// the programming left it set.
class FormProgrammingHost : public ProgrammingHost {
  public:
    // `askWithoutBackup` puts the question of ProgramWithoutBackup to the installer.
    FormProgrammingHost(QWidget* parent, std::function<void()> connectInteractiveOff,
                        std::function<bool(const std::string&)> askWithoutBackup = {});
    ~FormProgrammingHost() override;
    FormProgrammingHost(const FormProgrammingHost&) = delete;
    FormProgrammingHost& operator=(const FormProgrammingHost&) = delete;

    void Open() override;
    void Close() override;
    void SetLabel(const std::string& text) override;
    void SetCaption(const std::string& text) override;
    void SetCompletion(const std::string& text) override;
    void SetProgress(int value, bool absolute) override;
    void SetSmooth(bool smooth) override;
    void Repaint() override;
    void SetBusy(bool busy) override;
    void ConnectInteractiveOff() override;
    bool ProgramWithoutBackup(const std::string& why) override;
    void BackupMade(const std::string& path) override;
    // What is done with each backup made (the main window stores it in the car's history).
    void SetBackupMade(std::function<void(const std::string&)> made) { backupMade_ = std::move(made); }

    // The progress window while it exists (null before the first use and after Close).
    TFormAttesaFile* Window() const;
    bool Smooth() const { return smooth_; }
    bool Busy() const { return busy_.Busy(); }

  private:
    TFormAttesaFile& Form();

    QPointer<QWidget> parent_;
    std::function<void()> connect_;
    std::function<bool(const std::string&)> askWithoutBackup_;
    std::function<void(const std::string&)> backupMade_;
    // Owned here, but parented to the modal window it opens over, which may be destroyed first.
    QPointer<TFormAttesaFile> form_;
    bool smooth_ = false;
    BusyCursor busy_{false};
};

}  // namespace zov

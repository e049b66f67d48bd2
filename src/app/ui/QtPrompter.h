#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <string>

#include "Prompter.h"

class QMessageBox;

namespace zov {

class TModuloLingua;

// The Prompter of the windows: a modal QMessageBox with the given caption, icon and buttons.
// Texts arrive as Windows-1252 bytes and are shown as Unicode.
class QtPrompter : public Prompter {
  public:
    // Runs the box and returns the QMessageBox::StandardButton pressed; tests answer through it.
    using Runner = std::function<int(QMessageBox&)>;

    // `parent` (may be null: the active window is used) owns the boxes' position and modality.
    explicit QtPrompter(QWidget* parent = nullptr, Runner run = {});

    void SetParent(QWidget* parent) { parent_ = parent; }
    // The boxes' buttons say the dictionary's own words ("ButtonSi", "ButtonNo", "ButtonOK",
    // "ButtonAnnulla") in its current language; without it, or for a word it lacks, Qt's words in
    // the language of its loaded catalogue stay.
    void UseDictionary(const TModuloLingua* dictionary);

    PromptAnswer Ask(const std::string& text, const std::string& caption, PromptIcon icon,
                     PromptButtons buttons) override;

  private:
    void NameButtons(QMessageBox& box) const;

    QPointer<QWidget> parent_;
    QPointer<const TModuloLingua> dictionary_;
    Runner run_;
};

}  // namespace zov

#pragma once

// The parameter editor and the management menu on the program's objects, the ECU simulator and
// the shipped dictionary, as the main-window tests build them.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "AdaptationPage.h"
#include "EnrichmentPage.h"
#include "MainWindowSupport.h"
#include "TFormModifica.h"

namespace zov::test {

template <typename T = QWidget>
T* Child(QWidget& parent, const char* name) {
    T* child = parent.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
}

inline sim::EcuConfig EcuWith(int version, bool eightZones = false, bool mapB = true) {
    sim::EcuConfig config;
    config.version = version;
    config.eightZoneAdaptation = eightZones;
    config.mapB = mapB;
    return config;
}

// One request as the ECU received it: whether it wrote, and the variable it addressed.
struct Request {
    bool write;
    int var;
};

inline std::vector<Request> RequestsOf(const sim::EcuSimulator& ecu) {
    std::vector<Request> out;
    for (const sim::FrameRecord& f : ecu.Requests()) {
        const std::vector<uint8_t>& r = f.request;
        if (r.size() < 3) continue;
        // Block writes carry a length byte before the variable.
        const size_t at = r[0] == 0x3E || r[0] == 0x7E ? 2 : 1;
        if (r.size() <= at + 1) continue;
        out.push_back({(r[0] & 0x03) == 0x02, r[at]});
    }
    return out;
}

inline std::vector<int> WrittenVars(const sim::EcuSimulator& ecu) {
    std::vector<int> out;
    for (const Request& r : RequestsOf(ecu))
        if (r.write) out.push_back(r.var);
    return out;
}

// The main window started (dictionary and language chosen) and, unless told otherwise, a session
// opened and the ECU loaded into the model, without the data dialog.
struct EditorBench : Bench {
    explicit EditorBench(sim::EcuConfig config = {}, bool connect = true, QString runtime = DistDir())
        : Bench(std::move(config), {}, std::move(runtime)) {
        EXPECT_TRUE(form->Start());
        if (connect) {
            form->interactive = false;
            form->MenuConnettiClick();
            form->interactive = true;
            EXPECT_TRUE(context->link.IsConnected());
        }
        // The keep-alive is the main window's; the windows under test run alone on the line.
        form->Timer1->stop();
        ecu.ClearRequests();
        prompter.shown.clear();
    }

    // The editor shown and active, as its opener shows it; the enrichment page's live timer is
    // left to the tests that look at it.
    std::unique_ptr<TFormModifica> Open(bool outOfArchive = false) {
        auto editor = std::make_unique<TFormModifica>(*context, Dictionary(), nullptr, outOfArchive);
        editor->EnrichmentMap()->PageLeft();
        editor->show();
        editor->activateWindow();
        QApplication::processEvents();
        EXPECT_EQ(QApplication::activeWindow(), editor.get());
        ecu.ClearRequests();
        return editor;
    }

    // Stores as an installer does who says yes to the list of what the store changes in the ECU.
    // That question comes first, only with a session and something to change; it is taken off
    // the record so that a test sees the store's own boxes.
    void Store(TFormModifica& editor) {
        const size_t queued = prompter.answers.size(), shownBefore = prompter.shown.size();
        prompter.answers.push_front(PromptAnswer::Yes);
        editor.ButtonModifica->click();
        if (prompter.answers.size() > queued) {
            prompter.answers.pop_front();
            return;
        }
        ASSERT_GT(prompter.shown.size(), shownBefore);
        EXPECT_EQ(prompter.shown[shownBefore].text.rfind(DictCp("MessValoriInScrittura", 70), 0), 0u);
        prompter.shown.erase(prompter.shown.begin() + std::ptrdiff_t(shownBefore));
    }

    ConfCar& Car() { return context->car; }
    ConfParam& Param() { return context->param; }
    std::string LastMessage() const {
        return prompter.shown.empty() ? std::string() : prompter.shown.back().text;
    }
};

// Types `text` into `edit` as the user does: focus in, replace the text, focus to `next`.
inline void TypeAndLeave(QLineEdit* edit, const QString& text, QWidget* next) {
    edit->setFocus(Qt::TabFocusReason);
    edit->selectAll();
    edit->insert(text);
    next->setFocus(Qt::TabFocusReason);
}

// Chooses an item of a combo as the user does (the combo then reports the choice).
inline void Choose(QComboBox* combo, int index) {
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

}  // namespace zov::test

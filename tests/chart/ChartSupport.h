#pragma once

// The map chart on the program's objects, the ECU simulator (virtual clock) and the shipped
// dictionary, with the map as the map editor leaves it after a fit: the undo copy saved and the
// fitted cells in the model only.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QInputDialog>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "AppContext.h"
#include "Clock.h"
#include "EcuSimulator.h"
#include "Prompter.h"
#include "SimulatedLine.h"
#include "TFormGrafico.h"
#include "TModuloLingua.h"

// Qt's texts and points as a failed check prints them (Google Test would walk a QString as a
// container of QChar).
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }
inline void PrintTo(const QPoint& p, std::ostream* os) { *os << "QPoint(" << p.x() << ", " << p.y() << ")"; }

namespace zov::test {

inline QString DistDir() { return QStringLiteral(ZOV_DIST_DIR); }

struct CellValue {
    int row;
    int col;
    int32_t value;
};

struct ChartBench {
    // An ECU whose map holds `flat` in every cell, loaded over an open session as the main window
    // loads it on connection; the dictionary in its first language (Italian).
    explicit ChartBench(int32_t flat = 200, bool eightZones = false, QString dictionaryDir = DistDir())
        : ecu(Config(eightZones)), line(ecu, clock) {
        ecu.SetValues(50, std::vector<int32_t>(320, flat));
        WriteSettings();
        context = std::make_unique<AppContext>(clock, prompter, line, settings.path(),
                                               QFile::encodeName(DistDir()).toStdString());
        dictionary = std::make_unique<TModuloLingua>(dictionaryDir);
        dictionary->SelectLanguage(0);
        EXPECT_TRUE(context->link.Connect());
        context->model.ReadFromEcu();
        context->car.ReadAdaptation();
        ecu.ClearRequests();
    }
    ~ChartBench() {
        if (context->link.IsConnected()) context->link.Disconnect();
    }

    // Settings as an earlier run of the program left them, so loading them asks nothing.
    void WriteSettings() {
        QSettings store(settings.path() + QStringLiteral("/Ovalix srl/Install.ini"), QSettings::IniFormat);
        store.setValue(QStringLiteral("MainPath"), DistDir());
        store.setValue(QStringLiteral("InternetID"), QString());
        store.setValue(QStringLiteral("InternetPW"), QString());
        store.setValue(QStringLiteral("ComPort"), 1);
        store.setValue(QStringLiteral("WindowPos"), (40 << 16) + 30);
        store.setValue(QStringLiteral("WindowSize"), (560 << 16) + 760);
        store.setValue(QStringLiteral("Language"), 0);
        store.sync();
    }

    static sim::EcuConfig Config(bool eightZones) {
        sim::EcuConfig config;
        config.eightZoneAdaptation = eightZones;
        return config;
    }

    // Row r of the ECU's map at flat + step x r in every column, loaded into the model.
    void LoadRows(int32_t flat, int32_t step) {
        std::vector<int32_t> cells;
        for (int r = 0; r < 16; ++r)
            for (int c = 0; c < 20; ++c) cells.push_back(flat + step * r);
        ecu.SetValues(50, cells);
        Map().ReadFromEcu(50);
        ecu.ClearRequests();
    }

    // What the map editor does before it opens the chart: the undo copy, then the new cells in
    // the model (the ECU still has the old ones).
    void Fitted(const std::vector<CellValue>& cells) {
        Map().SaveBackup();
        for (const CellValue& c : cells) Map().SetCell(c.row, c.col, c.value, false);
    }

    // The chart shown and active, as its opener shows it.
    std::unique_ptr<TFormGrafico> Open(uint16_t visibleRows = 0xFFFF) {
        auto form = std::make_unique<TFormGrafico>(*context, *dictionary);
        form->SetVisibleRows(visibleRows);
        form->show();
        form->activateWindow();
        QApplication::processEvents();
        ecu.ClearRequests();
        return form;
    }

    ConfMap& Map() { return context->map; }
    ConfCar& Car() { return context->car; }

    QString Dict(const char* identifier, int length) {
        return dictionary->Lookup(QString::fromLatin1(identifier), length)
            .value_or(QStringLiteral("<missing>"));
    }
    std::string DictCp(const char* identifier, int length) {
        return dictionary->LookupCp1252(identifier, length).value_or("<missing>");
    }

    // Writes the ECU received, as the variable each addressed.
    std::vector<int> WrittenVars() const {
        std::vector<int> out;
        for (const sim::FrameRecord& f : ecu.Requests()) {
            const std::vector<uint8_t>& r = f.request;
            if (r.size() < 3 || (r[0] & 0x03) != 0x02) continue;
            out.push_back(r[0] == 0x3E || r[0] == 0x7E ? r[2] : r[1]);
        }
        return out;
    }

    VirtualClock clock;
    sim::EcuSimulator ecu;
    sim::SimulatedLine line;
    ScriptedPrompter prompter;
    QTemporaryDir settings;
    std::unique_ptr<AppContext> context;
    std::unique_ptr<TModuloLingua> dictionary;
};

}  // namespace zov::test

namespace zov::test {

// Answers the next input box the window opens with `text` (or cancels it when `text` is null),
// remembering its caption and prompt.
class InputBoxAnswer {
  public:
    explicit InputBoxAnswer(const char* text) {
        QObject::connect(&timer_, &QTimer::timeout, [this, text] {
            auto* box = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
            if (box == nullptr || box->objectName() != QStringLiteral("InputBox")) return;
            timer_.stop();
            caption = box->windowTitle();
            prompt = box->labelText();
            shown = true;
            if (text == nullptr) {
                box->reject();
                return;
            }
            box->setTextValue(QString::fromUtf8(text));
            box->accept();
        });
        timer_.start(5);
    }
    bool shown = false;
    QString caption;
    QString prompt;

  private:
    QTimer timer_;
};

}  // namespace zov::test

#pragma once

// The program's objects on the ECU simulator for the value entry dialog and the enrichment page:
// the main window's bench (virtual clock, scripted boxes, own settings), the runtime folder's
// dictionary, and readers of what reached the simulated ECU.

#include <array>
#include <memory>
#include <utility>
#include <vector>

#include "EngineModel.h"
#include "MainWindowSupport.h"
#include "TModuloLingua.h"

// A namespace of its own: other editor tests have benches of their own with the same idea.
namespace zov::test::enrichment {

struct CellWrite {
    int row;
    int column;
    int value;
    bool operator==(const CellWrite&) const = default;
};

struct EnrichmentBench : Bench {
    explicit EnrichmentBench(sim::EcuConfig config = {}) : Bench(std::move(config)), dictionary(DistDir()) {
        dictionary.SelectLanguage(0);
    }

    // An ECU whose speed, lambda, accumulation and reducer pressure are held by `held`.
    static sim::EcuConfig HeldEcu(const std::shared_ptr<sim::HeldSensors>& held, int version = 200) {
        sim::EcuConfig config;
        config.version = version;
        config.engine.held = held;
        return config;
    }

    AppContext& Ctx() { return *context; }

    // Opens a session and reads the whole ECU into the model, as the main window's connect does.
    bool Connect() {
        if (!context->link.Connect()) return false;
        context->model.ReadFromEcu();
        ecu.ClearRequests();
        return context->link.IsConnected() != 0;
    }

    // Single-cell writes of table 50 (opcode 0x12) or 51 (0x0E, the byte as sent) that reached
    // the ECU.
    std::vector<CellWrite> CellWrites(int table) const {
        std::vector<CellWrite> writes;
        for (const auto& f : ecu.Requests()) {
            const auto& r = f.request;
            if (table == 50 && r.size() >= 6 && r[0] == 0x12 && r[1] == 50)
                writes.push_back({r[2], r[3], r[4] | (r[5] << 8)});
            if (table == 51 && r.size() >= 5 && r[0] == 0x0E && r[1] == 51)
                writes.push_back({r[2], r[3], r[4]});
        }
        return writes;
    }

    // Requests for record 151.
    int RecordReads() const {
        int n = 0;
        for (const auto& f : ecu.Requests())
            if (f.request.size() >= 2 && f.request[0] == 0x41 && f.request[1] == 151) ++n;
        return n;
    }

    // The ECU's own copy of a cell; for table 51 its byte (signed or not depends on the version).
    int EcuCell(int table, int row, int column) const {
        const int value = ecu.Value(table, row * (table == 50 ? 20 : 8) + column);
        return table == 51 ? (value & 0xFF) : value;
    }

    // The text of the runtime dictionary's current language, cut as the window cuts it.
    QString DictText(const char* identifier, int length) {
        return dictionary.Lookup(QString::fromLatin1(identifier), length)
            .value_or(QStringLiteral("<missing>"));
    }

    TModuloLingua dictionary;
};

}  // namespace zov::test::enrichment

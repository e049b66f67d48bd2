#pragma once

// The enrichment page on a connected ECU whose sensors the test holds, shared by the page's tests.
#include <QLabel>
#include <memory>
#include <utility>

#include "EnrichmentPage.h"
#include "EnrichmentSupport.h"

namespace zov::test::enrichment {

inline constexpr int kCellWidth = 60;
inline constexpr int kCellHeight = 30;

// A grid cell's pixels with cells of kCellWidth x kCellHeight and one-pixel lines.
inline int Left(int column) { return column * (kCellWidth + 1); }
inline int Top(int row) { return row * (kCellHeight + 1); }

// The page on a connected ECU whose sensors the test holds, with cells of a known size.
struct PageBench : EnrichmentBench {
    explicit PageBench(std::shared_ptr<sim::HeldSensors> sensors = std::make_shared<sim::HeldSensors>(),
                       sim::EcuConfig config = {})
        : EnrichmentBench(WithHeld(std::move(config), sensors)), held(sensors) {
        EXPECT_TRUE(Connect());
        page = std::make_unique<EnrichmentPage>(Ctx(), dictionary);
        EXPECT_TRUE(page->Localize());
        // Shown first, so that no later layout changes the cells the test gave the grid.
        page->resize(800, 520);
        page->show();
        page->Grid().SetCellSize(kCellWidth, kCellHeight);
    }
    static sim::EcuConfig WithHeld(sim::EcuConfig config, const std::shared_ptr<sim::HeldSensors>& sensors) {
        config.engine.held = sensors;
        return config;
    }
    // The engine as the test holds it: period, probe byte, accumulation, pressure byte.
    void Hold(int period, int cumulus, int pressure = 102, int lambda = 23) {
        held->period = uint16_t(period);
        held->cumulus = uint8_t(cumulus);
        held->reducerPressure = uint8_t(pressure);
        held->lambda = uint8_t(lambda);
    }
    // One tick of Timer1, the virtual clock having moved by its interval.
    void Tick() {
        clock.Advance(EnrichmentPage::kTimerInterval * 1000);
        page->Timer1Timer();
    }
    // Enough ticks for the display to show the held values even when they did not change.
    void Settle() {
        for (int i = 0; i <= EnrichmentPage::kThinningTicks; ++i) Tick();
    }
    // The page shown: live state reset, bounds built; the real timer is stopped so that only the
    // test's ticks read the ECU.
    void Enter() {
        page->PageEntered();
        page->StopLiveTimer();
    }
    QString Label(const char* name) const {
        auto* label = page->findChild<QLabel*>(QString::fromLatin1(name));
        return label ? label->text() : QStringLiteral("<no %1>").arg(QString::fromLatin1(name));
    }

    std::shared_ptr<sim::HeldSensors> held;
    std::unique_ptr<EnrichmentPage> page;
};

}  // namespace zov::test::enrichment

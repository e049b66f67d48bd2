// The port menu's USB item: offered when the link has HID support, chosen from the stored
// setting, and the session it opens runs on the adapter.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QAction>
#include <QMenu>

#include "MainWindowSupport.h"
#include "ShellFunctionSupport.h"
#include "SimulatedUsbAdapter.h"

namespace zov::test {
namespace {

// The program's objects with the simulated USB adapter on the same ECU; the main window is made
// again after the adapter is attached, as the program attaches it before making the window.
struct UsbBench : Bench {
    explicit UsbBench(StoredSettings stored = {}) : Bench({}, stored) {
        form.reset();
        context->link.UseHidBus(&adapter);
        form = std::make_unique<TFormMainInst>(*context);
    }
    // The adapter must outlive the link's handles on it.
    ~UsbBench() { EndRun(); }

    sim::SimulatedUsbAdapter adapter{ecu, clock, "/dev/hidraw-window-" + std::to_string(getpid())};
};

TEST(MainWindowUsb, TheStoredSettingChoosesTheAdapter) {
    struct Case {
        int32_t stored;
        const char* item;
        int portIndex;
    } cases[] = {{100, "MenuUSB", CPort::kUsbPort}, {2, "MenuCom2", 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        StoredSettings stored;
        stored.comPort = c.stored;
        UsbBench b(stored);
        ASSERT_TRUE(b.form->Start());
        EXPECT_TRUE(b.form->MenuUSB->isVisible());
        EXPECT_TRUE(b.form->findChild<QAction*>(QString::fromLatin1(c.item))->isChecked());
        EXPECT_EQ(b.context->link.portIndex, c.portIndex);
        EXPECT_EQ(b.context->global.GetSetting(GlobalData::kComPort), c.stored);
    }
}

TEST(MainWindowUsb, ChoosingUsbOpensTheSessionOnTheAdapter) {
    UsbBench b;
    ASSERT_TRUE(b.form->Start());
    b.form->MenuUSB->trigger();
    EXPECT_EQ(b.context->global.GetSetting(GlobalData::kComPort), 100);
    EXPECT_EQ(b.form->PanelText(2), QStringLiteral("USB"));
    EXPECT_EQ(b.context->link.useUsb, 1);

    StartConnected(b);
    EXPECT_EQ(b.line.OpenCount(), 0) << "no serial port was touched";
    EXPECT_FALSE(b.adapter.OutputReports().empty());
    EXPECT_EQ(b.context->car.MODELLO, b.ecu.Text(117)) << "the model was read over the adapter";
    EXPECT_FALSE(b.form->MenuComPort->isEnabled()) << "the port stays put during the session";

    b.prompter.answers = {PromptAnswer::Yes};
    b.form->MenuDisconnettiClick();
    EXPECT_FALSE(b.context->link.IsConnected());
    EXPECT_EQ(b.adapter.OpenHandles(), 0);
}

}  // namespace
}  // namespace zov::test

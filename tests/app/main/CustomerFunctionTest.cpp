// F4 of the main window: the customer archive, opened modally in browse mode with the keep-alive
// timer stopped for its duration; the installation's last step opens it in installation mode.
#include <gtest/gtest.h>

#include <QAction>
#include <QPushButton>
#include <QTimer>

#include "MainWindowSupport.h"
#include "TFormClienti.h"

namespace zov::test {
namespace {

struct Opening {
    bool installation = false;
    bool timerRunning = true;
};

TEST(CustomerFunction, F4OpensTheCustomerArchiveWithTheTimerStopped) {
    Bench b;
    ASSERT_TRUE(b.form->Start());
    TFormMainInst& f = *b.form;
    ASSERT_TRUE(f.Timer1->isActive());
    std::vector<Opening> openings;
    f.SetCustomerRunner([&](TFormClienti& window) {
        openings.push_back({window.InstallationMode(), f.Timer1->isActive()});
        return int(QDialog::Accepted);
    });
    f.BitBtn4->click();
    f.MenuClienti->trigger();
    EXPECT_EQ(f.OpenCustomerArchive(true), QDialog::Accepted);
    ASSERT_EQ(openings.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(openings[i].installation, i == 2) << i;
        EXPECT_FALSE(openings[i].timerRunning) << i;
    }
    EXPECT_TRUE(f.Timer1->isActive());
}

}  // namespace
}  // namespace zov::test

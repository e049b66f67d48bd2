// Diagnosis mode against the simulator: whoever enters it leaves it on every way out, and an ECU
// left in it is taken out at the next connection.
#include <gtest/gtest.h>

#include <vector>

#include "DiagnosisModeGuard.h"
#include "EcuVariables.h"
#include "ModelTestSupport.h"

namespace zov::testing {
namespace {

// The values written to variable 88, in order.
std::vector<int> ModeWrites(const sim::EcuSimulator& ecu) {
    std::vector<int> out;
    for (const Command& c : Commands(ecu))
        if (c.op == 0x06 && c.var == kDiagnosisModeVariable) out.push_back(c.arg);
    return out;
}

TEST(DiagnosisModeGuard, EveryWayOutLeavesTheMode) {
    const struct {
        const char* way;
        bool leaveCalled;
    } cases[] = {{"the window's button or close box", true}, {"the program ending", false}};
    for (const auto& c : cases) {
        ModelBench b;
        {
            DiagnosisModeGuard mode(b.link);
            ASSERT_TRUE(mode.Enter()) << c.way;
            EXPECT_TRUE(b.ecu.DiagnosisMode()) << c.way;
            if (c.leaveCalled) {
                EXPECT_TRUE(mode.Leave()) << c.way;
                EXPECT_FALSE(mode.Owed()) << c.way;
            }
        }
        EXPECT_FALSE(b.ecu.DiagnosisMode()) << c.way;
        EXPECT_EQ(b.ecu.Value(kDiagnosisModeVariable), DiagnosisModeGuard::kNormalModeCode) << c.way;
        // Left once: the destructor does not write again after a Leave that arrived.
        EXPECT_EQ(ModeWrites(b.ecu), (std::vector<int>{kDiagnosisModeCode, 0})) << c.way;
    }
}

TEST(DiagnosisModeGuard, ARefusedEntryOwesNothing) {
    ModelBench b;
    b.ecu.MutableFaults().refused = {kDiagnosisModeVariable};
    {
        DiagnosisModeGuard mode(b.link);
        EXPECT_FALSE(mode.Enter());
        EXPECT_FALSE(mode.Owed());
        EXPECT_TRUE(mode.Leave());
    }
    EXPECT_FALSE(b.ecu.DiagnosisMode());
    EXPECT_EQ(ModeWrites(b.ecu), std::vector<int>{kDiagnosisModeCode});
}

TEST(DiagnosisModeGuard, ALostSessionLeavesItToTheNextConnection) {
    ModelBench b;
    {
        DiagnosisModeGuard mode(b.link);
        ASSERT_TRUE(mode.Enter());
        b.ecu.MutableFaults().deadLine = true;
        EXPECT_FALSE(mode.Leave());
        EXPECT_FALSE(b.link.IsConnected());
        EXPECT_TRUE(mode.Owed());
    }
    // The ECU kept its power: still in diagnosis mode when the line comes back.
    EXPECT_TRUE(b.ecu.DiagnosisMode());
    b.ecu.MutableFaults().deadLine = false;
    ASSERT_TRUE(b.link.Connect());
    b.ecu.ClearRequests();

    EXPECT_EQ(DiagnosisModeGuard::LeaveIfFound(b.link), DiagnosisModeGuard::Found::Left);
    EXPECT_FALSE(b.ecu.DiagnosisMode());
    EXPECT_EQ(ModeWrites(b.ecu), std::vector<int>{0});

    // Found running normally: read, nothing written.
    b.ecu.ClearRequests();
    EXPECT_EQ(DiagnosisModeGuard::LeaveIfFound(b.link), DiagnosisModeGuard::Found::Normal);
    EXPECT_EQ(Vars(b.ecu), std::vector<int>{kDiagnosisModeVariable});
    EXPECT_TRUE(ModeWrites(b.ecu).empty());
}

}  // namespace
}  // namespace zov::testing

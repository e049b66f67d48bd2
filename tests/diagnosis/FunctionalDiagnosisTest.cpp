// The functional diagnosis rules: effects of the F, P, O bits, the words read and sent through
// the vehicle configuration, and the texts of the diagnosis windows.
#include <gtest/gtest.h>

#include "DiagnosisFormat.h"
#include "DiagnosisSupport.h"
#include "FunctionalDiagnosis.h"

namespace zov::test {
namespace {

TEST(FunctionalDiagnosis, EffectOfEveryCombination) {
    const struct {
        bool f, p, o;
        DiagnosisEffect effect;
        const char* identifier;
    } cases[] = {
        {false, false, false, DiagnosisEffect::None, "LabelEffetto0"},
        {false, true, false, DiagnosisEffect::SwitchToPetrol, "LabelEffetto1"},
        {true, true, false, DiagnosisEffect::ForcedPetrol, "LabelEffetto2"},
        {false, false, true, DiagnosisEffect::OpenLoop, "LabelEffetto3"},
        {true, false, true, DiagnosisEffect::ForcedOpenLoop, "LabelEffetto4"},
        {false, true, true, DiagnosisEffect::Invalid, nullptr},
        {true, false, false, DiagnosisEffect::Invalid, nullptr},
        {true, true, true, DiagnosisEffect::Invalid, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "F " << c.f << " P " << c.p << " O " << c.o);
        EXPECT_EQ(FunctionalDiagnosis::EffectOf(c.f, c.p, c.o), c.effect);
        const char* identifier = FunctionalDiagnosis::EffectIdentifier(c.effect);
        EXPECT_EQ(identifier == nullptr ? std::string("none") : std::string(identifier),
                  c.identifier == nullptr ? std::string("none") : std::string(c.identifier));
    }
    // A check takes its own bit of each word.
    DiagnosisWords words;
    words.gasForbidden = 0x200;
    words.toPetrol = 0x201;
    EXPECT_EQ(FunctionalDiagnosis::EffectOf(words, 0), DiagnosisEffect::SwitchToPetrol);
    EXPECT_EQ(FunctionalDiagnosis::EffectOf(words, 9), DiagnosisEffect::ForcedPetrol);
    EXPECT_EQ(FunctionalDiagnosis::EffectOf(words, 5), DiagnosisEffect::None);
}

TEST(FunctionalDiagnosis, ReadsTheWordsFromTheEcuInItsOrder) {
    DiagnosisBench b;
    b.ecu.SetValue(89, 0, 0x3F0);
    b.ecu.SetValue(90, 0, 0x011);
    b.ecu.SetValue(91, 0, 0x102);
    b.ecu.SetValue(92, 0, 0x003);
    b.ecu.SetValue(94, 0, 0x300);
    const DiagnosisWords w = FunctionalDiagnosis::Read(b.Car());
    EXPECT_EQ(w.enabled, 0x3F0);
    EXPECT_EQ(w.tripped, 0x011);
    EXPECT_EQ(w.toPetrol, 0x102);
    EXPECT_EQ(w.gasForbidden, 0x003);
    EXPECT_EQ(w.openLoop, 0x300);
    std::vector<int> reads;
    for (const sim::FrameRecord& f : b.ecu.Requests())
        if (f.request[0] == 0x01) reads.push_back(f.request[1]);
    EXPECT_EQ(reads, (std::vector<int>{90, 89, 92, 91, 94}));
}

TEST(FunctionalDiagnosis, SendingDropsTheTrippedStateOfADisabledCheck) {
    DiagnosisBench b;
    b.ecu.SetValue(90, 0, 0x105);  // checks 1, 3 and 9 tripped
    const int32_t mask = 0x1FB;    // check 3 disabled, check 10 stays disabled
    EXPECT_EQ(FunctionalDiagnosis::Send(b.Car(), b.Link(), mask), 0x101);
    EXPECT_EQ(b.ecu.Value(89), 0x1FB);
    EXPECT_EQ(b.ecu.Value(90), 0x101);
    EXPECT_EQ(b.Car().ABILITAZIONE_DIAGNOSI[0], 0x1FB);
    EXPECT_EQ(b.Car().EFFETTO_DIAGNOSI[0], 0x101);
}

TEST(FunctionalDiagnosis, ClearingReachesTheEcuAtOnce) {
    DiagnosisBench b;
    b.ecu.SetValue(90, 0, 0x3FF);
    FunctionalDiagnosis::ClearTripped(b.Car(), b.Link());
    EXPECT_EQ(b.ecu.Value(90), 0);
    EXPECT_EQ(b.Car().EFFETTO_DIAGNOSI[0], 0);
    EXPECT_EQ(b.ecu.Value(89), 511);
}

TEST(FunctionalDiagnosis, WithoutASessionTheWordsStayInTheModel) {
    DiagnosisBench b({}, false);
    b.Car().EFFETTO_DIAGNOSI[0] = 0x006;
    EXPECT_EQ(FunctionalDiagnosis::Send(b.Car(), b.Link(), 0x00F), 0x006);
    EXPECT_EQ(b.Car().ABILITAZIONE_DIAGNOSI[0], 0x00F);
    FunctionalDiagnosis::ClearTripped(b.Car(), b.Link());
    EXPECT_EQ(b.Car().EFFETTO_DIAGNOSI[0], 0);
    EXPECT_TRUE(b.ecu.Requests().empty());
}

TEST(DiagnosisFormat, PressureInBarWithFourDigitsOrNotAvailable) {
    const struct {
        int32_t hundredths;
        const char* text;
    } cases[] = {{0, "n.d."},    {1, "0.01 bar"},  {98, "0.98 bar"},
                 {100, "1 bar"}, {250, "2.5 bar"}, {12346, "123.5 bar"}};
    for (const auto& c : cases)
        EXPECT_EQ(FormatPressure(c.hundredths, "bar", "n.d."), c.text) << c.hundredths;
}

TEST(DiagnosisFormat, OperatingTimeFromUnitsOfTwentyMinutes) {
    const struct {
        int32_t units;
        const char* text;
    } cases[] = {{0, "0 ore, 0 minuti"},    {1, "0 ore, 20 minuti"},     {3, "1 ore, 0 minuti"},
                 {37, "12 ore, 20 minuti"}, {512, "170 ore, 40 minuti"}, {65535, "21845 ore, 0 minuti"}};
    for (const auto& c : cases) EXPECT_EQ(FormatOperatingTime(c.units, "ore", "minuti"), c.text) << c.units;
}

}  // namespace
}  // namespace zov::test

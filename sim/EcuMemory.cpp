// The factory content of the simulated ECU: a small petrol car converted to gas, warm and idling,
// with the settings a workshop would typically leave in it.

#include <cmath>

#include "EcuSimulator.h"
#include "EcuVariables.h"

namespace zov::sim {
namespace {

int VoltByte(int hundredths) { return static_cast<int>(hundredths * 255 * 0.002 + 0.5); }
int Period(int rpm) { return rpm ? 7500000 / rpm : 0; }

}  // namespace

void EcuSimulator::BuildMemory() {
    memory_.assign(kVarCount, {});
    for (int i = 0; i < kVarCount; ++i) {
        const VarInfo& info = VarInfoOf(i);
        const size_t width = ElementBytes(info.kind);
        if (IsScalar(info.kind)) memory_[i].assign(width, 0);
        if (IsArray(info.kind)) memory_[i].assign(info.length * width, 0);
        if (IsTable(info.kind)) memory_[i].assign(size_t(TableRows(i)) * info.length * width, 0);
    }
    auto set = [this](int index, int32_t value) { SetValue(index, 0, value); };
    auto fill = [this](int index, int32_t value) {
        for (int i = 0; i < VarInfoOf(index).length; ++i) SetValue(index, i, value);
    };

    // Changeover to gas.
    set(0, 200);                // RITARDO_MASSIMO_CAMBIO, s
    set(1, 0);                  // RITARDO_MINIMO_CAMBIO, s
    set(2, 128);                // changeover from 25 °C (NTC byte)
    set(3, 0);                  // lambda inversions before changeover
    set(4, 0);                  // lambda reference for changeover: not used
    set(5, 400 / 20);           // petrol/gas overlap, 20 ms units
    set(20, Period(2000) | 1);  // changeover speed 2000 rpm, bit 0: in deceleration
    // Over-rev and emulation.
    set(6, 1153);   // over-rev at 6504 rpm
    set(45, 1363);  // back from over-rev at 5502 rpm
    set(8, 1);      // emulation waves
    set(9, 360 / 20);
    set(10, 360 / 20);
    set(21, 0);
    set(78, 4);  // four cylinders
    // Cutoff.
    set(11, 200 / 20);
    set(22, 833);  // cutoff ends at 9003 rpm
    set(33, Period(9000));
    set(32, 16);  // motor fully open in cutoff
    // Closed loop and probe.
    set(18, 50);
    set(19, -50);
    set(30, 40);
    set(31, -40);
    set(75, 70);
    set(14, 3000 / 20);
    set(12, 4);
    set(7, 4);
    set(76, 2);  // 0-1 V probe
    set(25, 18);
    set(24, 33);
    set(26, 15);     // cold probe time, s
    fill(108, 26);   // lambda reference per column, about 0.5 V
    fill(104, 128);  // open-loop options per column
    set(99, 26);
    // Throttle, level sensor, full power.
    set(77, 0);
    set(27, 7);
    set(28, 2);
    set(29, 102);
    set(16, 129);  // level sensor "Ovalix"
    set(15, 4);
    SetValues(109, {19, 36, 56, 69});
    set(95, 255);
    set(96, 750);
    set(97, 200);
    set(98, 0);
    set(63, 37);   // hours on petrol, 20 min units
    set(71, 512);  // hours on gas, 20 min units
    set(57, 87);   // not a MonoBosch throttle
    // Temperature compensation: NTC bytes of 80, 70 ... 10 °C, coefficients 100/c.
    for (int i = 0; i < 8; ++i) SetValue(119, i, EngineModel::CelsiusToRaw(80 - 10 * i));
    SetValues(120, {0, 0, 0, 0, 0, 25, 12, 7, 7});
    // Self-adaptation.
    set(34, 15);
    set(35, 9);
    set(36, 13);
    set(58, 7);
    fill(112, 15);
    fill(113, 40);
    SetValues(114, {2, -1, 0, 3});
    SetValues(115, {4, -2, 1, 0});
    fill(116, 100);
    set(128, 40);
    SetValues(129, {3, -1, 0, 2, 5, -4, 1, 0});
    fill(130, 100);
    // Diagnosis: single words and word pairs.
    set(89, 511);
    set(90, 0);
    set(91, 767);
    set(92, 7);
    set(93, 0);
    set(94, 256);
    SetValues(121, {511, 1023});
    SetValues(123, {767, 193});
    SetValues(124, {7, 0});
    SetValues(126, {256, 768});
    SetValues(127, {0, 0, 0, 10, 5, 5, 8, 8, 8, 5, 8, 250, 8, 30, 214, 5, 153, 5, 1, 100, 30});
    // Registers, identification, version.
    // Self-adaptation on, changeover with a cold probe, and the bits that describe this ECU.
    set(39, 0x03 | (config_.ownRegisterBits & ~kPcRegisterBits));
    set(135, 0);
    set(134, 0);
    set(40, config_.displacement);
    set(41, config_.year);
    set(42, config_.programDate);
    set(46, config_.version);
    set(47, config_.fuel);
    for (int i = 0; i < 40 && i < int(config_.model.size()); ++i)
        SetValue(117, i, static_cast<uint8_t>(config_.model[i]));
    for (int i = 0; i < 40 && i < int(config_.programName.size()); ++i)
        SetValue(118, i, static_cast<uint8_t>(config_.programName[i]));
    set(72, 0x01);  // keep-alive status: running
    set(87, 0);     // no actuator forced
    set(88, 0);
    set(59, 0);

    // Main map: 16 pressure rows x 20 speed columns, growing with load and a little with speed.
    const int rpmAxis[20] = {450,  550,  650,  800,  950,  1150, 1350, 1600, 1850, 2150,
                             2450, 2750, 3100, 3500, 3900, 4350, 4850, 5350, 5900, 6500};
    for (int c = 0; c < 20; ++c) SetValue(111, c, Period(rpmAxis[19 - c]));
    const int mapAxis[16] = {18, 29, 41, 53, 65, 78, 90, 102, 114, 127, 139, 149, 159, 169, 178, 186};
    for (int r = 0; r < 16; ++r) SetValue(105, r, VoltByte(mapAxis[r]));
    for (int r = 0; r < 16; ++r)
        for (int c = 0; c < 20; ++c)
            SetValue(50, r * 20 + c,
                     120 + 24 * r + 6 * c +
                         static_cast<int>(std::lround(15 * std::sin(c * 0.7) * (r + 4) / 20.0)));
    // Map B (values are a quarter of the engineering value) and its axes.
    for (int r = 0; r < 12; ++r)
        for (int c = 0; c < 12; ++c) SetValue(131, r * 12 + c, 200 + 40 * r + 15 * c);
    for (int i = 0; i < 12; ++i) SetValue(133, i, Period(500 * (12 - i)));
    const int mapBAxis[12] = {18, 33, 47, 63, 78, 93, 108, 124, 139, 154, 170, 186};
    for (int i = 0; i < 12; ++i) SetValue(132, i, VoltByte(mapBAxis[i]));
    // On-line learning.
    set(81, 50);
    set(82, 2);
    set(83, 2);
    set(84, 4);
    set(85, 25);

    // Controller gains per column; firmware 200 and later packs both proportional gains in 100.
    for (int c = 0; c < 20; ++c) {
        SetValue(103, c, c < 5 ? 15 : 5);
        SetValue(102, c, c < 5 ? 15 : 5);
        if (config_.version >= 200) {
            SetValue(100, c, c < 16 ? 33 : 49);
            SetValue(101, c, 0);
        } else {
            SetValue(100, c, 1);
            SetValue(101, c, c < 16 ? 2 : 3);
        }
    }
    // Enrichment map: centres and cells (signed, rows = accumulation, columns = speed).
    const int rpmCentres[8] = {800, 1200, 1600, 2000, 2400, 2800, 3200, 3600};
    for (int i = 0; i < 8; ++i) SetValue(110, i, Period(rpmCentres[7 - i]));
    SetValues(106, {8, 24, 40, 56, 72, 88, 104, 120});
    fill(107, 7);
    for (int r = 0; r < kTable51Rows; ++r)
        for (int c = 0; c < 8; ++c) SetValue(51, r * 8 + c, 2 * r - c);
    set(44, 128);
    set(54, 0);
    set(60, 0);
    set(17, 0);
}

}  // namespace zov::sim

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ConfCar.h"
#include "ModelTestSupport.h"

namespace zov {
namespace {

using testing::CarBench;
using testing::EcuWithVersion;
using Vars = std::vector<int>;

bool Contains(const Vars& vars, int var) { return std::find(vars.begin(), vars.end(), var) != vars.end(); }

// ReadFromEcu's reads up to the version-gated part, the same for every ECU.
const Vars kCommonReads = {0,  39, 1,  2,  3,  4,   25,  24,  5,  20, 8,  10, 9,   21, 11,
                           22, 33, 32, 18, 19, 30,  31,  15,  75, 14, 27, 28, 29,  7,  12,
                           26, 16, 78, 76, 77, 108, 104, 109, 47, 40, 41, 46, 117, 118};

Vars Concat(Vars a, const Vars& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(CarReadFromEcu, ReadsInOrderWithTheVersionGates) {
    struct Case {
        int version;
        Vars gated;  // the reads after the identification texts
    };
    const Case cases[] = {
        {3, {42, 90, 89}},
        {9, {6, 45, 71, 63, 119, 120, 42, 90, 89, 91, 92, 93, 94}},
        {44, {6, 45, 71, 63, 119, 120, 42, 95, 96, 97, 98, 90, 89, 91, 92, 93, 94}},
        {199, {6, 45, 71, 63, 119, 120, 42, 95, 96, 97, 98, 90, 89, 91, 92, 93, 94}},
        {200, {6, 45, 71, 63, 119, 120, 42, 95, 96, 97, 98, 99, 134, 135, 90, 89, 91, 92, 93, 94}},
        {208, {6, 45, 71, 63, 119, 120, 42, 95, 96, 97, 98, 99, 134, 135, 127, 90, 89, 91, 92, 93, 94}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("version " + std::to_string(c.version));
        CarBench b(EcuWithVersion(c.version));
        EXPECT_EQ(b.car.ReadFromEcu(), 0);
        EXPECT_EQ(b.ReadVars(), Concat(kCommonReads, c.gated));
        EXPECT_EQ(b.WrittenVars(), Vars{});
        EXPECT_EQ(b.car.VERSIONE_CENTRALINA, c.version);
    }
}

TEST(CarReadFromEcu, StoresTheEcuValuesInModelUnits) {
    CarBench b(EcuWithVersion(208));
    sim::EcuSimulator& ecu = b.ecu;
    ecu.SetValue(5, 0, 21);      // 420 ms
    ecu.SetValue(20, 0, 3001);   // period 3001: changeover in deceleration, 2499 rpm
    ecu.SetValue(33, 0, 0);      // 0 stays 0
    ecu.SetValue(16, 0, 129);    // level-sensor code of index 3
    ecu.SetValue(99, 0, 77);     // one lambda reference for all columns
    ecu.SetValue(134, 0, 0x09);  // MAP sensor kind 2
    ecu.SetValue(135, 0, 1);
    ecu.SetValue(127, 3, 17);
    ecu.SetValue(127, 20, 44);
    ecu.SetValue(58, 0, 11);
    ConfCar& car = b.car;
    car.ReadFromEcu();
    EXPECT_EQ(car.TEMPO_SOVRAPPOSIZIONE, 420);
    EXPECT_EQ(car.CAMBIO_IN_DECELERAZIONE, 1);
    EXPECT_EQ(car.GIRI_MINIMI_PER_CAMBIO, 2499);
    EXPECT_EQ(car.PERIODO_X_APRIRE_ELETTROVALVOLA_IN_CUTOFF, 0);
    EXPECT_EQ(car.TIPO_DI_SENSORE, 3);
    for (int32_t v : car.RIF_LAMBDA) EXPECT_EQ(v, 77);
    EXPECT_EQ(car.PERSONALIZZAZIONE, 0x09);
    EXPECT_EQ(car.TIPO_SENSORE_MAP, 2);
    EXPECT_EQ(car.DEFAULT_REGISTRO_CONFIGURAZIONE_2, 1);
    EXPECT_EQ(car.DDIAGNOSI_TEMPO_INTEGRALE_ESTREMI, 17);
    EXPECT_EQ(car.DTEMPO_LAMBDA_CORTO, 44);
    EXPECT_EQ(car.MODELLO, ecu.Config().model);
    EXPECT_EQ(car.NOME_PROGRAMMA, ecu.Config().programName);
    EXPECT_EQ(car.CILINDRATA, ecu.Config().displacement);
    EXPECT_EQ(car.ANNO_VETTURA, ecu.Config().year);
    EXPECT_EQ(car.DATA_PROGRAMMA, ecu.Config().programDate + 36080.0);
    EXPECT_EQ(car.DEF_TEMPO_DI_EMULAZIONE_ALTO, ecu.Value(10) * 20);
    EXPECT_EQ(car.DEF_GIRI_PER_CUTOFF, ecu.Value(22));
    EXPECT_EQ(car.MIN_ERRORE_LAMBDA, ecu.Value(19));
    EXPECT_EQ(std::vector<int32_t>(std::begin(car.OPENLOOP), std::end(car.OPENLOOP)), ecu.Values(104));
    EXPECT_EQ(std::vector<int32_t>(std::begin(car.TRIF), std::end(car.TRIF)), ecu.Values(119));
    EXPECT_EQ(car.ABILITAZIONE_DIAGNOSI[0], ecu.Value(89));
}

TEST(CarReadFromEcu, FortyCharacterTextsAndTheirEnd) {
    sim::EcuConfig config;
    config.model = std::string(40, 'M');
    config.programName = "AB";
    CarBench b(config);
    b.car.ReadFromEcu();
    EXPECT_EQ(b.car.MODELLO, std::string(40, 'M'));
    EXPECT_EQ(b.car.NOME_PROGRAMMA, "AB");
    int modelReads = 0, nameReads = 0;
    for (const auto& c : b.Commands()) {
        modelReads += c.op == 0x05 && c.var == 117;
        nameReads += c.op == 0x05 && c.var == 118;
    }
    EXPECT_EQ(modelReads, 40);  // never past the 40th element
    EXPECT_EQ(nameReads, 3);    // up to and including the zero
}

TEST(CarReadFromEcu, WordPairsAndCustomisationOfOlderEcus) {
    CarBench b(EcuWithVersion(199));
    b.ecu.SetValue(39, 0, 0x0B);  // the ECU uses the word pairs 121..126
    b.ecu.SetValues(122, {0x21, 0x43});
    b.car.PERSONALIZZAZIONE = 77;
    b.car.DEFAULT_REGISTRO_CONFIGURAZIONE_2 = 1;
    b.car.ReadFromEcu();
    const Vars reads = b.ReadVars();
    EXPECT_EQ(Vars(reads.end() - 6, reads.end()), (Vars{121, 122, 123, 124, 125, 126}));
    for (int var : {89, 90, 91, 92, 93, 94, 99, 127, 134, 135}) EXPECT_FALSE(Contains(reads, var)) << var;
    EXPECT_EQ(b.car.PERSONALIZZAZIONE, 4);  // register bit 3 on a pre-200 ECU
    EXPECT_EQ(b.car.TIPO_SENSORE_MAP, 1);
    EXPECT_EQ(b.car.DEFAULT_REGISTRO_CONFIGURAZIONE_2, 0);
    EXPECT_EQ(b.car.EFFETTO_DIAGNOSI[0], 0x21);
    EXPECT_EQ(b.car.EFFETTO_DIAGNOSI[1], 0x43);
    EXPECT_EQ(b.car.ABILITAZIONE_DIAGNOSI[1], 1023);
}

TEST(CarReadFromEcu, RefusedCustomisationFallsBackToZero) {
    sim::EcuConfig config = EcuWithVersion(208);
    config.faults.refused = {134, 135, 127};
    CarBench b(config);
    b.car.PERSONALIZZAZIONE = 0x08;
    b.car.DEFAULT_REGISTRO_CONFIGURAZIONE_2 = 1;
    b.car.DTPS_A_VCC = 123;
    b.car.ReadFromEcu();
    EXPECT_EQ(b.car.PERSONALIZZAZIONE, 0);
    EXPECT_EQ(b.car.DEFAULT_REGISTRO_CONFIGURAZIONE_2, 0);
    EXPECT_EQ(b.car.TIPO_SENSORE_MAP, 0);
    // A refused block leaves the thresholds as they were.
    EXPECT_EQ(b.car.DTPS_A_VCC, 123);
}

TEST(CarReadFromEcu, WithoutASessionTheModelIsLeftAlone) {
    CarBench b({}, false);
    b.car.MODELLO = "KEEP";
    b.car.RITARDO_MASSIMO_CAMBIO = 123;
    b.car.VERSIONE_CENTRALINA = 200;
    b.car.ReadFromEcu();
    EXPECT_EQ(b.car.MODELLO, "KEEP");
    EXPECT_EQ(b.car.RITARDO_MASSIMO_CAMBIO, 123);
    EXPECT_EQ(b.car.VERSIONE_CENTRALINA, 200);
    EXPECT_EQ(b.car.GIRI_MINIMI_PER_CAMBIO, 2000);
    EXPECT_TRUE(b.ecu.Requests().empty());
}

TEST(CarWriteToEcu, OrderAndVersionGates) {
    const Vars common = {0,  1,  2,  3,  4,  25, 24, 26, 5,  20, 39, 8, 10, 9,  21,  11,  22, 33,
                         32, 18, 19, 30, 31, 15, 75, 14, 27, 28, 29, 7, 12, 16, 108, 109, 104};
    struct Case {
        int version;
        Vars gated;
    };
    const Case cases[] = {
        {2, {}},
        {3, {89}},
        {9, {6, 45, 71, 63, 120, 89, 90}},
        {36, {6, 45, 71, 63, 120, 95, 96, 89, 90}},
        {44, {6, 45, 71, 63, 120, 95, 96, 97, 98, 89, 90}},
        {200, {6, 45, 71, 63, 120, 95, 96, 97, 98, 99, 78, 76, 77, 57, 40, 89, 90}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("version " + std::to_string(c.version));
        CarBench b(EcuWithVersion(c.version));
        b.car.ReadFromEcu();
        b.ecu.ClearRequests();
        EXPECT_EQ(b.car.WriteToEcu(), WriteOutcome::Answered);
        EXPECT_EQ(b.WrittenVars(), Concat(common, c.gated));
        EXPECT_EQ(b.ReadVars(), Vars{39});  // the register merge
    }
}

TEST(CarWriteToEcu, Version3ClearsTheEnableWordAndSkipsTheEffectWord) {
    CarBench b(EcuWithVersion(3));
    b.car.ReadFromEcu();
    b.car.ABILITAZIONE_DIAGNOSI[0] = 0x1FF;
    b.ecu.ClearRequests();
    (void)b.car.WriteToEcu();
    EXPECT_EQ(b.LastWrite(89), (std::vector<uint8_t>{0, 0}));
    EXPECT_EQ(b.ecu.Value(89), 0);
    EXPECT_FALSE(Contains(b.WrittenVars(), 90));
}

TEST(CarWriteToEcu, RegisterMergeKeepsTheEcuBits) {
    CarBench b;
    b.ecu.SetValue(39, 0, 0x18);
    b.car.DEFAULT_REGISTRO_CONFIGURAZIONE = 0x67;
    (void)b.car.WriteToEcu();
    EXPECT_EQ(b.LastWrite(39), (std::vector<uint8_t>{0x7F}));
    EXPECT_EQ(b.ecu.Value(39), 0x7F);
    EXPECT_EQ(b.car.DEFAULT_REGISTRO_CONFIGURAZIONE, 0x7F);

    // The ECU's half comes from the ECU: bits it cleared are cleared in the model too.
    b.ecu.SetValue(39, 0, 0x80);
    b.car.DEFAULT_REGISTRO_CONFIGURAZIONE = 0x1B;
    (void)b.car.WriteToEcu();
    EXPECT_EQ(b.ecu.Value(39), 0x83);
}

TEST(CarWriteToEcu, UnreadableRegisterKeepsTheModelBits) {
    sim::EcuConfig config;
    config.faults.refused = {39};
    CarBench b(config);
    b.car.DEFAULT_REGISTRO_CONFIGURAZIONE = 0x0B;
    (void)b.car.WriteToEcu();
    // Without the ECU's answer the word-pair bit must not be lost.
    EXPECT_EQ(b.car.DEFAULT_REGISTRO_CONFIGURAZIONE, 0x0B);
    EXPECT_TRUE(Contains(b.WrittenVars(), 121));
}

TEST(CarWriteToEcu, ValuesInEcuUnits) {
    CarBench b;
    ConfCar& car = b.car;
    car.TEMPO_SOVRAPPOSIZIONE = 439;  // 21 units of 20 ms
    car.GIRI_MINIMI_PER_CAMBIO = 2500;
    car.CAMBIO_IN_DECELERAZIONE = 1;
    car.PERIODO_X_APRIRE_ELETTROVALVOLA_IN_CUTOFF = 6000;
    car.TIPO_DI_SENSORE = 4;
    car.RIF_LAMBDA[0] = 90;
    car.TIPO_DI_TPS = 2;  // MonoBosch
    car.CILINDRATA = 1998;
    (void)car.WriteToEcu();
    EXPECT_EQ(b.ecu.Value(5), 21);
    EXPECT_EQ(b.ecu.Value(20), 3001);
    EXPECT_EQ(b.ecu.Value(33), 1250);
    EXPECT_EQ(b.ecu.Value(16), 2);
    EXPECT_EQ(b.ecu.Value(99), 90);
    EXPECT_EQ(b.ecu.Value(57), 0);
    EXPECT_EQ(b.ecu.Value(40), 1998);
    car.TIPO_DI_TPS = 0;
    (void)car.WriteToEcu();
    EXPECT_EQ(b.ecu.Value(57), 87);
}

TEST(CarWriteToEcu, ExtendedSettingsAndWordPairs) {
    CarBench b;
    b.car.DEFAULT_REGISTRO_CONFIGURAZIONE_2 = 1;
    b.car.TRIF[0] = 33;
    b.car.DEFAULT_REGISTRO_CONFIGURAZIONE = 0x0B;
    b.ecu.SetValue(39, 0, 0x08);
    b.car.ABILITAZIONE_DIAGNOSI[1] = 0x155;
    (void)b.car.WriteToEcu();
    const Vars written = b.WrittenVars();
    ASSERT_GE(written.size(), 15u);
    EXPECT_EQ(Vars(written.end() - 15, written.end()),
              (Vars{120, 95, 96, 97, 98, 99, 78, 76, 77, 57, 40, 119, 120, 121, 122}));
    EXPECT_EQ(b.ecu.Value(119), 33);
    EXPECT_EQ(b.ecu.Value(121, 1), 0x155);
    EXPECT_FALSE(Contains(written, 89));
    EXPECT_FALSE(Contains(written, 90));
}

TEST(CarWriteToEcu, MappingSubstitutesGoToTheEcu) {
    CarBench b;
    ConfCar& car = b.car;
    car.MAPPATURA_ATTIVA = 1;
    car.USA_SBANANATA_MAPPATURA = 1;
    car.OPENLOOP_MAPPATURA[2] = 5;
    car.GIRI_CUTOFF_MAPPATURA = 700;
    car.PERIODO_SBANANATA_MAPPATURA = 800;
    (void)car.WriteToEcu();
    EXPECT_EQ(b.ecu.Value(22), 700);
    EXPECT_EQ(b.ecu.Value(96), 800);
    EXPECT_EQ(b.ecu.Value(18), 60);
    EXPECT_EQ(b.ecu.Value(30), 60);
    EXPECT_EQ(b.ecu.Value(19), -60);
    EXPECT_EQ(b.ecu.Value(31), -60);
    EXPECT_EQ(b.ecu.Value(104, 2), 5);
    car.USA_CUTOFF_MAPPATURA = 0;
    car.USA_ERRORE_LAMBDA_MAPPATURA = 0;
    (void)car.WriteToEcu();
    EXPECT_EQ(b.ecu.Value(22), 833);
    EXPECT_EQ(b.ecu.Value(30), 40);
}

TEST(CarAdaptation, FourZoneEcu) {
    CarBench b;
    b.ecu.SetValues(115, {1, -2, 3, -4});
    b.car.PASSI_FATTI_AUTOMATICI[6] = 9;
    b.car.ERRORE_MEDIO[5] = 3;
    EXPECT_EQ(b.car.ReadAdaptation(), 0);
    EXPECT_EQ(b.ReadVars(), (Vars{34, 35, 36, 39, 58, 112, 113, 114, 115, 116}));
    EXPECT_EQ(b.car.ADATTATIVITA_ESTESA, 0);
    EXPECT_EQ(std::vector<int32_t>(std::begin(b.car.PASSI_FATTI_AUTOMATICI),
                                   std::end(b.car.PASSI_FATTI_AUTOMATICI)),
              (std::vector<int32_t>{1, -2, 3, -4, 0, 0, 0, 0}));
    EXPECT_EQ(b.car.ERRORE_MEDIO[5], 100);
    EXPECT_EQ(std::vector<int32_t>(std::begin(b.car.MAX_STEPV), std::end(b.car.MAX_STEPV)),
              b.ecu.Values(112));

    b.ecu.ClearRequests();
    b.car.PASSI_FATTI_INSTALLATORE[1] = -7;
    (void)b.car.WriteAdaptation();
    EXPECT_EQ(b.WrittenVars(), (Vars{34, 39, 114, 115}));
    EXPECT_EQ(b.ecu.Value(114, 1), -7);

    b.ecu.ClearRequests();
    EXPECT_EQ(b.car.ResetAdaptation(), WriteOutcome::Answered);
    EXPECT_EQ(b.WrittenVars(), (Vars{114, 115}));
    EXPECT_EQ(b.ecu.Values(114), (std::vector<int32_t>{0, 0, 0, 0}));
    EXPECT_EQ(b.ecu.Values(115), (std::vector<int32_t>{0, 0, 0, 0}));
}

TEST(CarAdaptation, EightZoneKindWhen112IsRefused) {
    sim::EcuConfig config;
    config.eightZoneAdaptation = true;
    CarBench b(config);
    b.ecu.SetValue(128, 0, 33);
    b.ecu.SetValues(129, {1, 2, 3, 4, 5, 6, 7, -8});
    b.ecu.SetValues(130, {90, 91, 92, 93, 94, 95, 96, 97});
    b.car.PASSI_FATTI_INSTALLATORE[2] = 5;
    b.car.ReadAdaptation();
    EXPECT_EQ(b.ReadVars(), (Vars{34, 35, 36, 39, 58, 112, 128, 129, 130}));
    EXPECT_EQ(b.car.ADATTATIVITA_ESTESA, 1);
    EXPECT_EQ(std::vector<int32_t>(std::begin(b.car.MAX_STEPL), std::end(b.car.MAX_STEPL)),
              (std::vector<int32_t>{33, 33, 33, 33}));
    EXPECT_EQ(std::vector<int32_t>(std::begin(b.car.MAX_STEPV), std::end(b.car.MAX_STEPV)),
              (std::vector<int32_t>{0, 0, 0, 0}));
    EXPECT_EQ(b.car.PASSI_FATTI_INSTALLATORE[2], 0);
    EXPECT_EQ(b.car.PASSI_FATTI_AUTOMATICI[7], -8);
    EXPECT_EQ(b.car.ERRORE_MEDIO[7], 97);

    b.ecu.ClearRequests();
    b.car.DEFAULT_REGISTRO_CONFIGURAZIONE_2 = 1;  // extended: 35 and 36 go too
    b.car.TEMPO_VERIFICA_RISULTATI_ADATTO = 12;
    (void)b.car.WriteAdaptation();
    EXPECT_EQ(b.WrittenVars(), (Vars{34, 35, 36, 39, 128, 129, 58}));
    EXPECT_EQ(b.ecu.Value(58), 12);

    b.ecu.ClearRequests();
    EXPECT_EQ(b.car.ResetAdaptation(), WriteOutcome::Answered);
    EXPECT_EQ(b.WrittenVars(), (Vars{129}));
    EXPECT_EQ(b.ecu.Values(129), std::vector<int32_t>(8, 0));
}

TEST(CarMapping, EnterAndLeave) {
    CarBench b;
    ConfCar& car = b.car;
    car.OPENLOOP_MAPPATURA[0] = 0x0C;
    (void)car.EnterMapping();
    EXPECT_EQ(b.WrittenVars(), (Vars{104, 22, 18, 19, 30, 31, 39}));
    EXPECT_EQ(car.MAPPATURA_ATTIVA, 1);
    EXPECT_EQ(car.DEFAULT_REGISTRO_CONFIGURAZIONE & 4, 4);
    EXPECT_EQ(b.ecu.Value(39) & 4, 4);
    EXPECT_EQ(b.ecu.Value(104, 0), 0x0C);
    EXPECT_EQ(b.ecu.Value(22), 750);
    EXPECT_EQ(b.ecu.Value(31), -60);

    b.ecu.ClearRequests();
    (void)car.LeaveMapping();
    EXPECT_EQ(b.WrittenVars(), (Vars{104, 22, 18, 19, 30, 31, 39}));
    EXPECT_EQ(car.MAPPATURA_ATTIVA, 0);
    EXPECT_EQ(car.DEFAULT_REGISTRO_CONFIGURAZIONE & 4, 0);
    EXPECT_EQ(b.ecu.Value(39) & 4, 0);
    EXPECT_EQ(b.ecu.Value(104, 0), 128);
    EXPECT_EQ(b.ecu.Value(22), 833);
    EXPECT_EQ(b.ecu.Value(18), 50);
    EXPECT_EQ(b.ecu.Value(31), -40);
}

TEST(CarMapping, OnlyTheSubstitutesInUse) {
    struct Case {
        int version;
        uint8_t openLoop, cutoff, fullPower, lambda;
        Vars written;
    };
    const Case cases[] = {
        {200, 0, 0, 0, 0, {39}},
        {200, 0, 0, 1, 0, {96, 39}},
        {35, 0, 0, 1, 0, {39}},  // no full-power speed before version 36
        {200, 1, 0, 0, 1, {104, 18, 19, 30, 31, 39}},
    };
    for (const Case& c : cases) {
        CarBench b(EcuWithVersion(c.version));
        b.car.VERSIONE_CENTRALINA = c.version;
        b.car.USA_OPENLOOP_MAPPATURA = c.openLoop;
        b.car.USA_CUTOFF_MAPPATURA = c.cutoff;
        b.car.USA_SBANANATA_MAPPATURA = c.fullPower;
        b.car.USA_ERRORE_LAMBDA_MAPPATURA = c.lambda;
        (void)b.car.EnterMapping();
        EXPECT_EQ(b.WrittenVars(), c.written);
        b.ecu.ClearRequests();
        (void)b.car.LeaveMapping();
        EXPECT_EQ(b.WrittenVars(), c.written);
    }
}

TEST(CarDiagnosis, SingleWordEcu) {
    CarBench b;
    ConfCar& car = b.car;
    b.ecu.SetValue(89, 0, 0x155);
    // Connected: the low word is refreshed and answers for both words.
    EXPECT_EQ(car.GetDiagnosisWord(1, 1), 0x155);
    EXPECT_EQ(car.ABILITAZIONE_DIAGNOSI[1], 1023);
    EXPECT_EQ(b.ReadVars(), (Vars{89}));

    b.ecu.ClearRequests();
    car.SetDiagnosisWord(0, 2, 0x0F);
    car.SetDiagnosisWord(1, 2, 0x33);  // stored only: these ECUs have no high word
    car.SetDiagnosisWord(0, 3, 0x44);  // kinds 3..6 need the extended settings
    EXPECT_EQ(b.WrittenVars(), (Vars{90}));
    EXPECT_EQ(b.ecu.Value(90), 0x0F);
    EXPECT_EQ(car.EFFETTO_DIAGNOSI[1], 0x33);
    EXPECT_EQ(car.DPASSAGGIO_AUTOMATICO_DIAGNOSI[0], 0x44);

    b.ecu.ClearRequests();
    car.DEFAULT_REGISTRO_CONFIGURAZIONE_2 = 1;
    car.SetDiagnosisWord(0, 3, 0x45);
    car.SetDiagnosisWord(0, 6, 0x46);
    EXPECT_EQ(b.WrittenVars(), (Vars{91, 94}));
    EXPECT_EQ(b.ecu.Value(94), 0x46);

    // Kinds and words outside their range.
    b.ecu.ClearRequests();
    car.SetDiagnosisWord(2, 1, 5);
    car.SetDiagnosisWord(0, 7, 5);
    EXPECT_EQ(car.GetDiagnosisWord(0, 0), 0);
    EXPECT_EQ(car.GetDiagnosisWord(3, 1), 0);
    EXPECT_TRUE(b.ecu.Requests().empty());
}

TEST(CarDiagnosis, VersionGatesOfSingleWords) {
    CarBench b(EcuWithVersion(8));
    b.car.VERSIONE_CENTRALINA = 8;
    b.car.DEFAULT_REGISTRO_CONFIGURAZIONE_2 = 1;
    b.car.DDIAGNOSI_FORZATO_IN_OPENLOOP[0] = 77;
    EXPECT_EQ(b.car.GetDiagnosisWord(0, 6), 77);  // 94 needs version 9
    b.car.SetDiagnosisWord(0, 6, 5);
    b.car.SetDiagnosisWord(0, 5, 6);
    EXPECT_EQ(b.WrittenVars(), (Vars{93}));
    EXPECT_EQ(b.ReadVars(), Vars{});
}

TEST(CarDiagnosis, WordPairEcu) {
    CarBench b;
    ConfCar& car = b.car;
    car.DEFAULT_REGISTRO_CONFIGURAZIONE |= 8;
    b.ecu.SetValues(123, {0x11, 0x22});
    EXPECT_EQ(car.GetDiagnosisWord(1, 3), 0x22);
    EXPECT_EQ(car.DPASSAGGIO_AUTOMATICO_DIAGNOSI[1], 0x22);
    car.SetDiagnosisWord(1, 1, 0x3FF);
    car.SetDiagnosisWord(1, 4, 0x1);  // not extended: kinds 3..6 are not written
    EXPECT_EQ(b.ecu.Value(121, 1), 0x3FF);
    car.DEFAULT_REGISTRO_CONFIGURAZIONE_2 = 1;
    car.SetDiagnosisWord(1, 4, 0x2);
    EXPECT_EQ(b.ecu.Value(124, 1), 0x2);
    const auto cmds = b.Commands();
    ASSERT_EQ(cmds.size(), 3u);
    EXPECT_EQ(cmds[0], (CarBench::Command{0x05, 123}));
    EXPECT_EQ(cmds[1], (CarBench::Command{0x0E, 121}));
    EXPECT_EQ(cmds[2], (CarBench::Command{0x0E, 124}));
}

TEST(CarDiagnosis, OfflineGivesTheStoredWords) {
    CarBench b({}, false);
    EXPECT_EQ(b.car.GetDiagnosisWord(1, 1), 1023);
    EXPECT_EQ(b.car.GetDiagnosisWord(0, 1), 511);
    b.car.SetDiagnosisWord(1, 6, 0x12345);
    EXPECT_EQ(b.car.DDIAGNOSI_FORZATO_IN_OPENLOOP[1], 0x2345);
    EXPECT_TRUE(b.ecu.Requests().empty());
}

}  // namespace
}  // namespace zov

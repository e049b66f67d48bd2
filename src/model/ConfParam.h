#pragma once

#include <cstdint>
#include <string>

#include "IoBaseData.h"
#include "RefusalLog.h"
#include "WriteOutcome.h"

namespace zov {

class ComInj;
class ConfCar;
class Prompter;

// The control parameters of the ECU: integral and proportional gains of the gas-flow controller
// per main-map speed column, the decrement of the TPS accumulation ("cumulo"), and the 8 x 8
// enrichment map on throttle transients with its centres and idle-enrichment settings.
//
// Layouts follow the vehicle configuration's VERSIONE_CENTRALINA at the moment of each access:
// from version 200 on, PRGS holds both proportional gains (opening in bits 4-7, closing in
// bits 0-3) and PRGI is unused; before, PRGI and PRGS hold one gain each.
//
// Numbered keys are arrays named after their stem (CTG_0 .. CTG_7 -> CTG[8]). The enrichment
// map CT is held [row][column]: row = accumulation centre, column = speed centre.
class ConfParam : public IoBaseData {
  public:
    static constexpr int kCols = 20;        // main-map speed columns
    static constexpr int kCentres = 8;      // enrichment map is kCentres x kCentres
    static constexpr int kLineCount = 172;  // lines of filepar0.dat
    static constexpr int kGainOpening = 5;  // "PRGI"
    static constexpr int kGainClosing = 6;  // "PRGS"

    static constexpr const char* kFileCaption = "Gestione File di Parametri";
    static constexpr const char* kObsoleteQuestion =
        "Attenzione il file di parametri appena caricato \xE8 obsoleto.\n"
        "Aggiornarlo coi nuovi parametri di default?";
    static constexpr const char* kObsoleteInfo = "Sono stati aggiunti o modificati i seguenti parametri:\n";
    static constexpr const char* kCentresCaption = "Provedere a ripristinare valori corretti";
    static constexpr const char* kRpmCentresMessage =
        "I centri celle giri della mappa TPS sono malposizionati!";
    static constexpr const char* kCumuloCentresMessage =
        "I centri celle cumulo della mappa TPS sono malposizionati!";

    // Reads car.VERSIONE_CENTRALINA for the default gain layout.
    ConfParam(ComInj& link, ConfCar& car, const std::string& fileName, Prompter& prompter);

    // One variable group (100..103, 106, 107, 110, 51, 17, 44, 54, 60; others do nothing).
    // The result of the last command.
    int32_t ReadFromEcu(int var);
    WriteOutcome WriteToEcu(int var);

    // Proportional gain of column i (0..19), kind kGainOpening or kGainClosing; 0 otherwise.
    int32_t GetGain(int i, int kind) const;
    // Stores and sends the element at once. The result of the write; 0 when ignored.
    int32_t SetGain(int i, int kind, int32_t x);

    // -1 outside 0..7.
    int32_t GetEnrichment(int row, int col) const;
    // Clamps (-127..127 from version 200 on, else 0..255), stores, sends the cell. The result of
    // the write, -1 outside.
    int32_t SetEnrichment(int row, int col, int32_t x);
    int32_t GetRpmCentre(int i) const;
    int32_t GetCumuloCentre(int i) const;

    // Variables 17, 44, 54, 60; -1 for any other.
    int32_t GetScalar(int var) const;
    // Stores and sends (17 from version 4, the others from version 10): -1 for those four,
    // 0 and nothing changed for any other.
    int32_t SetScalar(int var, int32_t x);

    // 1 when both centre lists increase; otherwise warns through the prompter and returns 0.
    int CheckCentres();

    // The map editor's mapping sequence calls these; the parameters take no part in it.
    void EnterMapping() {}
    void LeaveMapping() {}

    // A parameter file as read and checked, before anything of it reaches the model.
    struct DefinitionImage {
        static constexpr int kTailCount = 4;  // the idle-enrichment entries older files lack
        int32_t ctg[kCentres] = {}, ctc[kCentres] = {}, ct[kCentres][kCentres] = {};
        int32_t aprg[kCols] = {}, chsg[kCols] = {}, prgs[kCols] = {}, prgi[kCols] = {}, dec[8] = {};
        int32_t tail[kTailCount] = {};
        bool tailFound[kTailCount] = {};
    };

    // Reads and checks the whole file at `path` into `image`; the model is not touched. An older
    // file is reported obsolete with the entries it lacks.
    static LoadResult ParseDefinitionFile(const std::string& path, DefinitionImage& image);
    // Stores a checked file into the model and offers to upgrade an obsolete one (asking through
    // the prompter; the outcome lands in `result`). Nothing is sent.
    void TakeDefinition(const DefinitionImage& image, LoadResult& result);
    // The same, sending each group to the ECU as it is stored (the gains element by element, as
    // SetGain sends them): the order a configuration load has on the wire.
    WriteOutcome LoadDefinition(const DefinitionImage& image, LoadResult& result);
    // Sends what a stored file brings, group by group.
    WriteOutcome WriteDefinitionToEcu();
    // Parses the file set with SetFileName and, when it is sound, stores it. Nothing is sent:
    // the caller decides whether and when the ECU gets it (WriteDefinitionToEcu).
    LoadResult ReadDefinitionFile();
    // True when every line reached the disk; the old file stays intact otherwise.
    bool WriteDefinitionFile();

    // DEF_FASCIA_GIRI_ARR_MINIMO (low nibble) and DEF_FASCIA_CUMULO_ARR_MINIMO (high nibble) of
    // the idle bands byte.
    int32_t IdleRpmBands() const { return VARIABILE_44 & 0x0F; }
    int32_t IdleCumuloBands() const { return (VARIABILE_44 >> 4) & 0x0F; }

    int32_t DEC[8];                              // var 107, units of 5 ms
    int32_t APRG[kCols];                         // var 103, integral gain opening
    int32_t CHSG[kCols];                         // var 102, integral gain closing
    int32_t PRGI[kCols] = {};                    // var 101 (version < 200), proportional gain opening
    int32_t PRGS[kCols];                         // var 100, proportional gain closing (both from version 200)
    int32_t CENTRI_GIRI_TPS[kCentres];           // rpm, increasing
    int32_t CTG[kCentres];                       // var 110, the same centres as periods, highest speed first
    int32_t CTC[kCentres];                       // var 106, accumulation centres
    int32_t CT[kCentres][kCentres] = {};         // var 51, signed bytes
    int32_t VARIABILE_44 = 128;                  // var 44, idle bands byte
    int32_t DEF_PASSI_ARRICCHIMENTO_MINIMO = 0;  // var 54
    int32_t DEF_TEMPO_SOVRAPPRESSIONE = 0;       // var 60, units of 20 ms
    int32_t VARIABILE_17 = 0;                    // var 17, signed byte

    // What the ECU refused of the ReadFromEcu calls since the last ClearRefusals.
    const RefusalLog& Refusals() const { return refusals_; }
    void ClearRefusals() { refusals_.Clear(); }
    void ClearRefusedWrites() { refusals_.ClearWrites(); }

  private:
    // Stores a gain as SetGain does, without sending; the variable that holds it (100 or 101),
    // 0 for a bad index or kind.
    int StoreGain(int i, int kind, int32_t x);
    WriteOutcome StoreDefinition(const DefinitionImage& image, bool send);
    // SetGain's store and write, with the write's outcome.
    WriteOutcome SendGain(int i, int kind, int32_t x);
    // Variables 44, 54, 60, on the versions that have them.
    WriteOutcome SendIdleValues();
    // Asks whether an obsolete file is to be rewritten, and rewrites it.
    void OfferUpgrade(LoadResult& result);
    // ReadVar of an array or table, noting a refusal.
    int32_t ReadArray(int var, int32_t* values);
    int Version() const;
    bool Delivered() const;
    void CentresFromPeriods();

    ComInj& link_;
    ConfCar& car_;
    RefusalLog refusals_;
    Prompter& prompter_;
};

}  // namespace zov

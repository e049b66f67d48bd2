#include "ConfParam.h"

#include <algorithm>
#include <string>

#include "ComInj.h"
#include "ConfCar.h"
#include "Prompter.h"

namespace zov {
namespace {

constexpr int32_t kDefaultRpmCentres[ConfParam::kCentres] = {800, 1200, 1600, 2000, 2400, 2800, 3200, 3600};
constexpr int32_t kDefaultCumuloCentres[ConfParam::kCentres] = {8, 24, 40, 56, 72, 88, 104, 120};

}  // namespace

ConfParam::ConfParam(ComInj& link, ConfCar& car, const std::string& fileName, Prompter& prompter)
    : IoBaseData(fileName), link_(link), car_(car), prompter_(prompter) {
    std::fill(std::begin(DEC), std::end(DEC), 7);
    for (int i = 0; i < kCols; ++i) {
        APRG[i] = i < 5 ? 15 : 5;
        CHSG[i] = i < 5 ? 15 : 5;
        if (Version() >= 200) {
            PRGS[i] = i < 16 ? 0x21 : 0x31;
        } else {
            PRGI[i] = i < 16 ? 2 : 3;
            PRGS[i] = 1;
        }
    }
    for (int i = 0; i < kCentres; ++i) {
        CENTRI_GIRI_TPS[i] = kDefaultRpmCentres[i];
        CTG[kCentres - 1 - i] = ConfCar::Period(kDefaultRpmCentres[i]);
        CTC[i] = kDefaultCumuloCentres[i];
    }
}

int ConfParam::Version() const { return car_.VERSIONE_CENTRALINA; }

bool ConfParam::Delivered() const { return link_.IsConnected() && !(link_.ErrorFlags() & ERR_NOT_AVAILABLE); }

void ConfParam::CentresFromPeriods() {
    for (int i = 0; i < kCentres && CTG[i] != 0; ++i)
        CENTRI_GIRI_TPS[kCentres - 1 - i] = ConfCar::Period(CTG[i]);
}

int32_t ConfParam::ReadArray(int var, int32_t* values) {
    const int32_t result = link_.ReadVar(var, values);
    refusals_.Check(link_, var);
    return result;
}

int32_t ConfParam::ReadFromEcu(int var) {
    switch (var) {
        case 100:
            return ReadArray(100, PRGS);
        case 101:
            return Version() >= 200 ? 0 : ReadArray(101, PRGI);
        case 102:
            return ReadArray(102, CHSG);
        case 103:
            return ReadArray(103, APRG);
        case 106:
            return ReadArray(106, CTC);
        case 107:
            return ReadArray(107, DEC);
        case 110: {
            const int32_t result = ReadArray(110, CTG);
            if (Delivered()) CentresFromPeriods();
            return result;
        }
        case 51: {
            int32_t result = 0;
            for (int r = 0; r < kCentres; ++r) {
                result = link_.ReadVarElement(51, r, CT[r]);
                refusals_.Check(link_, 51);
            }
            return result;
        }
        case 17:
        case 44:
        case 54:
        case 60: {
            int32_t* field = var == 17   ? &VARIABILE_17
                             : var == 44 ? &VARIABILE_44
                             : var == 54 ? &DEF_PASSI_ARRICCHIMENTO_MINIMO
                                         : &DEF_TEMPO_SOVRAPPRESSIONE;
            const int32_t v = link_.ReadVar(var, nullptr);
            refusals_.Check(link_, var);
            // A refused variable or a lost session reads as 0: keep what the model had.
            if (Delivered()) *field = v;
            return v;
        }
        default:
            return 0;
    }
}

WriteOutcome ConfParam::WriteToEcu(int var) {
    auto write = [&](WriteOutcome outcome) { return refusals_.Written(var, outcome); };
    switch (var) {
        case 100:
            return write(link_.WriteArray(100, PRGS));
        case 101:
            return Version() >= 200 ? WriteOutcome::Answered : write(link_.WriteArray(101, PRGI));
        case 102:
            return write(link_.WriteArray(102, CHSG));
        case 103:
            return write(link_.WriteArray(103, APRG));
        case 106:
            return write(link_.WriteArray(106, CTC));
        case 107:
            return write(link_.WriteArray(107, DEC));
        case 110:
            return write(link_.WriteArray(110, CTG));
        case 51: {
            WriteOutcome outcome = WriteOutcome::Answered;
            for (int r = 0; r < kCentres; ++r)
                outcome = Worse(outcome, write(link_.WriteTableRow(51, r, CT[r])));
            return outcome;
        }
        case 17:
            return write(link_.WriteVar(17, VARIABILE_17));
        case 44:
            return write(link_.WriteVar(44, VARIABILE_44));
        case 54:
            return write(link_.WriteVar(54, DEF_PASSI_ARRICCHIMENTO_MINIMO));
        case 60:
            return write(link_.WriteVar(60, DEF_TEMPO_SOVRAPPRESSIONE));
        default:
            return WriteOutcome::Answered;
    }
}

int32_t ConfParam::GetGain(int i, int kind) const {
    if (i < 0 || i >= kCols) return 0;
    if (Version() >= 200) {
        if (kind == kGainOpening) return (PRGS[i] >> 4) & 0x0F;
        if (kind == kGainClosing) return PRGS[i] & 0x0F;
        return 0;
    }
    if (kind == kGainOpening) return PRGI[i];
    if (kind == kGainClosing) return PRGS[i];
    return 0;
}

int32_t ConfParam::SetGain(int i, int kind, int32_t x) {
    return SendGain(i, kind, x) == WriteOutcome::Answered;
}

WriteOutcome ConfParam::SendGain(int i, int kind, int32_t x) {
    const int var = StoreGain(i, kind, x);
    if (var == 0) return WriteOutcome::Refused;
    return refusals_.Written(var, link_.WriteVarElement(var, i, var == 100 ? PRGS[i] : PRGI[i]));
}

int ConfParam::StoreGain(int i, int kind, int32_t x) {
    if (i < 0 || i >= kCols || (kind != kGainOpening && kind != kGainClosing)) return 0;
    if (Version() >= 200) {
        const int32_t n = x < 16 ? (x & 0x0F) : 15;
        PRGS[i] = kind == kGainOpening ? (PRGS[i] & 0x0F) | (n << 4) : (PRGS[i] & 0xF0) | n;
        return 100;
    }
    if (kind == kGainOpening) {
        PRGI[i] = x & 0xFF;
        return 101;
    }
    PRGS[i] = x & 0xFF;
    return 100;
}

int32_t ConfParam::GetEnrichment(int row, int col) const {
    if (row < 0 || row >= kCentres || col < 0 || col >= kCentres) return -1;
    return CT[row][col];
}

int32_t ConfParam::SetEnrichment(int row, int col, int32_t x) {
    if (row < 0 || row >= kCentres || col < 0 || col >= kCentres) return -1;
    x = Version() >= 200 ? std::clamp(x, -127, 127) : std::clamp(x, 0, 255);
    CT[row][col] = x;
    return refusals_.Written(51, link_.WriteTableCell(51, row, col, x)) == WriteOutcome::Answered;
}

int32_t ConfParam::GetRpmCentre(int i) const { return i >= 0 && i < kCentres ? CENTRI_GIRI_TPS[i] : -1; }

int32_t ConfParam::GetCumuloCentre(int i) const { return i >= 0 && i < kCentres ? CTC[i] : -1; }

int32_t ConfParam::GetScalar(int var) const {
    switch (var) {
        case 17:
            return VARIABILE_17;
        case 44:
            return VARIABILE_44;
        case 54:
            return DEF_PASSI_ARRICCHIMENTO_MINIMO;
        case 60:
            return DEF_TEMPO_SOVRAPPRESSIONE;
        default:
            return -1;
    }
}

int32_t ConfParam::SetScalar(int var, int32_t x) {
    switch (var) {
        case 17:
            VARIABILE_17 = int8_t(x);
            // A refusal is in the log, where the editor's store finds it.
            if (Version() >= 4) (void)WriteToEcu(17);
            return -1;
        case 44:
        case 54:
        case 60:
            (var == 44   ? VARIABILE_44
             : var == 54 ? DEF_PASSI_ARRICCHIMENTO_MINIMO
                         : DEF_TEMPO_SOVRAPPRESSIONE) = x;
            if (Version() >= 10) (void)WriteToEcu(var);
            return -1;
        default:
            return 0;
    }
}

int ConfParam::CheckCentres() {
    auto increasing = [](const int32_t* v) {
        for (int k = 0; k + 1 < kCentres; ++k)
            if (uint32_t(v[k]) >= uint32_t(v[k + 1])) return false;
        return true;
    };
    const char* text = !increasing(CENTRI_GIRI_TPS) ? kRpmCentresMessage
                       : !increasing(CTC)           ? kCumuloCentresMessage
                                                    : nullptr;
    if (!text) return 1;
    prompter_.Ask(text, kCentresCaption, PromptIcon::Warning, PromptButtons::Ok);
    return 0;
}

namespace {

// Older files end before the idle-enrichment entries; those get defaults.
struct IdleEntry {
    const char* key;
    int32_t hi;
    const char* report;
};
constexpr IdleEntry kIdleEntries[ConfParam::DefinitionImage::kTailCount] = {
    {"DEF_FASCIA_GIRI_ARR_MINIMO", 0x0F, "- Fasce giri di arricchimento al minimo (a)"},
    {"DEF_FASCIA_CUMULO_ARR_MINIMO", 0x0F, "- Fasce cumulo di arricchimento al minimo (a)"},
    {"DEF_PASSI_ARRICCHIMENTO_MINIMO", IoBaseData::kByteMax, "- Passi di arricchimento al minimo (a)"},
    {"DEF_TEMPO_SOVRAPPRESSIONE", IoBaseData::kByteMax, "- Tempo di sovrapressione (a)"},
};

}  // namespace

ConfParam::LoadResult ConfParam::ParseDefinitionFile(const std::string& path, DefinitionImage& img) {
    LoadResult result;
    IoBaseData file(path);
    if (file.OpenForReading() != 0) return result;
    result.opened = true;

    DefinitionReader in(file);
    for (int i = 0; i < kCentres && !in.Failed(); ++i)
        in.Take(NumberedKey("CTG_", i), 0, kWordMax, img.ctg[i]);
    for (int i = 0; i < kCentres && !in.Failed(); ++i)
        in.Take(NumberedKey("CTC_", i), 0, kByteMax, img.ctc[i]);
    // Signed bytes from the ECU, whole bytes on ECUs before version 200.
    for (int c = 0; c < kCentres && !in.Failed(); ++c)
        for (int r = 0; r < kCentres && !in.Failed(); ++r)
            in.Take(NumberedKey("CT_", c, r), -128, kByteMax, img.ct[r][c]);
    for (int i = 0; i < kCols && !in.Failed(); ++i)
        in.Take(NumberedKey("APRG_", i), 0, kByteMax, img.aprg[i]);
    for (int i = 0; i < kCols && !in.Failed(); ++i)
        in.Take(NumberedKey("CHSG_", i), 0, kByteMax, img.chsg[i]);
    for (int i = 0; i < kCols && !in.Failed(); ++i)
        in.Take(NumberedKey("PRGS_", i), 0, kByteMax, img.prgs[i]);
    for (int i = 0; i < kCols && !in.Failed(); ++i)
        in.Take(NumberedKey("PRGI_", i), 0, kByteMax, img.prgi[i]);
    for (int i = 0; i < 8 && !in.Failed(); ++i) in.Take(NumberedKey("DEC_", i), 0, kByteMax, img.dec[i]);
    for (int k = 0; k < DefinitionImage::kTailCount && !in.Failed(); ++k) {
        const IdleEntry& e = kIdleEntries[k];
        img.tailFound[k] = in.Next(e.key, 0, e.hi, img.tail[k]) == DefinitionReader::Entry::Value;
    }
    file.CloseReading();
    if (in.Failed()) {
        result.rejected = true;
        result.error = in.Error();
        return result;
    }
    for (int k = 0; k < DefinitionImage::kTailCount; ++k) {
        if (img.tailFound[k]) continue;
        result.report.push_back(kIdleEntries[k].report);
        result.obsolete = true;
    }
    return result;
}

WriteOutcome ConfParam::StoreDefinition(const DefinitionImage& img, bool send) {
    WriteOutcome outcome = WriteOutcome::Answered;
    auto sendGroup = [&](int var) {
        if (send) outcome = Worse(outcome, WriteToEcu(var));
    };
    auto gain = [&](int i, int kind, int32_t x) {
        if (send)
            outcome = Worse(outcome, SendGain(i, kind, x));
        else
            StoreGain(i, kind, x);
    };
    std::copy(std::begin(img.ctg), std::end(img.ctg), CTG);
    CentresFromPeriods();
    sendGroup(110);
    std::copy(std::begin(img.ctc), std::end(img.ctc), CTC);
    sendGroup(106);
    std::copy(&img.ct[0][0], &img.ct[0][0] + kCentres * kCentres, &CT[0][0]);
    sendGroup(51);
    std::copy(std::begin(img.aprg), std::end(img.aprg), APRG);
    sendGroup(103);
    std::copy(std::begin(img.chsg), std::end(img.chsg), CHSG);
    sendGroup(102);
    for (int i = 0; i < kCols; ++i) gain(i, kGainClosing, img.prgs[i]);
    sendGroup(100);
    for (int i = 0; i < kCols; ++i) gain(i, kGainOpening, img.prgi[i]);
    sendGroup(101);
    std::copy(std::begin(img.dec), std::end(img.dec), DEC);
    sendGroup(107);

    const bool* found = img.tailFound;
    VARIABILE_44 = found[0] ? img.tail[0] | (VARIABILE_44 & 0xF0) : VARIABILE_44 & 0xF0;
    VARIABILE_44 = (VARIABILE_44 & 0x0F) | ((found[1] ? img.tail[1] : 8) << 4);
    DEF_PASSI_ARRICCHIMENTO_MINIMO = found[2] ? img.tail[2] : 0;
    DEF_TEMPO_SOVRAPPRESSIONE = found[3] ? img.tail[3] : 0;
    return send ? Worse(outcome, SendIdleValues()) : outcome;
}

WriteOutcome ConfParam::SendIdleValues() {
    if (Version() != 0 && Version() <= 9) return WriteOutcome::Answered;
    WriteOutcome outcome = WriteToEcu(44);
    outcome = Worse(outcome, WriteToEcu(54));
    return Worse(outcome, WriteToEcu(60));
}

void ConfParam::OfferUpgrade(LoadResult& result) {
    if (!result.obsolete || prompter_.Ask(kObsoleteQuestion, kFileCaption, PromptIcon::Warning,
                                          PromptButtons::YesNo) != PromptAnswer::Yes)
        return;
    if (WriteDefinitionFile()) {
        result.rewritten = true;
        std::string text = kObsoleteInfo;
        for (size_t k = 0; k < result.report.size(); ++k) text += (k ? "\n" : "") + result.report[k];
        prompter_.Ask(text, kFileCaption, PromptIcon::Information, PromptButtons::Ok);
    } else {
        result.rewriteFailed = true;
    }
}

void ConfParam::TakeDefinition(const DefinitionImage& img, LoadResult& result) {
    // Nothing is sent, so nothing can be refused.
    (void)StoreDefinition(img, false);
    OfferUpgrade(result);
}

WriteOutcome ConfParam::LoadDefinition(const DefinitionImage& img, LoadResult& result) {
    const WriteOutcome outcome = StoreDefinition(img, true);
    OfferUpgrade(result);
    return outcome;
}

WriteOutcome ConfParam::WriteDefinitionToEcu() {
    WriteOutcome outcome = WriteOutcome::Answered;
    for (int var : {110, 106, 51, 103, 102, 100, 101, 107}) outcome = Worse(outcome, WriteToEcu(var));
    return Worse(outcome, SendIdleValues());
}

ConfParam::LoadResult ConfParam::ReadDefinitionFile() {
    DefinitionImage img;
    LoadResult result = ParseDefinitionFile(GetFileName(), img);
    if (result.opened && !result.rejected) TakeDefinition(img, result);
    return result;
}

bool ConfParam::WriteDefinitionFile() {
    return WriteAtomically([this] {
        for (int i = 0; i < kCentres; ++i) WriteDefine(CTG[i], NumberedKey("CTG_", i));
        for (int i = 0; i < kCentres; ++i) WriteDefine(CTC[i], NumberedKey("CTC_", i));
        for (int c = 0; c < kCentres; ++c)
            for (int r = 0; r < kCentres; ++r) WriteDefine(CT[r][c], NumberedKey("CT_", c, r));
        for (int i = 0; i < kCols; ++i) WriteDefine(APRG[i], NumberedKey("APRG_", i));
        for (int i = 0; i < kCols; ++i) WriteDefine(CHSG[i], NumberedKey("CHSG_", i));
        for (int i = 0; i < kCols; ++i) WriteDefine(GetGain(i, kGainClosing), NumberedKey("PRGS_", i));
        for (int i = 0; i < kCols; ++i) WriteDefine(GetGain(i, kGainOpening), NumberedKey("PRGI_", i));
        for (int i = 0; i < 8; ++i) WriteDefine(DEC[i], NumberedKey("DEC_", i));
        WriteDefine(IdleRpmBands(), "DEF_FASCIA_GIRI_ARR_MINIMO");
        WriteDefine(IdleCumuloBands(), "DEF_FASCIA_CUMULO_ARR_MINIMO");
        WriteDefine(DEF_PASSI_ARRICCHIMENTO_MINIMO, "DEF_PASSI_ARRICCHIMENTO_MINIMO");
        WriteDefine(DEF_TEMPO_SOVRAPPRESSIONE, "DEF_TEMPO_SOVRAPPRESSIONE");
    });
}

}  // namespace zov

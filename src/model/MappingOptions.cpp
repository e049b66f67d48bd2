#include "MappingOptions.h"

#include <cerrno>
#include <cstdlib>
#include <sstream>

namespace zov {

const std::array<MappingOptionRow, kMappingOptionCount>& MappingOptionTable() {
    static const MappingOptions d;
    static const std::array<MappingOptionRow, kMappingOptionCount> table{{
        {"min-samples", "samples", &MappingOptions::minSamples, d.minSamples, 1, 200, "LabelMinCampioni",
         "Campioni minimi per punto"},
        {"min-span-ms", "ms", &MappingOptions::minSpanMs, d.minSpanMs, 0, 60000, "LabelDurataMinima",
         "Durata minima del punto (ms)"},
        {"lambda-still-ms", "ms", &MappingOptions::lambdaStillMs, d.lambdaStillMs, 200, 60000,
         "LabelLambdaFerma", "Lambda ferma oltre (ms)"},
        {"integrator-limit", "corrector units", &MappingOptions::integratorLimit, d.integratorLimit, 1, 127,
         "LabelLimiteIntegratore", "Limite del correttore"},
        {"tps-rate", "hundredths of a volt per second", &MappingOptions::tpsRate, d.tpsRate, 1, 10000,
         "LabelVelocitaTps", "Variazione TPS massima (cV/s)"},
        {"map-rate", "hundredths of a volt per second", &MappingOptions::mapRate, d.mapRate, 1, 10000,
         "LabelVelocitaMap", "Variazione MAP massima (cV/s)"},
        {"enrichment-hold-ms", "ms", &MappingOptions::enrichmentHoldMs, d.enrichmentHoldMs, 0, 60000,
         "LabelArricchimentoMs", "Durata arricchimento (ms)"},
        {"reducer-min-c", "degrees Celsius", &MappingOptions::reducerMinC, d.reducerMinC, -40, 120,
         "LabelTempMinRiduttore", "Temperatura minima riduttore"},
        {"edge-percent", "percent of the cell", &MappingOptions::edgePercent, d.edgePercent, 0, 50,
         "LabelBordoZona", "Distanza dal bordo zona (%)"},
        {"max-change", "percent", &MappingOptions::maxChangePct, d.maxChangePct, 1, 1000,
         "LabelVariazioneMax", "Variazione massima cella (%)"},
    }};
    return table;
}

const MappingOptionRow* FindMappingOption(const std::string& key) {
    for (const MappingOptionRow& option : MappingOptionTable())
        if (key == option.key) return &option;
    return nullptr;
}

std::optional<int> ParseMappingOption(const MappingOptionRow& option, const std::string& text) {
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || v < option.min || v > option.max) return std::nullopt;
    return int(v);
}

MappingOptions MappingOptionsFromText(const std::string& text) {
    MappingOptions options;
    std::istringstream in(text);
    std::string pair;
    while (std::getline(in, pair, ';')) {
        // The file's line end (and any blank around a pair) is no part of a value.
        const size_t first = pair.find_first_not_of(" \t\r\n");
        const size_t last = pair.find_last_not_of(" \t\r\n");
        pair = first == std::string::npos ? std::string() : pair.substr(first, last - first + 1);
        const size_t eq = pair.find('=');
        if (eq == std::string::npos) continue;
        const MappingOptionRow* option = FindMappingOption(pair.substr(0, eq));
        if (!option) continue;
        if (const std::optional<int> v = ParseMappingOption(*option, pair.substr(eq + 1)))
            options.*option->field = *v;
    }
    return options;
}

std::string MappingOptionsText(const MappingOptions& options) {
    std::string text;
    for (const MappingOptionRow& option : MappingOptionTable()) {
        if (!text.empty()) text += ';';
        text += std::string(option.key) + "=" + std::to_string(options.*option.field);
    }
    return text;
}

}  // namespace zov

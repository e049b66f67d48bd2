#pragma once

#include <string>

namespace zov {

// A datalog column as the viewer names it: the dictionary row with its name and unit, and the
// built-in text used without a dictionary.
struct LogChannelText {
    const char* column;
    const char* identifier;
    const char* fallback;
};

inline constexpr int kLogChannelTextLength = 40;

inline constexpr LogChannelText kLogChannelTexts[] = {
    {"rpm", "CanaleGiri", "Giri motore (rpm)"},
    {"lambda_v", "CanaleLambda", "Sonda lambda (V)"},
    {"tps_v", "CanaleTps", "Farfalla TPS (V)"},
    {"map_bar", "CanaleMap", "Pressione collettore (bar)"},
    {"integrator1", "CanaleIntegratore1", "Integratore 1"},
    {"integrator2", "CanaleIntegratore2", "Integratore 2"},
    {"target", "CanaleObiettivo", "Obiettivo"},
    {"cumulo", "CanaleCumulo", "Cumulo"},
    {"opening", "CanaleApertura", "Apertura"},
    {"enrichment", "CanaleArricchimento", "Arricchimento"},
    {"status", "CanaleStato", "Stato"},
    {"reducer_temp_c", "CanaleTempRiduttore", "Temperatura riduttore (\u00B0C)"},
    {"reducer_pressure_bar", "CanalePressRiduttore", "Pressione riduttore (bar)"},
    {"level", "CanaleLivello", "Livello"},
    {"cell_value", "CanaleValoreCella", "Valore cella"},
    {"cell_deviation", "CanaleScartoCella", "Scarto cella"},
};

// The row of a column; none for a column the program does not know (shown by its own name).
const LogChannelText* LogChannelTextOf(const std::string& column);

}  // namespace zov

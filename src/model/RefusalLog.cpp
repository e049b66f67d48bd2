#include "RefusalLog.h"

#include <algorithm>
#include <utility>

#include "ComInj.h"

namespace zov {

void RefusalLog::Check(const ComInj& link, int var) {
    if (!link.IsConnected() || !(link.ErrorFlags() & ERR_NOT_AVAILABLE)) return;
    if (std::find(vars_.begin(), vars_.end(), var) == vars_.end()) vars_.push_back(var);
}

WriteOutcome RefusalLog::Written(int var, WriteOutcome outcome) {
    if (outcome == WriteOutcome::Refused && std::find(writes_.begin(), writes_.end(), var) == writes_.end())
        writes_.push_back(var);
    return outcome;
}

void RefusalLog::Forget(int var) { vars_.erase(std::remove(vars_.begin(), vars_.end(), var), vars_.end()); }

std::vector<std::string> RefusalLines(const std::vector<int>& vars) {
    std::vector<std::string> lines;
    for (int var : vars) lines.push_back(std::to_string(var) + " (" + VariableName(var) + ")");
    return lines;
}

std::vector<std::string> RefusalConsoleLines(const std::vector<int>& vars) {
    std::vector<std::string> lines;
    for (int var : vars) lines.push_back("refused: " + std::to_string(var) + " " + VariableName(var));
    return lines;
}

std::string RefusalText(const std::string& heading, const std::vector<int>& vars) {
    std::string text = heading;
    for (const std::string& line : RefusalLines(vars)) text += "\n" + line;
    return text;
}

const char* VariableName(int var) {
    static constexpr std::pair<int, const char*> kNames[] = {
        {0, "RITARDO_MASSIMO_CAMBIO"},
        {1, "RITARDO_MINIMO_CAMBIO"},
        {2, "TEMPERATURA_MINIMA_PER_CAMBIO"},
        {3, "NUMERO_INVERSIONI_PER_CAMBIO"},
        {4, "RIF_LAMBDA_PER_CAMBIO"},
        {5, "TEMPO_SOVRAPPOSIZIONE"},
        {6, "GIRI_PER_FUORI_GIRI"},
        {7, "FASCIA_GIRI_X_MINIMO"},
        {8, "DEF_NUMERO_ONDE_EMULAZIONE"},
        {9, "DEF_TEMPO_DI_EMULAZIONE_BASSO"},
        {10, "DEF_TEMPO_DI_EMULAZIONE_ALTO"},
        {11, "DEF_RITARDO_INNESCO_CUTOFF"},
        {12, "MINIMO_CUMULO_TPS_PER_ARR"},
        {14, "RITARDO_ATTIVAZIONE_INTEGRALE_VELOCE"},
        {15, "ISTERESI_LIVELLO"},
        {16, "TIPO_DI_SENSORE"},
        {17, "VARIABILE_17"},
        {18, "MAX_ERRORE_LAMBDA"},
        {19, "MIN_ERRORE_LAMBDA"},
        {20, "GIRI_MINIMI_PER_CAMBIO"},
        {21, "DEF_TEMPO_DI_EMULAZIONE_TRISTATE"},
        {22, "DEF_GIRI_PER_CUTOFF"},
        {24, "RIF_SUP_LAMBDA_FREDDA"},
        {25, "RIF_INF_LAMBDA_FREDDA"},
        {26, "TEMPO_DI_SONDA_FREDDA"},
        {27, "ISTERESI_DEL_MINIMO_TPS"},
        {28, "ISTERESI_USCITA_DAL_MINIMO_TPS"},
        {29, "ISTERESI_PER_MONOBOSCH"},
        {30, "MAX_ERRORE_LAMBDA_AL_MINIMO"},
        {31, "MIN_ERRORE_LAMBDA_AL_MINIMO"},
        {32, "COEFF16_APERTURA_CUTOFF"},
        {33, "PERIODO_X_APRIRE_ELETTROVALVOLA_IN_CUTOFF"},
        {34, "MAX_MEDIA_ADATTO_AMMESSA"},
        {35, "RIFERIMENTO_COLONNA_ONE"},
        {36, "RIFERIMENTO_COLONNA_TWO"},
        {39, "DEFAULT_REGISTRO_CONFIGURAZIONE"},
        {40, "CILINDRATA"},
        {41, "ANNO_VETTURA"},
        {42, "DATA_PROGRAMMA"},
        {44, "VARIABILE_44"},
        {45, "GIRI_RIENTRO_DAL_FUORI_GIRI"},
        {46, "VERSIONE_CENTRALINA"},
        {47, "TIPO_DI_CARBURANTE"},
        {50, "CL"},
        {51, "CT"},
        {54, "DEF_PASSI_ARRICCHIMENTO_MINIMO"},
        {57, "VARIABILE_57"},
        {58, "TEMPO_VERIFICA_RISULTATI_ADATTO"},
        {60, "DEF_TEMPO_SOVRAPPRESSIONE"},
        {63, "VARIABILE_63"},
        {71, "VARIABILE_71"},
        {75, "POSIZIONE_MOTORE_A_GIRI_BASSI"},
        {76, "TIPO_DI_LAMBDA"},
        {77, "TIPO_DI_TPS"},
        {78, "TIPO_ACCENSIONE"},
        {81, "RAGGIO_INTORNO_GIRI"},
        {82, "RAGGIO_INTORNO_MAP"},
        {83, "MASSIMA_VARIAZIONE_MEDIA_INVERSIONE"},
        {84, "MASSIMA_VARIAZIONE_POSIZIONE_INVERSIONE"},
        {85, "MAX_TEMPO_FUORI_INTORNO"},
        {89, "ABILITAZIONE_DIAGNOSI"},
        {90, "EFFETTO_DIAGNOSI"},
        {91, "DPASSAGGIO_AUTOMATICO_DIAGNOSI"},
        {92, "DDIAGNOSI_VIETATO_FUNZIONAMENTO_GAS"},
        {93, "DDIAGNOSI_PER_INSTALLATORE"},
        {94, "DDIAGNOSI_FORZATO_IN_OPENLOOP"},
        {95, "TPS_PER_SBANANATA"},
        {96, "PERIODO_GIRI_PER_SBANANATA"},
        {97, "TEMPO_CORREZIONE_TEMPERATURA"},
        {98, "TEMPO_LAMBDA_MAGRO_PER_RITORNO"},
        {99, "RIF_LAMBDA"},
        {100, "PRGS"},
        {101, "PRGI"},
        {102, "CHSG"},
        {103, "APRG"},
        {104, "OPENLOOP"},
        {105, "CM"},
        {106, "CTC"},
        {107, "DEC"},
        {108, "RIF_LAMBDA"},
        {109, "RIF_SENS"},
        {110, "CTG"},
        {111, "CG"},
        {112, "MAX_STEPV"},
        {113, "MAX_STEPL"},
        {114, "PASSI_FATTI_INSTALLATORE"},
        {115, "PASSI_FATTI_AUTOMATICI"},
        {116, "ERRORE_MEDIO"},
        {117, "MODELLO"},
        {118, "NOME_PROGRAMMA"},
        {119, "TRIF"},
        {120, "COEFF_TEMPERATURA"},
        {121, "ABILITAZIONE_DIAGNOSI"},
        {122, "EFFETTO_DIAGNOSI"},
        {123, "DPASSAGGIO_AUTOMATICO_DIAGNOSI"},
        {124, "DDIAGNOSI_VIETATO_FUNZIONAMENTO_GAS"},
        {125, "DDIAGNOSI_PER_INSTALLATORE"},
        {126, "DDIAGNOSI_FORZATO_IN_OPENLOOP"},
        {127, "DDIAGNOSI_TEMPO_INTEGRALE_ESTREMI"},
        {128, "MAX_STEPL"},
        {129, "PASSI_FATTI_AUTOMATICI"},
        {130, "ERRORE_MEDIO"},
        {131, "MB"},
        {132, "CMB"},
        {133, "CGB"},
        {134, "PERSONALIZZAZIONE"},
        {135, "DEFAULT_REGISTRO_CONFIGURAZIONE_2"},
    };
    for (const auto& [index, name] : kNames)
        if (index == var) return name;
    return "?";
}

}  // namespace zov

#pragma once

#include <array>
#include <initializer_list>

namespace zov {

// The localized texts the main window keeps for its messages and for the windows it opens, by
// dictionary identifier, with the length each is cut to. Besides these it keeps the port's lines
// (DeviceError) and the backup's (kBackupTexts), whose lists live with the code that uses them.
struct KeptTexts {
    std::initializer_list<const char*> identifiers;
    int length;
};

inline const std::array<KeptTexts, 10> kKeptTexts = {{
    {{"MessConnesso", "MessNonConnesso"}, 35},
    {{"MessConnCpu",
      "MessCaricaDati",
      "MessConnFallita",
      "LabelIdentif",
      "MessDisconCpu",
      "MessNoGuida",
      "MessAggiornareCpu",
      "MessNoFileAggiorna",
      "MessBadFileAggiorna",
      "MessErrProg",
      "FinestraCaricaDati",
      "MessAttesaScarica",
      "FinestraProgS19",
      "MessProgFallita",
      "MessResetProg",
      "MessNoProg",
      "MessTogliRidai",
      "MessErrSer",
      "MessCheckSer",
      "MessErrSinc",
      "MessVLow",
      "MessTentareAggiorna",
      "MessNoConn",
      "MessAggiornaCpu",
      "MessDiagnosiOn",
      "MessAzzerareDiagnosi",
      "MessErrCaricaConf",
      "MessErrSalvaConf",
      "MessCheckRight",
      "MessCaricaConf",
      "MessNoGuidaLingua",
      "MessNoIstrLingua2",
      "MessErrSettaggio",
      "MessErrComunic",
      "MessRiprovaConn",
      "MessErrCk",
      "MessFileProgNonValido",
      "MessLineaPersa",
      "MessVariabiliRifiutate",
      "MessSalvaIncompleta",
      "MessAnnullaScrittura",
      "MessErrAnnulla",
      "MessErrStampa",
      "MessMappaturaRipristinata",
      "MessMappaturaSenzaValori",
      "MessDiagnosiRipristinata",
      "MessDiagnosiSospesa1",
      "MessScritturaRifiutata",
      "MessMappaturaRifiutata",
      "MessMappaMista"},
     70},
    // Why a programming failed and what it left in the ECU.
    {{"MessProgLineaPersa", "MessProgNoRisposta", "MessProgRispErrata", "MessProgRifiutata",
      "MessCpuInalterata", "MessCpuProgIntatto", "MessCpuForseVuota", "MessCpuVuota"},
     70},
    {{"MessCompletato", "ButtonOK", "ButtonAnnulla", "MessNonDisp", "LabelMetano", "LabelGpl",
      "LabelCarburante"},
     15},
    {{"LabelModAuto", "LabelAnno"}, 12},
    {{"LabelCil"}, 20},
    {{"LabelProg", "LabelDataCreaz"}, 16},
    {{"GroupDatiAuto", "GroupDatiProg", "LabelProtected", "LabelConfig"}, 40},
    {{"FinestraScaricaDati", "FinestraSalvaConfig", "FinestraCaricaConfig"}, 50},
    // The compare window.
    {{"FinestraConfronta", "FinestraConfrontaFile", "MessNessunaDiff", "MessDifferenze", "LabelCampo",
      "LabelCentralina", "LabelCellaMappa", "LabelCellaMappaB", "LabelPuntoGiri", "LabelPuntoPressione",
      "LabelSegnoModifica", "LabelDataBackup"},
     50},
}};

}  // namespace zov

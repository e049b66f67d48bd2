#pragma once

// The dictionary's own failure texts: they are shown exactly when the dictionary cannot be read,
// so they are built in, Italian, in Windows-1252 like every other text of the program.
namespace zov::dictionary_messages {

// Main window: shown before the application ends.
inline constexpr const char* kMainWindow =
    "Problemi col database multilingua.\nIl programma verr\xE0 chiuso.";
// The stored language index is not one of the dictionary's languages.
inline constexpr const char* kUnknownLanguage = "Impossibile identificare la lingua";

// One per window; each window keeps its built-in texts and shows its message once per run.
inline constexpr const char* kCustomerArchive = "Problemi col database multilingua (Codice 2).";
inline constexpr const char* kVehicleArchive = "Problemi col database multilingua (Codice 3).";
inline constexpr const char* kUpdate = "Problemi col database multilingua (Codice 4).";
inline constexpr const char* kEcuManagement = "Problemi col database multilingua (Codice 5).";
inline constexpr const char* kLiveData = "Problemi col database multilingue (codice 6).";
inline constexpr const char* kDiagnosis = "Problemi col database multilingua (Codice 7).";
inline constexpr const char* kFunctionalDiagnosis = "Problemi col database multilingua (Codice 8).";
inline constexpr const char* kParameterEditor = "Problemi col database multilingua (Codice 9).";
inline constexpr const char* kMapEditor = "Problemi col database multilingua (Codice 10).";
inline constexpr const char* kMapChart = "Impossibile connettersi al dizionario (codice 19)";
inline constexpr const char* kFuelChoice = "Problemi col database multilingua (Codice 20).";

}  // namespace zov::dictionary_messages

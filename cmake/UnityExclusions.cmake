# CI builds compile each target's sources in batches (CMAKE_UNITY_BUILD, see scripts/build).
# These files define file-local names that clash with a neighbour's in the same batch, so each is
# compiled on its own. A clash shows as a redefinition in the unity build only: add the file here
# or give its helper a name of its own.
set(zov_unity_exclusions
    cli/ZovctlLog.cpp
    cli/ZovctlMapCommands.cpp
    cli/ZovctlSession.cpp
    cli/zovctl.cpp
    src/app/main/TFormMainInstFiles.cpp
    src/archive/TFormAggiorna.cpp
    src/diagnosis/TFormDiagnosi.cpp
    src/editors/AdaptationPage.cpp
    src/editors/EnrichmentPage.cpp
    src/editors/TFormModificaLayout.cpp
    src/live/LogScatterView.cpp
    src/model/LiveRecord.cpp
    src/model/MapChangeLimit.cpp
    src/report/ParamReport.cpp
    tests/app/core/GlobalDataSaveTest.cpp
    tests/app/main/FunctionsTest.cpp
    tests/app/main/MainWindowTest.cpp
    tests/customers/CustomersCliTest.cpp
    tests/diagnosis/TFormDiagnFunzTest.cpp
    tests/editors/AdaptationPageTest.cpp
    tests/editors/EditorPageRulesTest.cpp
    tests/editors/StoreUndoTest.cpp
    tests/editors/TFormModificaStoreTest.cpp
    tests/maps/MappingReplayTest.cpp
    tests/maps/TFormMappaTest.cpp
    tests/model/ParamModelTest.cpp
    tests/sim/EcuCommandsTest.cpp
    tests/sim/EnrichmentRecordTest.cpp
    tests/update/BootLoaderTest.cpp
    tests/update/ProgramTest.cpp
    tools/screenshots/LiveShots.cpp
)
foreach(file IN LISTS zov_unity_exclusions)
  get_filename_component(folder "${file}" DIRECTORY)
  set_source_files_properties("${file}" DIRECTORY "${folder}" PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
endforeach()
# Nearly every zovctl test file has its own `Sim` and `Zovctl` helpers: that target stays per file.
set_target_properties(cli_tests PROPERTIES UNITY_BUILD OFF)

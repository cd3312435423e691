# The checks of the native build that are scripts rather than test programs.
set(zol_scripts ${CMAKE_SOURCE_DIR}/scripts)

# End to end: the README's run command (it installs, builds and starts zolcfg.exe against
# the stand-in server), the window it shows checked and photographed. scripts/test.sh runs
# it first, before anything else is built.
add_test(NAME e2e.run-command COMMAND bash ${zol_scripts}/smoke.sh)
set_tests_properties(e2e.run-command PROPERTIES LABELS e2e TIMEOUT 3600
  RESOURCE_LOCK wine64_prefix WORKING_DIRECTORY ${CMAKE_SOURCE_DIR})

# The fuzz targets (clang, in build/fuzz), each for a bounded time: ZOL_FUZZ_SECONDS,
# ZOL_TAGFILE_FUZZ_SECONDS, ZOL_HISTORY_FUZZ_SECONDS (45, 20, 15 by default). One build
# folder: they take turns.
foreach(target_seconds dsc:ZOL_FUZZ_SECONDS:45 tagfile:ZOL_TAGFILE_FUZZ_SECONDS:20 history:ZOL_HISTORY_FUZZ_SECONDS:15)
  string(REPLACE ":" ";" parts ${target_seconds})
  list(GET parts 0 target)
  list(GET parts 1 variable)
  list(GET parts 2 seconds)
  add_test(NAME fuzz.${target}
           COMMAND bash -c "exec ${zol_scripts}/fuzz.sh \"\${${variable}:-${seconds}}\" ${target}")
  set_tests_properties(fuzz.${target} PROPERTIES LABELS fuzz TIMEOUT 900 RESOURCE_LOCK fuzz_build
    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR})
endforeach()

# A register table saved by a spreadsheet (LibreOffice Calc: Windows-1251 with ';', UTF-16
# with tabs) builds the same device as the description it came from. Skipped without
# LibreOffice.
add_test(NAME DscToolSpreadsheet.SavedTablesBuildTheSameDevices
         COMMAND bash ${zol_scripts}/dsctool-spreadsheet-check.sh $<TARGET_FILE:dsctool>
                 ${CMAKE_SOURCE_DIR}/examples/devices)
set_tests_properties(DscToolSpreadsheet.SavedTablesBuildTheSameDevices PROPERTIES LABELS native TIMEOUT 300
  SKIP_RETURN_CODE 77)

# The install step against a stand-in apt-get that fails as a half-synced mirror does: the
# update tried again, the i386 packages apart, what cannot be installed listed and skipped.
add_test(NAME InstallStep.BrokenMirror COMMAND bash ${CMAKE_SOURCE_DIR}/tests/install/install_step_test.sh)
set_tests_properties(InstallStep.BrokenMirror PROPERTIES LABELS native TIMEOUT 120)

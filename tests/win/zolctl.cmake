# zolctl.exe run as a process against the stand-in server through real COM.
zol_add_win_test(zolctl_win_tests
  SOURCES zolctl_main.cpp zolctl_commands_test.cpp zolctl_import_test.cpp zolctl_copy_device_test.cpp zolctl_history_test.cpp
          zolctl_held_files_test.cpp zolctl_planted_dll_test.cpp zolctl_diff_test.cpp
          zolctl_check_test.cpp
  LIBS zol_win_test_support zol_server zol_catalogue zol_history zol_ctl_args ole32 advapi32)
add_dependencies(zolctl_win_tests zolctl zolsrv zolps zoljournalappend zolholdfile zolplanted)

# Holds a file open as a spreadsheet does (others may only read), for the tests of writers
# that meet such a file.
add_executable(zolholdfile hold_file_main.cpp)
target_link_options(zolholdfile PRIVATE -municode)
set_target_properties(zolholdfile PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

# A DLL that marks its loading, planted beside a copy of zolctl.exe under a system DLL's name.
add_library(zolplanted SHARED planted_dll.c)
set_target_properties(zolplanted PROPERTIES PREFIX "" RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

# A program that appends lines to a journal, for the test of two writers at once.
add_executable(zoljournalappend journal_append_main.cpp)
target_link_options(zoljournalappend PRIVATE -municode)
target_link_libraries(zoljournalappend PRIVATE zol_history)
set_target_properties(zoljournalappend PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

zol_win_test_parts(zolctl_win_tests TIMEOUT 300
  PARTS
    Commands "ZolctlCommands.*"
    Import "ZolctlImport.*:ZolctlCopyDevice.*"
    History "ZolctlHistory.*"
    HeldFiles "ZolctlHeldFiles.*:ZolctlPlantedDll.*"
    Diff "ZolctlDiff.*"
    Check "ZolctlCheck.*:ZolctlReport.*")

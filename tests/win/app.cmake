# The main window: start-up, tree, restart; against the stand-in server.
zol_add_win_test(app_tests
  SOURCES $<TARGET_OBJECTS:zol_win_test_main>
          TreeReader.cpp MainWindowRun.cpp MenuDriver.cpp WindowTest.cpp
          app_startup_test.cpp app_tree_test.cpp app_commands_test.cpp app_journey_test.cpp app_server_state_test.cpp
          app_window_features_test.cpp app_tagfile_test.cpp app_copy_device_test.cpp app_line_check_test.cpp app_report_test.cpp app_history_test.cpp app_tree_mirror_test.cpp ui_tree_view_model_test.cpp ui_busy_window_test.cpp ui_disabled_controls_test.cpp common_scoped_handle_test.cpp common_owners_test.cpp
          KeyInput.cpp app_keyboard_test.cpp app_held_journal_test.cpp app_guide_test.cpp
          interface_table_test.cpp interface_slots.c
          $<TARGET_OBJECTS:zol_res>
  LIBS zol_win_test_support zol_app advapi32)
add_dependencies(app_tests zolsrv zolps zolctl zolholdfile)

# Looks at the main window from another process (end-to-end scripts); not a test program.
add_executable(zolinspect inspect_main.cpp)
target_link_options(zolinspect PRIVATE -municode)
target_link_libraries(zolinspect PRIVATE comctl32 user32)
target_include_directories(zolinspect PRIVATE ${CMAKE_SOURCE_DIR}/res)
set_target_properties(zolinspect PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

# Prints a program file's processor, version information and manifest architecture
# (package test); not a test program.
add_executable(zolfileinfo fileinfo_main.cpp)
target_link_options(zolfileinfo PRIVATE -municode)
target_link_libraries(zolfileinfo PRIVATE version)
set_target_properties(zolfileinfo PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

# Under CTest the main window's suites run in parts: each part finds its suites by name
# (`ctest --test-dir build/win -R History`), and a failing part names its area. The 32-bit
# build, emulated where the kernel runs no 32-bit programs (every process then starts in
# seconds), leaves out what shows nothing of the bitness: the description-files dialog over
# thousands of files, the message texts of every refusal code, the stopped import of 5,000
# rows, the tree's mirror and the progress window's timing.
zol_win_test_parts(app_tests TIMEOUT 400
  WIN32_EXCLUDE "DescriptionFilesDialog.*:KnownAndUnknownCodes/*:TagFileTest.StopDuringAnImportOfFiveThousandRows:TreeMirrorTest.*:FillProgressTest.*"
  PARTS
    Startup "StartupTest.*:StartupUnregistered.*:StartupProxyStubMissing.*:Codes/*:KnownAndUnknownCodes/*:InterfaceTable.*"
    Tree "TreeTest.*:TreeControl.*:TreeMirrorTest.*:FillProgressTest.*"
    Commands "CommandsTest.*:JourneyTest.*:ServerStateTest.*:RestartTest.*"
    Keyboard "KeyboardTest.*"
    History "HistoryTest.*:HeldJournalTest.*"
    TagFile "TagFileTest.*:CopyDeviceTest.*"
    WindowFeatures "DescriptionFilesTest.*:DescriptionFilesDialog.*:FindTest.*:BranchPeriodTest.*"
    Guide "GuideTest.*"
    LineCheck "LineCheckTest.*:ReportTest.*")

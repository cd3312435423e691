# The stand-in server driven through real COM: zolsrv.exe runs as a separate process.
zol_add_win_test(standin_win_tests
  SOURCES standin_main.cpp standin_com_test.cpp standin_registration_test.cpp
  LIBS zol_win_test_support zol_server ole32 advapi32)
set_target_properties(standin_win_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
add_dependencies(standin_win_tests zolsrv zolps)

# About 40 s; the limit bounds a hang in a cross-process call.
zol_win_test_parts(standin_win_tests TIMEOUT 150)

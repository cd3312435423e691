zol_add_win_test(serial_win_tests
  SOURCES serial_enumerate_test.cpp
  LIBS zol_serial gtest_main setupapi)
set_target_properties(serial_win_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

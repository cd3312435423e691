# dsctool on Windows: a file reached by two names (letter case, hard links) is one file.
zol_add_win_test(dsctool_win_tests
  SOURCES dsctool_same_file_test.cpp
  LIBS zol_dsctool gtest_main)

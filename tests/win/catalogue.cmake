# The description loader on Windows: file names beyond ASCII in the loader's lines.
zol_add_win_test(catalogue_win_tests
  SOURCES catalogue_names_test.cpp
  LIBS zol_catalogue gtest_main)

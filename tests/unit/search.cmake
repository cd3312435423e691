zol_add_unit_test(search_tests
  SOURCES search_scan_test.cpp search_texts_test.cpp search_line_check_test.cpp search_line_load_test.cpp
  LIBS zol_search_core)

# Small shared helpers: the bounded decimal reader.
zol_add_unit_test(common_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/common_decimal_test.cpp
  LIBS zol_common)

# Small shared helpers: the bounded decimal reader, the JSON writer.
zol_add_unit_test(common_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/common_decimal_test.cpp ${CMAKE_CURRENT_LIST_DIR}/common_json_test.cpp
  LIBS zol_common)

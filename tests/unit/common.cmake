# Small shared helpers: the bounded decimal reader, the JSON writer, the escaping of control characters, the reading of whole files.
zol_add_unit_test(common_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/common_decimal_test.cpp ${CMAKE_CURRENT_LIST_DIR}/common_json_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/common_control_chars_test.cpp
  LIBS zol_common)

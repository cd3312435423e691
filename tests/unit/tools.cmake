# dsctool (run as a program) and its register tables (DescriptionTable).
zol_add_unit_test(tools_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/catalogue_test_util.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tools_dsctool_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tools_description_table_test.cpp
  LIBS zol_dsctool)
target_compile_definitions(tools_tests PRIVATE
  ZOL_DSCTOOL_EXE="$<TARGET_FILE:dsctool>"
  ZOL_EXAMPLES_SOURCE_DIR="${CMAKE_SOURCE_DIR}/examples/devices"
  ZOL_EXAMPLES_BUILD_DIR="${CMAKE_BINARY_DIR}/examples/devices")
add_dependencies(tools_tests dsctool zol_example_devices)

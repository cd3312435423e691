# The device catalogue: model, checksum, reader, loader, tag naming; and dsctool.
zol_add_unit_test(catalogue_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/catalogue_test_util.cpp
    ${CMAKE_CURRENT_LIST_DIR}/catalogue_model_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/catalogue_checksum_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/catalogue_description_reader_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/catalogue_loader_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/catalogue_tagname_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/catalogue_windows1251_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/catalogue_description_files_report_test.cpp
  LIBS zol_catalogue)

zol_add_unit_test(dsctool_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/catalogue_test_util.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dsctool_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dsctool_table_test.cpp
  LIBS zol_dsctool)
target_compile_definitions(dsctool_tests PRIVATE
  ZOL_DSCTOOL_EXE="$<TARGET_FILE:dsctool>"
  ZOL_EXAMPLES_SOURCE_DIR="${CMAKE_SOURCE_DIR}/examples/devices"
  ZOL_EXAMPLES_BUILD_DIR="${CMAKE_BINARY_DIR}/examples/devices")
add_dependencies(dsctool_tests dsctool zol_example_devices)

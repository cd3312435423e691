# The device catalogue: model, checksum, reader, loader, tag naming.
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

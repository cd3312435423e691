# Tag files: reader, writer, the server's tags, the import plan and its run.
zol_add_unit_test(tagfile_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/tagfile_reader_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tagfile_writer_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tagfile_import_plan_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tagfile_device_copy_test.cpp
  LIBS zol_tagfile)

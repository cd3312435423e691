zol_add_unit_test(standin_unit_tests
  SOURCES standin_tag_store_test.cpp standin_state_files_test.cpp standin_server_test.cpp
  LIBS zol_standin_core)

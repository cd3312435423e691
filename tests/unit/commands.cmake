# The main window's command table: the given items and ids, the keys, the enabled rule and
# the dispatch's busy flag.
zol_add_unit_test(commands_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/commands_command_table_test.cpp
  LIBS zol_commands)

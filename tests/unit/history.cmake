# The change journal, snapshots, undo/redo and restore plans.
zol_add_unit_test(history_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/history_journal_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/history_undo_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/history_snapshot_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/history_snapshot_names_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/history_restore_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/history_change_session_test.cpp
  LIBS zol_history)

# The tree algorithms on the in-memory tree, against an in-memory server.
zol_add_unit_test(tree_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/tree_memory_tree_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tree_config_tree_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tree_add_tag_tree_builder_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tree_commands_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tree_find_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tree_mirror_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tree_branch_period_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tree_progress_pacer_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tree_tag_nodes_test.cpp
  LIBS zol_tree)

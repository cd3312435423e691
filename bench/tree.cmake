# Native timings of the tree core on the in-memory tree against the in-memory server.
if(NOT WIN32 AND benchmark_FOUND)
  add_executable(tree_bench ${CMAKE_CURRENT_LIST_DIR}/tree_bench.cpp)
  target_link_libraries(tree_bench PRIVATE zol_tree benchmark::benchmark)
  target_include_directories(tree_bench PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests/unit)
endif()

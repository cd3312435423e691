# Native timing of the tag-file core: reading, checking against the catalogue and planning
# a 50,000-row file.
if(NOT WIN32 AND benchmark_FOUND)
  add_executable(tagfile_bench ${CMAKE_CURRENT_LIST_DIR}/tagfile_bench.cpp)
  target_link_libraries(tagfile_bench PRIVATE zol_tagfile benchmark::benchmark)
  target_include_directories(tagfile_bench PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests/unit)
endif()

# zolctl.exe against the stand-in server: export against the bare EnumTags walk, import
# against bare AddTag calls; the journal's cost on an import, and deleting a device with
# its before-values and undoing it against the bare calls (scripts/bench-wine.sh zolctl_bench ...).
if(WIN32)
  add_executable(zolctl_bench ${CMAKE_CURRENT_LIST_DIR}/zolctl_bench.cpp)
  target_link_options(zolctl_bench PRIVATE -municode)
  target_link_libraries(zolctl_bench PRIVATE zol_server zol_catalogue zol_tagfile zol_history zol_search_core psapi)
  set_target_properties(zolctl_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  add_dependencies(zolctl_bench zolctl zolsrv zolps)
endif()

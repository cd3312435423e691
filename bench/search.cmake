# The auto-search against the stand-in server: search time against the probe time, the
# dialog's responsiveness during a search, and Stop/Close to the worker's end
# (scripts/bench-wine.sh search_bench runs it under Wine).
if(WIN32)
  add_executable(search_bench search_bench.cpp $<TARGET_OBJECTS:zol_res>)
  target_link_options(search_bench PRIVATE -municode)
  target_link_libraries(search_bench PRIVATE zol_search)
  set_target_properties(search_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  add_dependencies(search_bench zolsrv zolps)
endif()

# The main window's background snapshot of a large configuration: the window's longest wait
# meanwhile (scripts/bench-wine.sh snapshot_bench [TAGS]).
if(WIN32)
  add_executable(snapshot_bench snapshot_bench.cpp $<TARGET_OBJECTS:zol_res>)
  target_link_options(snapshot_bench PRIVATE -municode)
  target_link_libraries(snapshot_bench PRIVATE zol_win_test_support zol_app)
  set_target_properties(snapshot_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  add_dependencies(snapshot_bench zolsrv zolps)
endif()

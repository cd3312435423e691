# The main window's find, export and import on the real controls against the same work
# without the window (scripts/bench-wine.sh runs it under Wine).
if(WIN32)
  add_executable(window_bench window_bench.cpp $<TARGET_OBJECTS:zol_res>)
  target_link_options(window_bench PRIVATE -municode)
  target_link_libraries(window_bench PRIVATE zol_win_test_support zol_app)
  set_target_properties(window_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  add_dependencies(window_bench zolsrv zolps zolctl)
endif()

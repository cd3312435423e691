# zolcfg.exe's start-up against the stand-in server: time to the title, time to a filled
# tree against the bare EnumTags walk, and time to the shown window against an empty dialog
# program's (scripts/bench-wine.sh runs it under Wine).
if(WIN32)
  add_executable(empty_dialog WIN32 empty_dialog.cpp empty_dialog.rc)
  target_link_options(empty_dialog PRIVATE -municode)
  set_target_properties(empty_dialog PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

  add_executable(startup_bench startup_bench.cpp)
  target_link_options(startup_bench PRIVATE -municode)
  target_link_libraries(startup_bench PRIVATE zol_server zol_catalogue comctl32)
  set_target_properties(startup_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  add_dependencies(startup_bench zolcfg zolsrv zolps empty_dialog)
endif()

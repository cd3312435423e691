# zolcfg.exe's start-up against the stand-in server: time to the title, and time to a
# filled tree against the bare EnumTags walk (scripts/bench-wine.sh runs it under Wine).
if(WIN32)
  add_executable(startup_bench startup_bench.cpp)
  target_link_options(startup_bench PRIVATE -municode)
  target_link_libraries(startup_bench PRIVATE zol_server zol_catalogue comctl32)
  set_target_properties(startup_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  add_dependencies(startup_bench zolcfg zolsrv zolps)
endif()

# The add-tags dialog's tree and the deletion of a device on the real controls
# (scripts/bench-wine.sh runs it under Wine).
if(WIN32)
  add_executable(dialog_bench dialog_bench.cpp $<TARGET_OBJECTS:zol_res>)
  target_link_options(dialog_bench PRIVATE -municode)
  target_link_libraries(dialog_bench PRIVATE zol_app)
  set_target_properties(dialog_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  add_dependencies(dialog_bench zolsrv zolps)
endif()

# Round-trip cost of one IAddTags call: out of process through COM to zolsrv.exe, against
# the same server object called in-process. Windows program; run it under Wine after the
# stand-in is registered (see standin/README.md).
if(WIN32)
  add_executable(com_roundtrip com_roundtrip.cpp)
  target_link_libraries(com_roundtrip PRIVATE zol_standin_com)
  set_target_properties(com_roundtrip PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  add_dependencies(com_roundtrip zolsrv zolps)
endif()

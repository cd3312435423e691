# The rooms' includes against their table (cmake/CheckIncludeRooms.cmake): no portable room
# reaches up into a front end or the Windows layer.
if(NOT ZOL_SANITIZE)
  add_test(NAME IncludeRooms.NoUpwardInclude
           COMMAND ${CMAKE_COMMAND} -DROOT=${CMAKE_SOURCE_DIR} -P ${CMAKE_SOURCE_DIR}/cmake/CheckIncludeRooms.cmake)
  set_tests_properties(IncludeRooms.NoUpwardInclude PROPERTIES LABELS native)
endif()

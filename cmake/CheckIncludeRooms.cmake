# Reads every #include "room/..." of the program's sources and fails when a file includes a
# room its own room may not use: the portable core never reaches up into a front end or the
# Windows layer, and the front ends stay out of each other.
#
#   cmake -DROOT=<source dir> -P cmake/CheckIncludeRooms.cmake
#
# A room is a top folder; serial/, search/, server/ and standin/ hold a Windows part as well,
# named room-win below. Tests and benchmarks are not checked.
cmake_minimum_required(VERSION 3.16)

# The Windows parts of the mixed rooms, by file name without extension.
set(win_parts
  server/ComTagServer server/ServerConnection server/ProxyDecls
  serial/ComSettings serial/EnumerateSerial serial/SystemSerialPorts
  search/SearchMessages search/SearchDevThread search/AutoFindDlg)

# Which rooms each room may include (besides itself). res/resource.h holds the resource ids as
# plain #defines and includes nothing, so the portable rooms that name commands and dialogs
# (the command table, the guide's sections) read the ids from it rather than keep copies.
set(portable common catalogue server tree serial search tagfile history)
set(allow_common res)
set(allow_catalogue common)
set(allow_server common)
set(allow_tree common server catalogue res)
set(allow_serial common server)
set(allow_search common server catalogue)
set(allow_tagfile common server catalogue tree serial)
set(allow_history common server catalogue tree tagfile serial)
set(allow_standin common server serial)
set(allow_tools common catalogue tagfile)
set(allow_res "")
set(allow_ui common server tree res)
set(allow_server-win common server)
set(allow_serial-win ${portable} server-win ui res)
set(allow_search-win ${portable} server-win ui res)
set(allow_standin-win common server server-win standin)
set(allow_ctl ${portable} server-win serial-win search-win ui)
set(allow_dialogs ${portable} server-win serial-win search-win ui res)
set(allow_app ${portable} server-win serial-win search-win ui res dialogs)

# The upward uses there are, each with its reason: "file|included header|reason".
set(exceptions
  "dialogs/AddTagTree.cpp|app/TarnelDlg.h|the add-tags dialog puts each tag the server accepted into the main window's tree at once"
  "dialogs/AddTagTree.cpp|app/ServerChange.h|the add-tags dialog's calls go through the main window's journaled change")

if(NOT ROOT)
  message(FATAL_ERROR "usage: cmake -DROOT=<source dir> -P CheckIncludeRooms.cmake")
endif()

function(room_of relative out)
  string(REGEX MATCH "^[^/]+" top "${relative}")
  string(REGEX REPLACE "\\.[^./]*$" "" stem "${relative}")
  if(stem IN_LIST win_parts)
    set(top "${top}-win")
  elseif(relative MATCHES "^standin/win/")
    set(top "standin-win")
  endif()
  set(${out} "${top}" PARENT_SCOPE)
endfunction()

set(rooms common catalogue server tree serial search tagfile history standin tools res ui ctl dialogs app)
set(problems "")
set(checked 0)
foreach(room IN LISTS rooms)
  file(GLOB_RECURSE files RELATIVE "${ROOT}" "${ROOT}/${room}/*.h" "${ROOT}/${room}/*.cpp")
  foreach(file IN LISTS files)
    room_of("${file}" from)
    if(NOT DEFINED allow_${from})
      list(APPEND problems "${file}: room ${from} has no row in the table")
      continue()
    endif()
    file(STRINGS "${ROOT}/${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"]+\"")
    foreach(line IN LISTS lines)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*$" "\\1" header "${line}")
      if(NOT header MATCHES "/")
        continue()  # a file beside it
      endif()
      math(EXPR checked "${checked} + 1")
      room_of("${header}" to)
      if(to STREQUAL from OR to IN_LIST allow_${from})
        continue()
      endif()
      if(NOT EXISTS "${ROOT}/${header}")
        continue()  # generated (the IDL's header) or a system header written with a folder
      endif()
      set(excused FALSE)
      foreach(e IN LISTS exceptions)
        if(e MATCHES "^${file}\\|${header}\\|")
          set(excused TRUE)
        endif()
      endforeach()
      if(NOT excused)
        list(APPEND problems "${file} (${from}) includes ${header} (${to})")
      endif()
    endforeach()
  endforeach()
endforeach()

if(problems)
  list(JOIN problems "\n  " text)
  message(FATAL_ERROR "includes against the table of rooms:\n  ${text}\n"
                      "Move the code to the room that owns it, or, when a room must reach up, add the use "
                      "with its reason to the exceptions in cmake/CheckIncludeRooms.cmake.")
endif()
message(STATUS "${checked} includes checked against the table of rooms")

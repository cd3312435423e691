# Reads the includes of the program's sources and fails when a file includes what its room
# may not use: the portable core never reaches up into a front end or the Windows layer, and
# the front ends stay out of each other.
#
#   cmake -DROOT=<source dir> -P cmake/CheckIncludeRooms.cmake
#
# - #include "room/...": a room is a top folder. A room's Windows code lies in its win/
#   folder (server/win/, serial/win/, search/win/, standin/win/, common/win/, history/win/),
#   the room-win of the table below, and the native build's counterparts of common/ and
#   history/ in posix/. Each room's row names the rooms it includes (besides itself), no
#   more: a row naming a room that none of its files includes fails too, so that a new
#   include into that room is a decision, not a silent pass.
# - #include <...> in a portable file: only the C++ standard library's headers. A portable
#   file is one of a portable room outside its win/ and posix/ folders (the build takes
#   common/win/FileHolder.cpp or common/posix/FileHolder.cpp per system), so <windows.h> in
#   the portable core is caught here, not first by the native build.
#
# Tests and benchmarks are not checked.
cmake_minimum_required(VERSION 3.16)

# Which rooms each room includes (besides itself). res/resource.h holds the resource ids as
# plain #defines and includes nothing, so the portable rooms that name commands and dialogs
# (the command table, the guide's sections) read the ids from it rather than keep copies.
set(portable common catalogue server tree commands serial search tagfile history report words standin tools)
set(allow_common res)
set(allow_catalogue "")
set(allow_server "")
set(allow_tree catalogue server)
set(allow_commands res tree)
set(allow_serial common server)
set(allow_search catalogue serial server tagfile)
set(allow_tagfile catalogue common server tree)
set(allow_history common serial server tagfile)
set(allow_report catalogue common history search serial server tagfile tree)
set(allow_standin common serial server)
set(allow_words catalogue report tree)
set(allow_tools catalogue common tagfile)
set(allow_res "")
set(allow_ui common server tree)
set(allow_common-win common)
set(allow_history-win common common-win history)
set(allow_server-win common-win server)
set(allow_serial-win common common-win res serial server server-win ui)
set(allow_search-win catalogue common-win report res search serial server server-win tagfile tree ui words)
set(allow_standin-win common common-win server server-win standin)
set(allow_ctl catalogue common history report search serial serial-win server server-win tagfile tree words)
set(allow_dialogs catalogue res search search-win server server-win tagfile tree ui)
set(allow_app catalogue commands common common-win dialogs history report res search-win serial serial-win server server-win tagfile tree ui words)

# The uses outside the table there are, each with its reason: "file|included header|reason"
# (a header in angle brackets for a portable file's use of a system header).
set(exceptions
  "dialogs/AddTagTree.cpp|app/TarnelDlg.h|the add-tags dialog puts each tag the server accepted into the main window's tree at once"
  "dialogs/AddTagTree.cpp|app/ServerChange.h|the add-tags dialog's calls go through the main window's journaled change"
  "catalogue/Checksum.cpp|<immintrin.h>|the carry-less multiply of x86, only where GCC builds for x86"
  "tools/main.cpp|<windows.h>|dsctool's Windows entry point, under _WIN32: arguments as UTF-16, the module's folder for the guide")

# The headers of the C++17 standard library (the C ones in their <cname> form).
set(standard_headers
  algorithm any array atomic bitset cassert cctype cerrno cfenv cfloat charconv chrono cinttypes climits
  clocale cmath codecvt complex condition_variable csetjmp csignal cstdarg cstddef cstdint cstdio cstdlib
  cstring ctime cuchar cwchar cwctype deque exception execution filesystem forward_list fstream functional
  future initializer_list iomanip ios iosfwd iostream istream iterator limits list locale map memory
  memory_resource mutex new numeric optional ostream queue random ratio regex scoped_allocator set
  shared_mutex sstream stack stdexcept streambuf string string_view system_error thread tuple type_traits
  typeindex typeinfo unordered_map unordered_set utility valarray variant vector)

if(NOT ROOT)
  message(FATAL_ERROR "usage: cmake -DROOT=<source dir> -P CheckIncludeRooms.cmake")
endif()

function(room_of relative out)
  string(REGEX MATCH "^[^/]+" top "${relative}")
  if(relative MATCHES "^[^/]+/win/")
    set(top "${top}-win")
  endif()
  set(${out} "${top}" PARENT_SCOPE)
endfunction()

# A portable file: of a portable room, outside its win/ and posix/ folders.
function(is_portable_file relative room out)
  if(room IN_LIST portable AND NOT relative MATCHES "^[^/]+/posix/")
    set(${out} TRUE PARENT_SCOPE)
  else()
    set(${out} FALSE PARENT_SCOPE)
  endif()
endfunction()

function(excused file header out)
  set(${out} FALSE PARENT_SCOPE)
  foreach(e IN LISTS exceptions)
    string(FIND "${e}" "${file}|${header}|" at)
    if(at EQUAL 0)
      set(${out} TRUE PARENT_SCOPE)
    endif()
  endforeach()
endfunction()

set(rooms common catalogue server tree commands serial search tagfile history report words standin tools res ui ctl dialogs app)
set(problems "")
set(checked 0)
set(seen_rooms "")
foreach(room IN LISTS rooms)
  file(GLOB_RECURSE files RELATIVE "${ROOT}" "${ROOT}/${room}/*.h" "${ROOT}/${room}/*.cpp")
  foreach(file IN LISTS files)
    room_of("${file}" from)
    if(NOT DEFINED allow_${from})
      list(APPEND problems "${file}: room ${from} has no row in the table")
      continue()
    endif()
    list(APPEND seen_rooms ${from})
    is_portable_file("${file}" "${from}" portable_file)
    file(STRINGS "${ROOT}/${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<][^\">]+[\">]")
    foreach(line IN LISTS lines)
      if(line MATCHES "^[ \t]*#[ \t]*include[ \t]*<([^>]+)>")
        set(header "${CMAKE_MATCH_1}")
        if(portable_file AND NOT header IN_LIST standard_headers)
          math(EXPR checked "${checked} + 1")
          excused("${file}" "<${header}>" ok)
          if(NOT ok)
            list(APPEND problems "${file} (${from}, portable) includes <${header}>, no header of the C++ standard library")
          endif()
        endif()
        continue()
      endif()
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*$" "\\1" header "${line}")
      if(NOT header MATCHES "/")
        continue()  # a file beside it
      endif()
      if(NOT EXISTS "${ROOT}/${header}")
        continue()  # generated (the IDL's header) or a system header written with a folder
      endif()
      math(EXPR checked "${checked} + 1")
      room_of("${header}" to)
      if(to STREQUAL from)
        continue()
      endif()
      if(to IN_LIST allow_${from})
        list(APPEND used_${from} ${to})
        continue()
      endif()
      excused("${file}" "${header}" ok)
      if(NOT ok)
        list(APPEND problems "${file} (${from}) includes ${header} (${to})")
      endif()
    endforeach()
  endforeach()
endforeach()

# A row names only what its room includes.
list(REMOVE_DUPLICATES seen_rooms)
foreach(room IN LISTS seen_rooms)
  foreach(to IN LISTS allow_${room})
    if(NOT to IN_LIST used_${room})
      list(APPEND problems "the row of ${room} names ${to}, which none of its files includes: take it out")
    endif()
  endforeach()
endforeach()

if(problems)
  list(JOIN problems "\n  " text)
  message(FATAL_ERROR "includes against the table of rooms:\n  ${text}\n"
                      "Move the code to the room that owns it, or, when a room must reach up, add the use "
                      "with its reason to the exceptions in cmake/CheckIncludeRooms.cmake.")
endif()
message(STATUS "${checked} includes checked against the table of rooms")

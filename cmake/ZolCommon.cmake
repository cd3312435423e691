# Compiler settings shared by every target of the project.

# Warnings on, everywhere.
add_compile_options(-Wall -Wextra)

# The system's narrow strings are Windows-1251; sources are UTF-8. GCC converts narrow
# literals at compile time (native build too, so tests compare the same bytes). clang has
# no such option; the portable core keeps its literals ASCII so that it builds either way.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-fexec-charset=CP1251>)
endif()

if(ZOL_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

if(WIN32)
  # One self-contained executable each: no MinGW runtime DLLs to ship.
  add_link_options(-static -static-libgcc -static-libstdc++)
  # Windows 7 SP1 is the oldest system the programs run on: the headers then refuse what it
  # lacks where they can. A newer function is looked up at run time (GetProcAddress) with a
  # fallback, and scripts/check-imports.sh holds the import tables to a reviewed list, since
  # the headers do not guard every function.
  add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
  # Hardening of every program and DLL: a stack guard in each function with a local array
  # or a local whose address is taken, the C library's checked calls where a buffer's size
  # is known at compile time (_FORTIFY_SOURCE, which needs optimisation; both come from
  # libssp, linked statically), ASLR (high-entropy addresses in 64-bit) and DEP, which the
  # linker sets by default from binutils 2.36 on and which are asked for here all the same.
  # scripts/check-pe.py checks the result in the packages.
  add_compile_options(-fstack-protector-strong)
  add_compile_definitions($<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>)
  add_link_options(-fstack-protector-strong -Wl,--dynamicbase -Wl,--nxcompat)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    add_link_options(-Wl,--high-entropy-va)
  endif()
endif()

# zol_test_only(TARGET...): code only the tests and benchmarks run, never shipped: the test
# cases, their helpers and GoogleTest. Their GoogleTest macros make compiling them most of a
# build's time, nearly half of it for full debug information and the second optimisation
# level. So: line tables only (-g1: a failure's backtrace still names files and lines) and,
# in the optimised build, -O1. The code under test is the programs' own libraries, compiled
# once with the build type's flags, as are the programs users get.
function(zol_test_only)
  set(c_or_cxx $<COMPILE_LANGUAGE:C,CXX>)
  foreach(target ${ARGN})
    target_compile_options(${target} PRIVATE $<$<AND:${c_or_cxx},$<CONFIG:RelWithDebInfo,Debug>>:-g1>
                           $<$<AND:${c_or_cxx},$<CONFIG:RelWithDebInfo>>:-O1>)
  endforeach()
endfunction()

# zol_add_portable_library(NAME SOURCES...): a static library of portable code, usable
# from both builds, with the project root on its include path (includes read "catalogue/X.h").
function(zol_add_portable_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
endfunction()

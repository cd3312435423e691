# The release version, 0.917.<build>, with <build> the number of commits of the checked-out
# history (git rev-list --count HEAD; 0 outside a git checkout). scripts/build.sh configures
# on every run, so the number follows new commits.
set(ZOL_VERSION_MAJOR 0)
set(ZOL_VERSION_MINOR 917)
set(ZOL_PRODUCT_NAME "Конфигуратор ZOL-OPC-Server")
execute_process(COMMAND git rev-list --count HEAD
                WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
                OUTPUT_VARIABLE ZOL_VERSION_BUILD OUTPUT_STRIP_TRAILING_WHITESPACE
                RESULT_VARIABLE zol_git_result ERROR_QUIET)
if(NOT zol_git_result EQUAL 0 OR NOT ZOL_VERSION_BUILD MATCHES "^[0-9]+$")
  set(ZOL_VERSION_BUILD 0)
endif()
set(ZOL_VERSION "${ZOL_VERSION_MAJOR}.${ZOL_VERSION_MINOR}.${ZOL_VERSION_BUILD}")

# zol_add_version_info(TARGET "Russian file description"): a VERSIONINFO resource in the
# target's executable or DLL, with the file and product version above, the product name,
# the description and an empty company name.
function(zol_add_version_info target description)
  get_target_property(type ${target} TYPE)
  get_target_property(stem ${target} OUTPUT_NAME)
  if(NOT stem)
    set(stem ${target})
  endif()
  if(type STREQUAL "SHARED_LIBRARY")
    set(ZOL_FILE_NAME ${stem}.dll)
    set(ZOL_FILE_TYPE VFT_DLL)
  else()
    set(ZOL_FILE_NAME ${stem}.exe)
    set(ZOL_FILE_TYPE VFT_APP)
  endif()
  set(ZOL_FILE_STEM ${stem})
  set(ZOL_FILE_DESCRIPTION "${description}")
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${CMAKE_SOURCE_DIR}/res/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()

# zol_add_console_manifest(TARGET): a manifest for a console program: it runs with the
# rights of its user (asInvoker: no elevation prompt, and no silent redirection of its
# writes into Program Files to a per-user copy), on the Windows versions the window supports.
function(zol_add_console_manifest target)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(ZOL_MANIFEST_ARCH amd64)
  else()
    set(ZOL_MANIFEST_ARCH x86)
  endif()
  set(ZOL_FILE_STEM ${target})
  set(manifest ${CMAKE_CURRENT_BINARY_DIR}/${target}.manifest)
  configure_file(${CMAKE_SOURCE_DIR}/res/console.manifest.in ${manifest} @ONLY)
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_manifest.rc)
  file(WRITE ${rc} "#include <winuser.h>\nCREATEPROCESS_MANIFEST_RESOURCE_ID RT_MANIFEST \"${manifest}\"\n")
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${manifest})
  target_sources(${target} PRIVATE ${rc})
endfunction()

# For scripts/package.sh: the version these programs carry.
file(WRITE ${CMAKE_BINARY_DIR}/version.txt "${ZOL_VERSION}\n")

# The checks that are scripts rather than test programs, registered once, in the 64-bit
# build: they use both Windows builds. A script that needs 32-bit programs runs through
# scripts/wine-test.sh --with32, which skips it (exit code 77, with the reason) where they
# cannot run here.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(zol_scripts ${CMAKE_SOURCE_DIR}/scripts)

  # Each build's zolcfg.exe against the other's server.
  add_test(NAME wine32.mixed-bitness
           COMMAND bash ${zol_scripts}/wine-test.sh --with32 ${zol_scripts}/mixed-bitness.sh)
  set_tests_properties(wine32.mixed-bitness PROPERTIES TIMEOUT 600 RESOURCE_LOCK wine32_prefix)

  # Start-up to the title of both builds in one run, and their ratio. Emulated, the 32-bit
  # time is qemu's and the ratio says nothing of Windows (the output says so).
  add_test(NAME wine32.startup-ratio
           COMMAND bash ${zol_scripts}/wine-test.sh --with32 ${zol_scripts}/bench-wine.sh --both startup_bench title)
  set_tests_properties(wine32.startup-ratio PROPERTIES TIMEOUT 400 PASS_REGULAR_EXPRESSION "median start to title"
    RESOURCE_LOCK "wine32_prefix;wine64_prefix")
  set_tests_properties(wine32.mixed-bitness wine32.startup-ratio PROPERTIES
    LABELS wine32 SKIP_RETURN_CODE 77 FIXTURES_REQUIRED wine32_prefix WORKING_DIRECTORY ${CMAKE_SOURCE_DIR})

  # The Ansible role of examples/ansible: validated (syntax check with ansible.windows,
  # ansible-lint, argument specs), then run by Debian's ansible-core against five hosts of
  # this machine, each with a stand-in server and line of its own (skipped when the engine
  # could not be installed).
  add_test(NAME wine64.ansible_role COMMAND bash ${zol_scripts}/ansible-role-test.sh ${CMAKE_BINARY_DIR})
  set_tests_properties(wine64.ansible_role PROPERTIES LABELS wine64 SKIP_RETURN_CODE 77 TIMEOUT 1500
    RESOURCE_LOCK wine64_prefix FIXTURES_REQUIRED wine64_prefix WORKING_DIRECTORY ${CMAKE_SOURCE_DIR})

  # The user's guide from the screenshots the main window's tests have just saved: after them.
  add_test(NAME package.guide COMMAND bash ${zol_scripts}/guide.sh --no-tests)
  set_tests_properties(package.guide PROPERTIES TIMEOUT 300 DEPENDS "wine64.app_tests.Startup;wine64.app_tests.Tree;wine64.app_tests.Commands;wine64.app_tests.History;wine64.app_tests.TagFile;wine64.app_tests.WindowFeatures;wine64.app_tests.LineCheck")

  # The packages: built from both builds as they are, their contents and the programs'
  # headers checked, the x86 installer run silently (where 32-bit programs cannot run, the
  # same script with the 64-bit stub: the output says so), the MSI installed, upgraded and
  # removed by msiexec, and everything built once more signed with a throwaway certificate.
  add_test(NAME package.build-and-check
           COMMAND bash -c "${zol_scripts}/package.sh --no-build && exec ${zol_scripts}/wine-test.sh --with32 --or-without ${zol_scripts}/package-test.sh")
  set_tests_properties(package.build-and-check PROPERTIES TIMEOUT 900 DEPENDS package.guide
    RESOURCE_LOCK wine32_prefix FIXTURES_REQUIRED wine32_prefix)
  set_tests_properties(package.guide package.build-and-check PROPERTIES
    LABELS package WORKING_DIRECTORY ${CMAKE_SOURCE_DIR})
endif()

# zolctl's command line and its table of commands (the portable part of ctl/).
zol_add_unit_test(ctl_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ctl_args_test.cpp
  LIBS zol_ctl_args)

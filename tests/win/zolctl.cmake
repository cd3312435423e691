# zolctl.exe run as a process against the stand-in server through real COM.
zol_add_win_test(zolctl_win_tests
  SOURCES zolctl_main.cpp zolctl_support.cpp standin_support.cpp StandinFixture.cpp ServerFiles.cpp
          DescriptionFiles.cpp zolctl_commands_test.cpp zolctl_import_test.cpp
  LIBS zol_server zol_catalogue ole32 advapi32)
add_dependencies(zolctl_win_tests zolctl zolsrv zolps)

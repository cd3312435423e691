# The main window: start-up, tree, restart; against the stand-in server.
zol_add_win_test(app_tests
  SOURCES WinTestMain.cpp UiDriver.cpp BoxAnswerer.cpp StandinFixture.cpp standin_support.cpp
          app_startup_test.cpp $<TARGET_OBJECTS:zol_res>
  LIBS zol_app advapi32)
add_dependencies(app_tests zolsrv zolps)

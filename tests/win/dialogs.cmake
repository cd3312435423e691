# The dialogs of dialogs/ driven in-process: the add-device dialog, with the auto-search it
# opens, against the stand-in server through real COM.
zol_add_win_test(dialogs_win_tests
  SOURCES $<TARGET_OBJECTS:zol_win_test_main> $<TARGET_OBJECTS:zol_search_test_support> dialogs_add_device_test.cpp
          $<TARGET_OBJECTS:zol_res>
  LIBS zol_win_test_support zol_dialogs zol_search advapi32)
add_dependencies(dialogs_win_tests zolsrv zolps)

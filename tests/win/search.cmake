# The search worker, the auto-search dialog and the add-device dialog, against the
# stand-in server through real COM.
zol_add_win_test(search_win_tests
  SOURCES $<TARGET_OBJECTS:zol_win_test_main> search_support.cpp search_worker_test.cpp search_dialog_test.cpp add_device_dialog_test.cpp
          $<TARGET_OBJECTS:zol_res>
  LIBS zol_win_test_support zol_dialogs zol_search advapi32)
add_dependencies(search_win_tests zolsrv zolps)

# The COM-port settings dialog, driven in-process against the stand-in server through real
# COM, with exact port lists from a fake and the machine's own through CEnumerateSerial.
zol_add_win_test(comsettings_tests
  SOURCES $<TARGET_OBJECTS:zol_win_test_main> comsettings_support.cpp comsettings_dialog_test.cpp comsettings_ports_test.cpp $<TARGET_OBJECTS:zol_res>
  LIBS zol_win_test_support zol_serial_ui advapi32)
add_dependencies(comsettings_tests zolsrv zolps)

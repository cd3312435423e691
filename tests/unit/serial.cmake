zol_add_unit_test(serial_tests
  SOURCES serial_enumeration_test.cpp serial_dialog_model_test.cpp serial_port_settings_test.cpp
  LIBS zol_serial_core)

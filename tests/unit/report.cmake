# The as-built report: its model, the page's escaping and the JSON read back.
zol_add_unit_test(report_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/report_test.cpp
  LIBS zol_report)

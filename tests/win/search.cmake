# The search worker and the auto-search dialog, against the stand-in server through real COM.
# The search tests' fixture (search_support) serves the add-device dialog's tests too.
add_library(zol_search_test_support OBJECT search_support.cpp)
target_link_libraries(zol_search_test_support PRIVATE zol_win_test_support zol_search)
zol_test_only(zol_search_test_support)

zol_add_win_test(search_win_tests
  SOURCES $<TARGET_OBJECTS:zol_win_test_main> $<TARGET_OBJECTS:zol_search_test_support> search_worker_test.cpp
          search_dialog_test.cpp $<TARGET_OBJECTS:zol_res>
  LIBS zol_win_test_support zol_search advapi32)
add_dependencies(search_win_tests zolsrv zolps)

# The dialogs' portable pieces: the Russian wording of the description lint findings, over
# the reports the description-files dialog shows.
zol_add_unit_test(dialogs_texts_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/catalogue_test_util.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dialogs_lint_texts_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dialogs_lint_wording_test.cpp
    ${CMAKE_SOURCE_DIR}/dialogs/LintFindingTexts.cpp
  LIBS zol_catalogue)

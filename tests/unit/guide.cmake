# The user's guide: its sections, the links the program opens it with, and that every error
# message it explains is one the programs show.
zol_add_unit_test(guide_tests SOURCES guide_test.cpp LIBS zol_common)

# The server's portable side: a connection that remembers its loss, and the codes that say so;
# the forwarding base of the ITagServer wrappers; the connection failures every front end shares.
zol_add_unit_test(server_tests
  SOURCES server_connection_latch_test.cpp server_forwarding_test.cpp server_connect_failure_test.cpp
  LIBS zol_server_core)

# Tests of the port layer, port resolution, port opening and the watchdog.
morvane_add_test(test_portresolve SOURCES tst_portresolve.cpp LIBS morvane_link)
morvane_add_test(test_comport SOURCES tst_comport.cpp LIBS morvane_link morvane_testsupport)

# Tests of the CRC, the request frames, the reply framer and the receive wait.
set(_link_test_libs morvane_link morvane_testsupport Qt6::Core)
morvane_add_test(test_crc16 SOURCES tst_crc16.cpp LIBS ${_link_test_libs})
morvane_add_test(test_requests SOURCES tst_requests.cpp LIBS ${_link_test_libs})
morvane_add_test(test_receiver SOURCES tst_receiver.cpp LIBS ${_link_test_libs})
morvane_add_test(test_receive SOURCES tst_receive.cpp LIBS ${_link_test_libs})
morvane_add_test(test_receive_wait SOURCES tst_receive_wait.cpp LIBS ${_link_test_libs})

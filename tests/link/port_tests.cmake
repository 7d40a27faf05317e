# Tests of the port layer, port resolution, port opening and the watchdog.
morvane_add_test(test_portresolve SOURCES tst_portresolve.cpp LIBS morvane_link)
morvane_add_test(test_comport SOURCES tst_comport.cpp LIBS morvane_link morvane_testsupport)
add_executable(port_opener tst_qtserialport_opener.cpp)
target_link_libraries(port_opener PRIVATE morvane_link morvane_testsupport)
morvane_add_test(test_qtserialport SOURCES tst_qtserialport.cpp
  LIBS morvane_link morvane_testsupport Qt6::SerialPort)
morvane_add_test(test_qtserialport_faults SOURCES tst_qtserialport_faults.cpp
  LIBS morvane_link morvane_testsupport Qt6::SerialPort)
target_compile_definitions(test_qtserialport_faults PRIVATE
  MORVANE_PORT_OPENER="$<TARGET_FILE:port_opener>")
add_dependencies(test_qtserialport_faults port_opener)

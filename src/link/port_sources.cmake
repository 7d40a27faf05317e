# Serial port layer, port resolution, port opening and the watchdog.
target_sources(morvane_link PRIVATE
  portresolve.cpp
  qtserialport.cpp
  comport.cpp)

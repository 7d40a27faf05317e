# CRC, request frames, the reply framer, the receive wait and the Qt event pump.
target_sources(morvane_link PRIVATE
  crc16.cpp
  requests.cpp
  receiver.cpp
  receive.cpp
  eventpump.cpp)

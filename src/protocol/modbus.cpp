#include "protocol/modbus.h"

namespace morvane::modbus
{

std::string_view ExceptionName(int code)
{
    switch (code) {
    case kIllegalFunction:
        return "illegal function";
    case kIllegalDataAddress:
        return "illegal data address";
    case kIllegalDataValue:
        return "illegal data value";
    case kSlaveDeviceFailure:
        return "slave device failure";
    default:
        return {};
    }
}

} // namespace morvane::modbus

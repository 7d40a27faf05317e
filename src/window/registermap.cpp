#include "window/registermap.h"

#include "common/numbertext.h"

namespace morvane
{

bool IsTimerMode(std::int32_t mode)
{
    return mode == 9 || mode == 10;
}

std::string RegisterValueText(int field, std::int32_t value, std::int32_t modeRegister)
{
    const bool unsignedDuration = field == kDurationField && IsTimerMode(modeRegister);
    if (value <= 32767 || unsignedDuration)
        return std::to_string(value);
    return std::to_string(static_cast<std::int64_t>(value) - 65536);
}

std::optional<std::int32_t> FieldRegisterValue(std::string_view text)
{
    double x = FieldValue(text);
    if (x < 0)
        x += 65536;
    return RoundToInt32(x);
}

} // namespace morvane

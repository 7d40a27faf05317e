#include "controller/registermap.h"

#include "common/numbertext.h"
#include "controller/fields.h"
#include "controller/modetable.h"

namespace morvane
{

std::string RegisterValueText(int field, std::int32_t value, std::int32_t modeRegister)
{
    const bool unsignedDuration = field == field::kDuration && IsTimerMode(modeRegister);
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

RegisterWrite RegisterWriteOfText(std::string_view text)
{
    // The entry checks read "5OO" as 5 while the user types; sent, it would put 5 into the
    // controller while the window shows something else.
    if (!IsOneNumber(text))
        return {0, WriteRefusal::NotANumber};
    // A number below -32768 plus 65536 lands on a positive value that some other text means:
    // "-40000" would reach the controller as 25536.
    if (RoundHalfEven(FieldValue(text)) < -32768)
        return {0, WriteRefusal::BelowRange};
    const std::optional<std::int32_t> value = FieldRegisterValue(text);
    if (!value)
        return {0, WriteRefusal::Beyond32Bits};
    return {*value, FitsRegister(*value) ? WriteRefusal::None : WriteRefusal::AboveRange};
}

} // namespace morvane

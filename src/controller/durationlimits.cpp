#include "controller/durationlimits.h"

#include <algorithm>
#include <cmath>

namespace morvane
{
namespace
{

// The fields above are held before the field below is checked, but a field below can be
// checked while one above still holds a text outside its range; read them as held.
double HeldHours(double hours)
{
    return std::clamp(hours, 0.0, kMaxDurationHours);
}

// Hours such as 17.9 have no exact binary form, so what they leave can come out a hair
// below a whole number (14.99999999999 s instead of 15 s); such a hair does not cost a
// whole second or minute.
constexpr double kRoundingHair = 1e-9;

double WholeLimit(double remainingUnits)
{
    return std::clamp(std::floor(remainingUnits + kRoundingHair), 0.0, kMaxMinutesOrSeconds);
}

} // namespace

double MinutesLimit(double hours)
{
    const double remaining = kMaxDurationSeconds - HeldHours(hours) * 3600;
    return WholeLimit(remaining / 60);
}

double SecondsLimit(double hours, double minutes)
{
    const double heldMinutes = std::clamp(minutes, 0.0, MinutesLimit(hours));
    return WholeLimit(kMaxDurationSeconds - HeldHours(hours) * 3600 - heldMinutes * 60);
}

double DurationTotal(double hours, double minutes, double seconds)
{
    // The held fields never add up to more than the register holds, save for the hair
    // above; never let that hair leave the dialog.
    return std::min(hours * 3600 + minutes * 60 + seconds, kMaxDurationSeconds);
}

} // namespace morvane

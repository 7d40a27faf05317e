#pragma once
// The limits of the timer-duration entry. The controller keeps a duration in one 16-bit
// register, so hours, minutes and seconds together must stay at or below 65535 s,
// which is 18 h 12 min 15 s.
//
// The fields are ranked: hours first, then minutes, then seconds. Each field is held to
// its own range and to what the fields above it leave of the 65535 s, in whole minutes
// and whole seconds. Raising a field above therefore holds the fields below it again, so
// that the three fields always show the total that "OK" writes, whatever the order of the
// edits and whether the hours carry a fraction (17.9 h leaves 18 min 15 s; 18 h leaves
// 12 min 15 s; 18 h 11.5 min leaves 45 s). For whole hours below 18 this is the plain
// 59 min 59 s, and for an entry made in the order hours, minutes, seconds with whole
// numbers it is exactly the familiar 18 h / 12 min / 15 s rule.

namespace morvane
{

inline constexpr double kMaxDurationSeconds = 65535;
inline constexpr double kMaxDurationHours = 18;
inline constexpr double kMaxMinutesOrSeconds = 59;

// The largest number of minutes, at most 59, that fits beside the given hours.
double MinutesLimit(double hours);

// The largest number of seconds, at most 59, that fits beside the given hours and minutes.
double SecondsLimit(double hours, double minutes);

// The duration in seconds, as "OK" writes it.
double DurationTotal(double hours, double minutes, double seconds);

} // namespace morvane

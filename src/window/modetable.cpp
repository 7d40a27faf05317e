#include "window/modetable.h"

#include <array>

namespace morvane
{
namespace
{

using namespace std::string_view_literals;
constexpr std::optional<std::string_view> kKept;

// Index 0 stands for every number that is not a mode.
const std::array<ModeRow, 12> kModeRows = {{
    //  rows 2..9   row 10  Label5(3)          Label5(4)
    {"DDDEDDDD"sv, false, kKept, kKept},
    {"DEEEDDDD"sv, false, "0V Value: "sv, "5V Value: "sv},
    {"DEEEDDDD"sv, true, "0mA Value: "sv, "20mA Value: "sv},
    {"DEEEDDDD"sv, false, "Count By: "sv, "Reset To: "sv},
    {"DEEEDDDD"sv, false, "Count By: "sv, "Reset To: "sv},
    {"DEEEDDDD"sv, false, "Count By: "sv, "Reset To: "sv},
    {"DEDEDDDD"sv, false, "Pulses/Rev: "sv, kKept},
    {"DEDEDDDD"sv, false, "Pulses/Hz: "sv, kKept},
    {"DDDEDDEE"sv, false, kKept, kKept},
    {"DEDEDDDD"sv, false, "Seconds: "sv, kKept},
    {"DEDEDDDD"sv, false, "Seconds: "sv, kKept},
    {"DDDEDEEE"sv, false, kKept, kKept},
}};

const std::array<std::string_view, 12> kModeCaptions = {
    ""sv,
    "0-5V"sv,
    "0-20mA"sv,
    "Counter  "sv,
    "Up/Down Counter"sv,
    "Quadrature Counter"sv,
    "Tachometer RPM"sv,
    "Frequency"sv,
    "ASCII"sv,
    "Up Timer"sv,
    "Down Timer"sv,
    "Modbus Signed Long"sv,
};

constexpr std::array<int, 2> kAnalogModes = {1, 2};
constexpr std::array<int, 7> kDigitalModes = {3, 4, 5, 6, 7, 9, 10};
constexpr std::array<int, 2> kSerialModes = {8, 11};

} // namespace

bool IsMode(int mode)
{
    return mode >= kFirstMode && mode <= kLastMode;
}

const ModeRow& ModeRowFor(int mode)
{
    return kModeRows[static_cast<std::size_t>(IsMode(mode) ? mode : 0)];
}

std::string_view ModeCaption(int mode)
{
    return kModeCaptions[static_cast<std::size_t>(IsMode(mode) ? mode : 0)];
}

int InputTypeOfMode(int mode)
{
    if (mode == 1 || mode == 2)
        return kAnalogType;
    if ((mode >= 3 && mode <= 7) || mode == 9 || mode == 10)
        return kDigitalType;
    return kSerialType;
}

int FirstModeOfType(int type)
{
    switch (type) {
    case kAnalogType:
        return 1;
    case kDigitalType:
        return 3;
    default:
        return 8;
    }
}

std::optional<int> FirstModeUsingRow(int row)
{
    if (row < kFirstModeRow || row > kLastModeRow)
        return std::nullopt;
    for (int mode = kFirstMode; mode <= kLastMode; ++mode)
        if (ModeRowFor(mode).RowEnabled(row))
            return mode;
    return std::nullopt;
}

std::span<const int> ModesOfType(int type)
{
    switch (type) {
    case kAnalogType:
        return kAnalogModes;
    case kDigitalType:
        return kDigitalModes;
    default:
        return kSerialModes;
    }
}

} // namespace morvane

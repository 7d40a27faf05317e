#pragma once
// The window's entry fields Text1(0) to Text1(10), each row with its design caption and text.
// Field i from 1 to 9 stands for controller register i + 2; Digits and the 4 mA value are
// the window's own and no register holds them.

#include "controller/displayformat.h"

#include <array>
#include <string_view>

namespace morvane::field
{

enum Index : int {
    kDigits = 0,     // digits of the controller's display, for the preview
    kDecPlace = 1,   // position of the display's decimal point
    kMode = 2,       // the input mode, written by the mode selection only
    kParameter1 = 3, // first parameter of the mode: 0 V / 0 mA value, count by, seconds...
    kParameter2 = 4, // second parameter: 5 V / 20 mA value, reset to
    kDispDelay = 5,  // display delay; open in every mode
    kDebounce = 6,   // open in no mode
    kAddress = 7,    // the controller's own Modbus address
    kBaud = 8,       // the controller's baud-rate code
    kParity = 9,     // the controller's parity code
    kFourMa = 10,    // the 4 mA value, beside row 3 and shown in the 0-20 mA mode only
};

// The roles fields take in some modes.
inline constexpr Index kZeroMa = kParameter1;
inline constexpr Index kTwentyMa = kParameter2;
inline constexpr Index kDuration = kParameter1; // the timer modes' duration in seconds

inline constexpr int kCount = 11;
inline constexpr int kFirstRegisterField = kDecPlace;
inline constexpr int kLastRegisterField = kParity;
// Rows 2 to 9 open and close with the mode; rows 0 and 1 (the display format) are always open.
inline constexpr int kFirstModeRow = kMode;
inline constexpr int kLastModeRow = kParity;

constexpr bool IsRegisterField(int index)
{
    return index >= kFirstRegisterField && index <= kLastRegisterField;
}

// Controller register number of a register field, and back.
constexpr int RegisterOfField(int index)
{
    return index + 2;
}
constexpr int FieldOfRegister(int reg)
{
    return reg - 2;
}

struct Row {
    std::string_view caption;    // Label5, with its trailing blank
    std::string_view designText; // Text1 when the window opens
};

inline constexpr std::array<Row, kCount> kRows = {{
    {"Digits: ", kDefaultDigitsText},
    {"Dec Place: ", "2"},
    {"Mode: ", "1"},
    {"0V Value: ", "0"},
    {"5V Value: ", "100"},
    {"Disp Delay: ", "500"},
    {"Debounce: ", "20"},
    {"Address: ", "1"},
    {"Baud: ", "3"},
    {"Parity: ", "0"},
    {"4mA Value: ", "0"},
}};

} // namespace morvane::field

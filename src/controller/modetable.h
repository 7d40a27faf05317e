#pragma once
// The eleven input modes, their three input types, and what each mode makes of the
// parameter rows: which rows can be edited, whether the 4 mA row shows, and the captions
// of rows 3 and 4. One table; everything else about modes and types is derived from it.

#include "controller/fields.h"

#include <array>
#include <optional>
#include <span>
#include <string_view>

namespace morvane
{

namespace mode
{
enum Number : int {
    k0To5V = 1,
    k0To20mA = 2,
    kCounter = 3,
    kUpDownCounter = 4,
    kQuadratureCounter = 5,
    kTachometerRpm = 6,
    kFrequency = 7,
    kAscii = 8,
    kUpTimer = 9,
    kDownTimer = 10,
    kModbusSignedLong = 11,
};
inline constexpr int kFirst = k0To5V;
inline constexpr int kLast = kModbusSignedLong;
// A number no option shows (0, 12 and above, negative) counts as this mode.
inline constexpr int kStandIn = kModbusSignedLong;
// The mode a new window shows before anything is read or chosen.
inline constexpr int kDesign = k0To5V;
} // namespace mode

namespace input
{
enum Type : int { kAnalog = 0, kDigital = 1, kSerial = 2 };
inline constexpr int kTypeCount = 3;
} // namespace input

struct ModeRow {
    int mode;                // 0 for the row of numbers that are no mode
    int type;                // input type; the stand-in's for numbers that are no mode
    std::string_view option; // caption of Option2(mode)
    std::string_view rows;   // rows 2 to 9 in order: 'E' enabled, 'D' disabled
    bool fourMaShown;        // row 10
    // Captions of Label5(3) and Label5(4); nothing where the caption keeps what it showed.
    std::optional<std::string_view> caption3;
    std::optional<std::string_view> caption4;
    bool timer; // the duration in row 3 is a number of seconds, 0 to 65535

    bool RowEnabled(int row) const;
};

bool IsMode(int mode);

// The mode's row; any number outside 1 to 11 gets the row that only opens Disp Delay.
const ModeRow& ModeRowFor(int mode);

// The caption of Option2(mode).
std::string_view ModeCaption(int mode);

// The caption of Option1(type): "Analog", "Digital", "Serial".
std::string_view InputTypeCaption(int type);

// The input type a mode belongs to. Numbers outside 1 to 11 count as the stand-in mode.
int InputTypeOfMode(int mode);

// The mode a type switches to when it is chosen: its first mode in the table.
int FirstModeOfType(int type);

// A type's modes in the order their options are enabled and disabled.
std::span<const int> ModesOfType(int type);

// The up and down timers, whose duration is shown unsigned.
bool IsTimerMode(int mode);

// The lowest mode that enables the row; nothing for a row no mode enables.
std::optional<int> FirstModeUsingRow(int row);

// The mode a read selects for a value of the mode register: the value when it is a mode,
// otherwise the stand-in.
int ModeSelectedBy(int modeRegister);

// The captions of rows 0 to 10 in a window that has just started and then read this value of
// the mode register. Choosing the type first passes through the type's first mode, so the
// captions are the design's, then those of that first mode when the type is not the design's,
// then the selected mode's; a caption the table keeps stays as it was.
std::array<std::string_view, field::kCount> CaptionsAfterRead(int modeRegister);

} // namespace morvane

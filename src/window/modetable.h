#pragma once
// The eleven input modes, their three input types, and what each mode makes of the
// parameter rows: which rows can be edited, whether the 4 mA row shows, and the captions
// of rows 3 and 4. Plain data, so the window only carries it out.

#include <optional>
#include <span>
#include <string_view>

namespace morvane
{

inline constexpr int kAnalogType = 0;
inline constexpr int kDigitalType = 1;
inline constexpr int kSerialType = 2;
inline constexpr int kInputTypeCount = 3;

inline constexpr int kFirstMode = 1;
inline constexpr int kLastMode = 11;

// Rows 2 to 9 change with the mode; rows 0 and 1 (the display format) are always open.
inline constexpr int kFirstModeRow = 2;
inline constexpr int kLastModeRow = 9;
inline constexpr int kFourMaRow = 10;

struct ModeRow {
    std::string_view rows; // rows 2 to 9 in order: 'E' enabled, 'D' disabled
    bool fourMaShown;      // row 10
    // Captions of Label5(3) and Label5(4); empty where the caption keeps what it showed.
    std::optional<std::string_view> caption3;
    std::optional<std::string_view> caption4;

    bool RowEnabled(int row) const { return rows[static_cast<std::size_t>(row - 2)] == 'E'; }
};

bool IsMode(int mode);

// The mode's row; any number outside 1 to 11 gets the row that only opens Disp Delay.
const ModeRow& ModeRowFor(int mode);

// The caption of Option2(mode).
std::string_view ModeCaption(int mode);

// The input type a mode belongs to. Numbers outside 1 to 11 count as 11, a serial mode.
int InputTypeOfMode(int mode);

// The mode a type switches to when it is chosen: 1, 3 or 8.
int FirstModeOfType(int type);

// The lowest mode that enables the row; nothing for a row no mode enables.
std::optional<int> FirstModeUsingRow(int row);

// A type's modes in the order their options are enabled and disabled.
std::span<const int> ModesOfType(int type);

} // namespace morvane

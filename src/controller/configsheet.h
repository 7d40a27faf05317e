#pragma once
// A configuration as a sheet of paper records it: the input type and mode by name, every row of
// the window with its caption, its text, whether the mode uses it and whether its value can be
// sent, the display preview and the nine register values as a write would send them. The
// window makes one of what it holds now, the command line of what a new window would hold
// after showing a file or a unit; both then print the same page.

#include "controller/configblock.h"
#include "controller/entrychecks.h"
#include "controller/fields.h"
#include "controller/registermap.h"
#include "controller/shownconfig.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace morvane
{

// A row as the window shows it.
struct ShownRow {
    std::string caption; // Label5 as shown: "0mA Value: "
    std::string text;    // Text1 as shown, typed or corrected
    bool used = true;    // enabled (row 10: shown)
};

// Why a row's value cannot be what it stands for: a register value that cannot be sent, a
// Digits that a file cannot hold, a 4 mA value that is not a number.
enum class ValueFault { None, NotANumber, OutOfRange };

struct SheetRow {
    std::string param;                 // "Param1" to "Param9"; empty for Digits and the 4 mA value
    std::string caption;               // without the trailing ": " and blanks: "0mA Value"
    std::string text;                  // as shown: typed or corrected, never what it would send
    bool used = true;                  // false: the mode greys the row out or hides it
    std::optional<int> reg;            // the register the row stands for
    std::optional<std::uint16_t> sent; // the value a write sends; none when it cannot be sent
    ValueFault fault = ValueFault::None;
};

struct ConfigSheet {
    std::string inputType; // "Analog"
    std::string mode;      // "Counter", without the option's trailing blanks
    std::array<SheetRow, field::kCount> rows{};
    DisplayRange preview; // as the window shows it beside "Min:" and "Max:"
};

// The Digits a text stands for when a file can hold it: a whole number from 1 to 10.
std::optional<int> DigitsOfText(std::string_view text);

// The sheet of rows as shown under the selected type and mode, with the preview as shown.
ConfigSheet SheetOfShownRows(const std::array<ShownRow, field::kCount>& rows, int inputType,
                             int mode, const DisplayRange& preview);

// The sheet of a new window that has shown these values (ConfigurationAsShown): the captions
// and rows of the mode the mode register selects, the preview of its Digits and Dec Place.
ConfigSheet SheetAfterShowing(const ShownConfiguration& shown);

} // namespace morvane

#pragma once
// What a configuration means: the fields a window holds once it has shown nine register
// values and a number of digits, and the registers "Write To Controller" then sends. Opening
// a file in the window, reading a controller on the command line and writing a file from the
// command line all go through this one rule, so that a file means the same whichever way it
// is written.

#include "controller/configblock.h"
#include "controller/entrychecks.h"
#include "controller/fields.h"

#include <array>
#include <string>

namespace morvane
{

// Text1(0) to Text1(10) without widgets, starting from their design texts, with the window's
// rule that a changed text runs the entry checks for its field before the write returns.
class EntryForm final : public EntryFields
{
  public:
    EntryForm();
    std::string Text(int index) const override;
    void Write(int index, const std::string& text) override;
    // The checks' steps that touch fields; the preview only draws.
    void CheckParameterEntry(int index);
    void RecomputeFourMa();

  private:
    std::array<std::string, field::kCount> m_texts;
    MilliampPair m_milliampPair;
};

struct ShownConfiguration {
    std::array<std::string, field::kCount> texts; // Text1(0) to Text1(10)
    Registers registers;                          // what a write sends
};

// A new window that shows these values as an answered read or an opened file does: Digits
// first, the nine fields in order, each as its register reads; then the mode selected (a
// number no option shows becomes "Modbus Signed Long"); then the 4 mA value from the values
// shown. The entry checks correct on the way: Dec Place held to Digits and to 9, the 0 mA
// value rewritten by the 0 mA / 4 mA exchange. Applying it to its own result changes nothing.
ShownConfiguration ConfigurationAsShown(int digits, const Registers& registers);

} // namespace morvane

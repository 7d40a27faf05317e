#pragma once
// The entry checks without widgets: the display range preview, the 0 mA / 4 mA arithmetic,
// and the checks' steps over any set of entry fields, so that the window and a plain copy of
// its fields correct a text in exactly the same way.

#include "controller/displayformat.h"

#include <string>

namespace morvane
{

struct DisplayRange {
    std::string min; // most negative number the display shows: "-999.9"
    std::string max; // largest: "9999.9"
};

// What a display of `digits` digits with its point at `decPlace` (counted from the right,
// 0 for none) can show: a row of nines with the point in place, the minus sign taking the
// leftmost digit. Fractional values match no position, so they place no interior point.
DisplayRange DisplayPreview(double digits, double decPlace);

// The Dec Place text that holds Dec Place at Digits: Digits in plain number form, or, when
// that form (15 significant digits) would read back above Digits, the exact form.
std::string DecPlaceLimitText(double digits);

// The 4 mA value, a fifth of the way from the 0 mA value to the 20 mA value.
std::string FourMaText(double zeroMa, double twentyMa);

// The 0 mA value that puts `fourMa` a fifth of the way to the 20 mA value.
std::string ZeroMaText(double fourMa, double twentyMa);

// Text1(0) to Text1(10) as the checks see them. A write that changes a field's text runs the
// checks for that field, nested, before it returns; a write of the text it holds runs nothing.
class EntryFields
{
  public:
    virtual std::string Text(int index) const = 0;
    virtual void Write(int index, const std::string& text) = 0;

  protected:
    ~EntryFields() = default;
};

// Holds Digits to 1..10 and Dec Place to 0..9 and to no more than Digits. Each test reads the
// fields afresh, since a correction re-enters the checks before the next test.
void HoldDisplayFormatInRange(EntryFields& fields);

// After a change of the 0 mA value (Text1(3)) or the 4 mA value (Text1(10)), writes the other
// so that the 4 mA value lies a fifth of the way to the 20 mA value. One instance serves all
// the nested runs of one set of fields: it counts the writes under way.
class MilliampPair
{
  public:
    void Update(EntryFields& fields, int index);

  private:
    int m_writeDepth = 0;
};

} // namespace morvane

#pragma once
// What the window tests expect of the rows in each input mode, written out from the mode
// table on its own so that the window's table is checked against it, and the checks that
// compare a live window with it.

#include "common/numbertext.h"
#include "window/frmmain.h"

#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include <array>

namespace morvane::test
{

struct ExpectedMode {
    int type;
    const char* rows; // rows 2 to 9: 'E' enabled, 'D' disabled
    bool fourMaShown;
    const char* caption3; // nullptr: kept
    const char* caption4;
};

// Index 0 stands for any number that is not a mode.
inline const std::array<ExpectedMode, 12> kExpectedModes = {{
    {-1, "DDDEDDDD", false, nullptr, nullptr},
    {0, "DEEEDDDD", false, "0V Value: ", "5V Value: "},
    {0, "DEEEDDDD", true, "0mA Value: ", "20mA Value: "},
    {1, "DEEEDDDD", false, "Count By: ", "Reset To: "},
    {1, "DEEEDDDD", false, "Count By: ", "Reset To: "},
    {1, "DEEEDDDD", false, "Count By: ", "Reset To: "},
    {1, "DEDEDDDD", false, "Pulses/Rev: ", nullptr},
    {1, "DEDEDDDD", false, "Pulses/Hz: ", nullptr},
    {2, "DDDEDDEE", false, nullptr, nullptr},
    {1, "DEDEDDDD", false, "Seconds: ", nullptr},
    {1, "DEDEDDDD", false, "Seconds: ", nullptr},
    {2, "DDDEDEEE", false, nullptr, nullptr},
}};

inline const ExpectedMode& Expected(int mode)
{
    return kExpectedModes[static_cast<std::size_t>(mode >= 1 && mode <= 11 ? mode : 0)];
}

inline double Num(const QLineEdit* field)
{
    return FieldValue(field->text().toStdString());
}

inline int CheckedType(const FrmMain& w)
{
    for (int t = 0; t < 3; ++t)
        if (w.Option1(t)->isChecked())
            return t;
    return -1;
}

inline int CheckedMode(const FrmMain& w)
{
    for (int m = 1; m <= 11; ++m)
        if (w.Option2(m)->isChecked())
            return m;
    return -1;
}

// Rows, row 10 and the captions the table sets, for `mode`. Empty when all agree.
inline QString RowMismatch(const FrmMain& w, int mode)
{
    const ExpectedMode& e = Expected(mode);
    for (int row = 0; row <= 9; ++row) {
        const bool enabled = row < 2 || e.rows[row - 2] == 'E';
        const bool label6Ok = row == 0 || w.Label6(row)->isEnabled() == enabled;
        if (!label6Ok || w.Label5(row)->isEnabled() != enabled ||
            w.Text1(row)->isEnabled() != enabled)
            return QString("row %1 should be %2").arg(row).arg(enabled ? "enabled" : "disabled");
    }
    if (w.Text1(10)->isHidden() == e.fourMaShown || w.Label5(10)->isHidden() == e.fourMaShown)
        return QString("row 10 should be %1").arg(e.fourMaShown ? "shown" : "hidden");
    if (e.caption3 && w.Label5(3)->text() != e.caption3)
        return "Label5(3) reads " + w.Label5(3)->text();
    if (e.caption4 && w.Label5(4)->text() != e.caption4)
        return "Label5(4) reads " + w.Label5(4)->text();
    return {};
}

// Only the chosen type's modes can be chosen.
inline QString OptionMismatch(const FrmMain& w, int type)
{
    for (int m = 1; m <= 11; ++m) {
        if (w.Option2(m)->isEnabled() != (Expected(m).type == type))
            return QString("Option2(%1) should be %2")
                .arg(m)
                .arg(Expected(m).type == type ? "enabled" : "disabled");
    }
    return {};
}

} // namespace morvane::test

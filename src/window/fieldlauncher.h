#pragma once
// The field-click launcher: the timer duration, baud-rate and parity fields hold coded or
// compound values, so in the modes that use them a pointer click into the field opens a
// chooser that fills it. The fields stay open to typing all the same.

namespace morvane
{

class FrmMain;

enum class FieldChooser { None, Duration, Baud, Parity }; // -, Form4, Form2, Form3

// The selected states of the modes that have choosers.
struct ChooserModes {
    bool ascii = false;            // Option2(8)
    bool upTimer = false;          // Option2(9)
    bool downTimer = false;        // Option2(10)
    bool modbusSignedLong = false; // Option2(11)
};

// Which chooser a pointer click into Text1(index) opens in the given modes.
FieldChooser ChooserForField(int index, const ChooserModes& modes);

// The selected states of Option2(8) to Option2(11), read now.
ChooserModes SelectedChooserModes(const FrmMain& window);

// Runs on a pointer click into Text1(index), or Alt+Down or F4 in it: shows the chooser that the
// field and the mode call for, without blocking, set to write back into that same field.
void OpenFieldDialog(FrmMain& window, int index);

// Makes every pointer click into a field of the window, and Alt+Down or F4 in it, run
// OpenFieldDialog.
void ConnectFieldDialogs(FrmMain& window);

} // namespace morvane

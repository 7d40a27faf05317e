#include "window/fieldlauncher.h"

#include "controller/fields.h"
#include "controller/modetable.h"
#include "dialogs/form2.h"
#include "dialogs/form3.h"
#include "dialogs/form4.h"
#include "window/frmmain.h"

#include <QRadioButton>

namespace morvane
{
FieldChooser ChooserForField(int index, const ChooserModes& modes)
{
    const bool timerMode = modes.upTimer || modes.downTimer;
    const bool serialMode = modes.ascii || modes.modbusSignedLong;
    if (timerMode && index == field::kDuration)
        return FieldChooser::Duration;
    if (serialMode && index == field::kBaud)
        return FieldChooser::Baud;
    if (serialMode && index == field::kParity)
        return FieldChooser::Parity;
    return FieldChooser::None;
}

ChooserModes SelectedChooserModes(const FrmMain& window)
{
    const auto selected = [&window](int m) { return window.Option2(m)->isChecked(); };
    return {selected(mode::kAscii), selected(mode::kUpTimer), selected(mode::kDownTimer),
            selected(mode::kModbusSignedLong)};
}

void OpenFieldDialog(FrmMain& window, int index)
{
    switch (ChooserForField(index, SelectedChooserModes(window))) {
    case FieldChooser::Duration:
        ShowForm4(window.Text1(field::kDuration));
        break;
    case FieldChooser::Baud:
        ShowForm2(window.Text1(field::kBaud));
        break;
    case FieldChooser::Parity:
        ShowForm3(window.Text1(field::kParity));
        break;
    case FieldChooser::None:
        break;
    }
}

void ConnectFieldDialogs(FrmMain& window)
{
    QObject::connect(&window, &FrmMain::fieldClicked, &window,
                     [&window](int index) { OpenFieldDialog(window, index); });
    QObject::connect(&window, &FrmMain::chooserKeyPressed, &window,
                     [&window](int index) { OpenFieldDialog(window, index); });
}

} // namespace morvane

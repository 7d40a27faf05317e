#include "window/fieldlauncher.h"

#include "dialogs/form2.h"
#include "dialogs/form3.h"
#include "dialogs/form4.h"
#include "window/frmmain.h"

#include <QRadioButton>

namespace morvane
{
namespace
{

constexpr int kDurationField = 3;
constexpr int kBaudField = 8;
constexpr int kParityField = 9;

} // namespace

FieldChooser ChooserForField(int index, const ChooserModes& modes)
{
    const bool timerMode = modes.upTimer || modes.downTimer;
    const bool serialMode = modes.ascii || modes.modbusSignedLong;
    if (timerMode && index == kDurationField)
        return FieldChooser::Duration;
    if (serialMode && index == kBaudField)
        return FieldChooser::Baud;
    if (serialMode && index == kParityField)
        return FieldChooser::Parity;
    return FieldChooser::None;
}

ChooserModes SelectedChooserModes(const FrmMain& window)
{
    return {window.Option2(8)->isChecked(), window.Option2(9)->isChecked(),
            window.Option2(10)->isChecked(), window.Option2(11)->isChecked()};
}

void OpenFieldDialog(FrmMain& window, int index)
{
    switch (ChooserForField(index, SelectedChooserModes(window))) {
    case FieldChooser::Duration:
        ShowForm4(window.Text1(kDurationField));
        break;
    case FieldChooser::Baud:
        ShowForm2(window.Text1(kBaudField));
        break;
    case FieldChooser::Parity:
        ShowForm3(window.Text1(kParityField));
        break;
    case FieldChooser::None:
        break;
    }
}

void ConnectFieldDialogs(FrmMain& window)
{
    QObject::connect(&window, &FrmMain::fieldClicked, &window,
                     [&window](int index) { OpenFieldDialog(window, index); });
}

} // namespace morvane

#include "dialogs/form2.h"

#include <array>

namespace morvane
{
namespace
{

constexpr std::array<CodeOption, 7> kBaudOptions{{
    {1, "2400"},
    {2, "4800"},
    {3, "9600"},
    {4, "19200"},
    {5, "38400"},
    {6, "57600"},
    {7, "115200"},
}};

constexpr int kOpeningBaudCode = 3;

QPointer<Form2> g_openForm2;

} // namespace

Form2::Form2() : CodeChooser("Form2", "Baud", "Baud Rate", kBaudOptions, kOpeningBaudCode) {}

Form2* ShowForm2(QLineEdit* target)
{
    return ChooserDialog::ShowSingle(g_openForm2, target);
}

} // namespace morvane

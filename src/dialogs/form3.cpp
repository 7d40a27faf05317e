#include "dialogs/form3.h"

#include <array>

namespace morvane
{
namespace
{

constexpr std::array<CodeOption, 3> kParityOptions{{
    {0, "None"},
    {1, "Odd"},
    {2, "Even"},
}};

constexpr int kOpeningParityCode = 0;

QPointer<Form3> g_openForm3;

} // namespace

Form3::Form3() : CodeChooser("Form3", "Parity", "Parity", kParityOptions, kOpeningParityCode) {}

Form3* ShowForm3(QLineEdit* target)
{
    return ChooserDialog::ShowSingle(g_openForm3, target);
}

} // namespace morvane

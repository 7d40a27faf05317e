#include "controller/shownconfig.h"

#include "controller/modetable.h"
#include "controller/registermap.h"

namespace morvane
{

EntryForm::EntryForm()
{
    for (int i = 0; i < field::kCount; ++i)
        m_texts[std::size_t(i)] = field::kRows[std::size_t(i)].designText;
}

std::string EntryForm::Text(int index) const
{
    return m_texts.at(std::size_t(index));
}

void EntryForm::Write(int index, const std::string& text)
{
    std::string& held = m_texts.at(std::size_t(index));
    if (held == text)
        return;
    held = text;
    CheckParameterEntry(index);
}

void EntryForm::CheckParameterEntry(int index)
{
    HoldDisplayFormatInRange(*this);
    m_milliampPair.Update(*this, index);
}

void EntryForm::RecomputeFourMa()
{
    m_milliampPair.Update(*this, field::kZeroMa);
}

ShownConfiguration ConfigurationAsShown(int digits, const Registers& registers)
{
    const int modeRegister = ModeRegisterOf(registers);
    EntryForm form;
    form.Write(field::kDigits, std::to_string(digits));
    for (int f = field::kFirstRegisterField; f <= field::kLastRegisterField; ++f)
        form.Write(f, RegisterValueText(f, registers[RegisterIndexOfField(f)], modeRegister));
    // Selecting the type and the mode writes only the mode field, and by then Digits and Dec
    // Place hold, so its checks change nothing else.
    form.Write(field::kMode, std::to_string(ModeSelectedBy(modeRegister)));
    form.RecomputeFourMa();

    ShownConfiguration shown{};
    for (int i = 0; i < field::kCount; ++i)
        shown.texts[std::size_t(i)] = form.Text(i);
    for (int f = field::kFirstRegisterField; f <= field::kLastRegisterField; ++f)
        shown.registers[RegisterIndexOfField(f)] =
            static_cast<std::uint16_t>(RegisterWriteOfText(form.Text(f)).value);
    return shown;
}

} // namespace morvane

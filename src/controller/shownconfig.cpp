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

ShownConfiguration ConfigurationAsShown(int digits, const ConfigRegisters& registers)
{
    const auto valueOf = [&registers](int f) {
        return registers[std::size_t(f - field::kFirstRegisterField)];
    };
    EntryForm form;
    form.Write(field::kDigits, std::to_string(digits));
    for (int f = field::kFirstRegisterField; f <= field::kLastRegisterField; ++f)
        form.Write(f, RegisterValueText(f, valueOf(f), valueOf(field::kMode)));
    // Selecting the type and the mode writes only the mode field, and by then Digits and Dec
    // Place hold, so its checks change nothing else.
    form.Write(field::kMode, std::to_string(ModeSelectedBy(valueOf(field::kMode))));
    form.RecomputeFourMa();

    ShownConfiguration shown{};
    for (int i = 0; i < field::kCount; ++i)
        shown.texts[std::size_t(i)] = form.Text(i);
    for (int f = field::kFirstRegisterField; f <= field::kLastRegisterField; ++f)
        shown.registers[std::size_t(f - field::kFirstRegisterField)] =
            static_cast<std::uint16_t>(RegisterWriteOfText(form.Text(f)).value);
    return shown;
}

} // namespace morvane

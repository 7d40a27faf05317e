#include "controller/configsheet.h"

#include "common/numbertext.h"
#include "controller/modetable.h"

#include <cmath>

namespace morvane
{

namespace
{

std::string Trimmed(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && (blank(text.back()) || text.back() == ':'))
        text.remove_suffix(1);
    return std::string(text);
}

ValueFault FaultOfRefusal(WriteRefusal refusal)
{
    switch (refusal) {
    case WriteRefusal::None:
        return ValueFault::None;
    case WriteRefusal::NotANumber:
        return ValueFault::NotANumber;
    case WriteRefusal::AboveRange:
    case WriteRefusal::BelowRange:
    case WriteRefusal::Beyond32Bits:
        break;
    }
    return ValueFault::OutOfRange;
}

// Digits and the 4 mA value travel in no register: they are only checked to be what a file
// or the arithmetic can take.
ValueFault FaultOfWindowField(int index, const std::string& text)
{
    if (!IsOneNumber(text))
        return ValueFault::NotANumber;
    if (index == field::kDigits && !DigitsOfText(text))
        return ValueFault::OutOfRange;
    return ValueFault::None;
}

SheetRow RowOf(int index, const ShownRow& shown)
{
    SheetRow row;
    row.caption = Trimmed(shown.caption);
    row.text = shown.text;
    // The mode field is greyed out in every mode because the options set it, not because the
    // controller ignores it.
    row.used = shown.used || index == field::kMode;
    if (!field::IsRegisterField(index)) {
        row.fault = FaultOfWindowField(index, shown.text);
        return row;
    }
    row.param = "Param" + std::to_string(index);
    row.reg = field::RegisterOfField(index);
    const RegisterWrite write = RegisterWriteOfText(shown.text);
    row.fault = FaultOfRefusal(write.refusal);
    if (row.fault == ValueFault::None)
        row.sent = static_cast<std::uint16_t>(write.value);
    return row;
}

} // namespace

std::optional<int> DigitsOfText(std::string_view text)
{
    const double digits = FieldValue(text);
    if (!IsOneNumber(text) || digits != std::floor(digits) || digits < kMinDigits ||
        digits > kMaxDigits)
        return std::nullopt;
    return static_cast<int>(digits);
}

ConfigSheet SheetOfShownRows(const std::array<ShownRow, field::kCount>& rows, int inputType,
                             int mode, const DisplayRange& preview)
{
    ConfigSheet sheet;
    sheet.inputType = std::string(InputTypeCaption(inputType));
    sheet.mode = Trimmed(ModeCaption(mode));
    for (int i = 0; i < field::kCount; ++i)
        sheet.rows[std::size_t(i)] = RowOf(i, rows[std::size_t(i)]);
    sheet.preview = preview;
    return sheet;
}

ConfigSheet SheetAfterShowing(const ShownConfiguration& shown)
{
    const int modeRegister = ModeRegisterOf(shown.registers);
    const int selected = ModeSelectedBy(modeRegister);
    const ModeRow& modeRow = ModeRowFor(selected);
    const auto captions = CaptionsAfterRead(modeRegister);
    std::array<ShownRow, field::kCount> rows;
    for (int i = 0; i < field::kCount; ++i) {
        const bool used = i == field::kFourMa ? modeRow.fourMaShown
                                              : i < field::kFirstModeRow || modeRow.RowEnabled(i);
        rows[std::size_t(i)] = {std::string(captions[std::size_t(i)]), shown.texts[std::size_t(i)],
                                used};
    }
    const DisplayRange preview = DisplayPreview(FieldValue(shown.texts[field::kDigits]),
                                                FieldValue(shown.texts[field::kDecPlace]));
    return SheetOfShownRows(rows, InputTypeOfMode(selected), selected, preview);
}

} // namespace morvane

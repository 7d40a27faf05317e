#include "window/frmmain.h"

#include "common/numbertext.h"
#include "window/commands.h"
#include "window/entrychecks.h"
#include "window/fieldlauncher.h"
#include "window/modetable.h"
#include "window/registermap.h"
#include "window/widgets.h"

#include <QButtonGroup>
#include <QLabel>
#include <QRadioButton>

namespace morvane
{
namespace
{

constexpr int kDigitsField = 0;
constexpr int kDecPlaceField = 1;
constexpr int kZeroMaField = 3;
constexpr int kTwentyMaField = 4;
constexpr int kFourMaField = 10;

// Rounding in the fifteenth digit can make the 0 mA and 4 mA formulas chase each other for
// ever; a settled exchange needs at most two rounds (four writes).
constexpr int kMaxPairWrites = 6;

QString ToQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

template <typename Array> auto At(const Array& array, int index)
{
    return array.at(static_cast<std::size_t>(index));
}

} // namespace

FrmMain::FrmMain(QWidget* parent) : QWidget(parent)
{
    BuildWindow();
    ApplyDesignState();
    ConnectHandlers();
    ConnectFieldDialogs(*this);
    Load();
}

QLineEdit* FrmMain::Text1(int index) const
{
    return At(m_text1, index);
}
QLabel* FrmMain::Label5(int index) const
{
    return At(m_label5, index);
}
QLabel* FrmMain::Label6(int index) const
{
    return At(m_label6, index);
}
QRadioButton* FrmMain::Option1(int index) const
{
    return At(m_option1, index);
}
QRadioButton* FrmMain::Option2(int index) const
{
    return At(m_option2, index);
}
QLineEdit* FrmMain::txtCom(int index) const
{
    return index == 0 ? m_txtCom0 : nullptr;
}

// Qt runs these nested: setText emits textChanged before it returns (and nothing when the
// text is unchanged), and setChecked emits idToggled at once, also on a disabled option.
void FrmMain::ConnectHandlers()
{
    connect(m_option1Group, &QButtonGroup::idToggled, this, [this](int type, bool on) {
        if (on)
            SelectInputType(type);
    });
    connect(m_option2Group, &QButtonGroup::idToggled, this, [this](int mode, bool on) {
        if (on)
            SelectInputMode(mode);
    });
    for (int i = 0; i < kFieldCount; ++i) {
        ClickableField* field = At(m_text1, i);
        connect(field, &QLineEdit::textChanged, this, [this, i] { CheckParameterEntry(i); });
        connect(field, &ClickableField::pressed, this, [this, i] { emit fieldClicked(i); });
    }
}

double FrmMain::Value(int index) const
{
    return FieldValue(Text1(index)->text().toStdString());
}

void FrmMain::WriteField(int index, const QString& text)
{
    Text1(index)->setText(text);
}

void FrmMain::CheckParameterEntry(int index)
{
    HoldDisplayFormatInRange();
    ShowDisplayPreview();
    UpdateMilliampPair(index);
}

// Each test reads the fields afresh: a correction re-enters the checks before the next test.
void FrmMain::HoldDisplayFormatInRange()
{
    if (Value(kDigitsField) < kMinDigits)
        WriteField(kDigitsField, "1");
    if (Value(kDigitsField) > kMaxDigits)
        WriteField(kDigitsField, "10");
    if (Value(kDecPlaceField) < kMinDecPlace)
        WriteField(kDecPlaceField, "0");
    if (Value(kDecPlaceField) > kMaxDecPlace)
        WriteField(kDecPlaceField, "9");
    if (!(Value(kDigitsField) > Value(kDecPlaceField)))
        WriteField(kDecPlaceField, ToQString(DecPlaceLimitText(Value(kDigitsField))));
}

void FrmMain::ShowDisplayPreview()
{
    const DisplayRange range = DisplayPreview(Value(kDigitsField), Value(kDecPlaceField));
    m_label3->setText(ToQString(range.min));
    m_label4->setText(ToQString(range.max));
}

void FrmMain::UpdateMilliampPair(int index)
{
    if ((index != kZeroMaField && index != kFourMaField) || m_pairWriteDepth >= kMaxPairWrites)
        return;
    const double twentyMa = Value(kTwentyMaField);
    const bool fromZeroMa = index == kZeroMaField;
    const std::string text = fromZeroMa ? FourMaText(Value(kZeroMaField), twentyMa)
                                        : ZeroMaText(Value(kFourMaField), twentyMa);
    ++m_pairWriteDepth;
    WriteField(fromZeroMa ? kFourMaField : kZeroMaField, ToQString(text));
    --m_pairWriteDepth;
}

void FrmMain::RecomputeFourMa()
{
    UpdateMilliampPair(kZeroMaField);
}

void FrmMain::SelectInputType(int type)
{
    if (type < 0 || type >= kInputTypeCount)
        return; // only the three options call this
    m_inputType = type;
    // The blocks test the options, not the argument, and all three always run.
    for (int block = 0; block < kInputTypeCount; ++block)
        RunTypeBlock(block);
    SelectInputMode(m_modeByType[static_cast<std::size_t>(type)]);
}

// Selecting the type's first mode runs SelectInputMode for it before its options open.
void FrmMain::RunTypeBlock(int type)
{
    const bool chosen = Option1(type)->isChecked();
    if (chosen)
        Option2(FirstModeOfType(type))->setChecked(true);
    for (int mode : ModesOfType(type))
        Option2(mode)->setEnabled(chosen);
}

void FrmMain::SelectInputMode(int mode)
{
    m_modeByType[static_cast<std::size_t>(m_inputType)] = mode;
    WriteField(kModeField, QString::number(mode));
    ApplyModeRows(mode);
}

void FrmMain::ApplyModeRows(int mode)
{
    for (int row = kFirstModeRow; row <= kLastModeRow; ++row)
        SetRowEnabled(row, false);
    SetFourMaRowShown(false);
    SetRowEnabled(5, true);

    const ModeRow& modeRow = ModeRowFor(mode);
    for (int row = kFirstModeRow; row <= kLastModeRow; ++row) {
        if (modeRow.RowEnabled(row))
            SetRowEnabled(row, true);
    }
    if (modeRow.fourMaShown)
        SetFourMaRowShown(true);
    if (modeRow.caption3)
        Label5(3)->setText(ToQString(*modeRow.caption3));
    if (modeRow.caption4)
        Label5(4)->setText(ToQString(*modeRow.caption4));
}

void FrmMain::SetRowEnabled(int row, bool enabled)
{
    Label6(row)->setEnabled(enabled);
    Label5(row)->setEnabled(enabled);
    Text1(row)->setEnabled(enabled);
}

void FrmMain::SetFourMaRowShown(bool shown)
{
    Label5(kFourMaRow)->setVisible(shown);
    Text1(kFourMaRow)->setVisible(shown);
}

} // namespace morvane

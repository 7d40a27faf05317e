#include "window/frmmain.h"

#include "common/numbertext.h"
#include "controller/entrychecks.h"
#include "controller/fields.h"
#include "controller/modetable.h"
#include "dialogs/fieldtext.h"
#include "exchange/trafficrecorder.h"
#include "window/configcommands.h"
#include "window/connectionmenu.h"
#include "window/fieldlauncher.h"
#include "window/filemenu.h"
#include "window/printmenu.h"
#include "window/widgets.h"

#include <QButtonGroup>
#include <QLabel>
#include <QRadioButton>

namespace morvane
{
namespace
{

QString ToQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

template <typename Array> auto At(const Array& array, int index)
{
    return array.at(static_cast<std::size_t>(index));
}

// The checks' view of the window's fields: a write that changes the text emits textChanged,
// which runs the checks for that field before it returns; the caret stays where it was typed.
class WindowFields final : public EntryFields
{
  public:
    explicit WindowFields(const FrmMain& window) : m_window(window) {}
    std::string Text(int index) const override
    {
        return m_window.Text1(index)->text().toStdString();
    }
    void Write(int index, const std::string& text) override
    {
        WriteFieldText(m_window.Text1(index), ToQString(text));
    }

  private:
    const FrmMain& m_window;
};

// Qt makes the option of an exclusive group that last had the focus the group's only Tab stop;
// when a type change disables that option, Tab reaches none of the group. The chosen option is
// made the stop instead, whenever the choice changes.
void MakeCheckedTheTabStop(const QButtonGroup* group)
{
    for (QAbstractButton* button : group->buttons()) {
        const int policy = button->focusPolicy();
        button->setFocusPolicy(
            Qt::FocusPolicy(button->isChecked() ? policy | Qt::TabFocus : policy & ~Qt::TabFocus));
    }
}

} // namespace

FrmMain::FrmMain(QWidget* parent) : QMainWindow(parent)
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
    for (QButtonGroup* group : {m_option1Group, m_option2Group}) {
        connect(group, &QButtonGroup::idToggled, this, [group](int, bool on) {
            if (on)
                MakeCheckedTheTabStop(group);
        });
        MakeCheckedTheTabStop(group);
    }
    for (int i = 0; i < field::kCount; ++i) {
        ClickableField* field = At(m_text1, i);
        connect(field, &QLineEdit::textChanged, this, [this, i] { CheckParameterEntry(i); });
        connect(field, &ClickableField::pressed, this, [this, i] { emit fieldClicked(i); });
        connect(field, &ClickableField::chooserKeyPressed, this,
                [this, i] { emit chooserKeyPressed(i); });
    }
}

double FrmMain::Value(int index) const
{
    return FieldValue(Text1(index)->text().toStdString());
}

void FrmMain::WriteField(int index, const QString& text)
{
    WriteFieldText(Text1(index), text);
}

void FrmMain::CheckParameterEntry(int index)
{
    WindowFields fields(*this);
    HoldDisplayFormatInRange(fields);
    ShowDisplayPreview();
    m_milliampPair.Update(fields, index);
}

void FrmMain::ShowDisplayPreview()
{
    const DisplayRange range = DisplayPreview(Value(field::kDigits), Value(field::kDecPlace));
    m_label3->setText(ToQString(range.min));
    m_label4->setText(ToQString(range.max));
}

void FrmMain::RecomputeFourMa()
{
    WindowFields fields(*this);
    m_milliampPair.Update(fields, field::kZeroMa);
}

void FrmMain::SelectInputType(int type)
{
    if (type < 0 || type >= input::kTypeCount)
        return; // only the three options call this
    m_inputType = type;
    // The blocks test the options, not the argument, and all three always run.
    for (int block = 0; block < input::kTypeCount; ++block)
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
    WriteField(field::kMode, QString::number(mode));
    ApplyModeRows(mode);
}

void FrmMain::ApplyModeRows(int mode)
{
    for (int row = field::kFirstModeRow; row <= field::kLastModeRow; ++row)
        SetRowEnabled(row, false);
    SetFourMaRowShown(false);
    SetRowEnabled(field::kDispDelay, true);

    const ModeRow& modeRow = ModeRowFor(mode);
    for (int row = field::kFirstModeRow; row <= field::kLastModeRow; ++row) {
        if (modeRow.RowEnabled(row))
            SetRowEnabled(row, true);
    }
    if (modeRow.fourMaShown)
        SetFourMaRowShown(true);
    if (modeRow.caption3)
        SetRowCaption(field::kParameter1, ToQString(*modeRow.caption3));
    if (modeRow.caption4)
        SetRowCaption(field::kParameter2, ToQString(*modeRow.caption4));
}

void FrmMain::SetRowCaption(int row, const QString& caption)
{
    Label5(row)->setText(caption);
    QString name = caption.trimmed();
    if (name.endsWith(':'))
        name.chop(1);
    Text1(row)->setAccessibleName(name);
}

void FrmMain::SetRowEnabled(int row, bool enabled)
{
    Label6(row)->setEnabled(enabled);
    Label5(row)->setEnabled(enabled);
    Text1(row)->setEnabled(enabled);
}

void FrmMain::SetFourMaRowShown(bool shown)
{
    Label5(field::kFourMa)->setVisible(shown);
    Text1(field::kFourMa)->setVisible(shown);
}

} // namespace morvane

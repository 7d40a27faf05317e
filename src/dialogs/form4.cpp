#include "dialogs/form4.h"

#include "common/numbertext.h"
#include "controller/durationlimits.h"
#include "dialogs/fieldtext.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace morvane
{
namespace
{

QPointer<Form4> g_openForm4;

double ValueOf(const QLineEdit* field)
{
    return FieldValue(field->text().toStdString());
}

void Write(QLineEdit* field, double value)
{
    // Runs the field's own check again, nested, before the caller goes on.
    WriteFieldText(field, QString::fromStdString(PlainNumberText(value)));
}

} // namespace

Form4::Form4() : ChooserDialog("Form4")
{
    setWindowTitle("Timer Duration");
    auto* layout = new QGridLayout(this);
    m_hours = AddField("Text1", "Label1", "Hours: ", 0);
    m_minutes = AddField("Text2", "Label2", "Mins: ", 1);
    m_seconds = AddField("Text3", "Label3", "Secs: ", 2);

    auto* ok = new QPushButton("OK");
    ok->setObjectName("Command1");
    ok->setDefault(true);
    layout->addWidget(ok, 0, 2);
    layout->setColumnMinimumWidth(2, ok->sizeHint().width());
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_hours, &QLineEdit::textChanged, this, &Form4::CheckHours);
    connect(m_minutes, &QLineEdit::textChanged, this, &Form4::CheckMinutes);
    connect(m_seconds, &QLineEdit::textChanged, this, &Form4::CheckSeconds);
    connect(ok, &QPushButton::clicked, this, &Form4::WriteTotal);
}

QLineEdit* Form4::AddField(const char* fieldName, const char* labelName, const char* caption,
                           int row)
{
    auto* label = new QLabel(caption);
    label->setObjectName(labelName);
    auto* field = new QLineEdit("0");
    field->setObjectName(fieldName);
    field->setFixedWidth(field->fontMetrics().horizontalAdvance("000000000"));
    label->setBuddy(field);
    field->setAccessibleName(QString(caption).remove(':').trimmed());
    auto* grid = static_cast<QGridLayout*>(layout());
    grid->addWidget(label, row, 0);
    grid->addWidget(field, row, 1);
    return field;
}

// Each check reads the values afresh after every correction, because a correction has
// already run the field's check again, nested.
void Form4::CheckHours()
{
    if (ValueOf(m_hours) > kMaxDurationHours)
        Write(m_hours, kMaxDurationHours);
    if (ValueOf(m_hours) < 0)
        Write(m_hours, 0);
    // New hours can leave less room for the minutes and seconds already entered.
    CheckMinutes();
}

void Form4::CheckMinutes()
{
    if (ValueOf(m_minutes) > kMaxMinutesOrSeconds)
        Write(m_minutes, kMaxMinutesOrSeconds);
    if (ValueOf(m_minutes) < 0)
        Write(m_minutes, 0);
    const double limit = MinutesLimit(ValueOf(m_hours));
    if (ValueOf(m_minutes) > limit)
        Write(m_minutes, limit);
    CheckSeconds();
}

void Form4::CheckSeconds()
{
    if (ValueOf(m_seconds) > kMaxMinutesOrSeconds)
        Write(m_seconds, kMaxMinutesOrSeconds);
    if (ValueOf(m_seconds) < 0)
        Write(m_seconds, 0);
    const double limit = SecondsLimit(ValueOf(m_hours), ValueOf(m_minutes));
    if (ValueOf(m_seconds) > limit)
        Write(m_seconds, limit);
}

void Form4::WriteTotal()
{
    const double total = DurationTotal(ValueOf(m_hours), ValueOf(m_minutes), ValueOf(m_seconds));
    WriteTargetAndClose(QString::fromStdString(PlainNumberText(total)));
}

Form4* ShowForm4(QLineEdit* target)
{
    return ChooserDialog::ShowSingle(g_openForm4, target);
}

} // namespace morvane

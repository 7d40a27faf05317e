#include "dialogs/codechooser.h"

#include "common/numbertext.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace morvane
{

CodeChooser::CodeChooser(const QString& objectName, const QString& caption,
                         const QString& frameCaption, std::span<const CodeOption> options,
                         int openingCode)
    : ChooserDialog(objectName), m_group(new QButtonGroup(this)), m_code(openingCode)
{
    setWindowTitle(caption);

    auto* frame = new QGroupBox(frameCaption);
    frame->setObjectName("Frame1");
    AddOptions(frame, options, openingCode);

    auto* ok = new QPushButton("OK");
    ok->setObjectName("Command1");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this,
            [this] { WriteTargetAndClose(QString::fromStdString(PlainNumberText(m_code))); });

    auto* buttonColumn = new QVBoxLayout;
    buttonColumn->addWidget(ok);
    buttonColumn->addStretch();

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(buttonColumn);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void CodeChooser::AddOptions(QWidget* frame, std::span<const CodeOption> options, int openingCode)
{
    auto* column = new QVBoxLayout(frame);
    for (const CodeOption& option : options) {
        auto* button = new QRadioButton(option.caption);
        button->setObjectName(QString("Option1_%1").arg(option.code));
        button->setChecked(option.code == openingCode);
        m_group->addButton(button, option.code);
        column->addWidget(button);
    }
    // Follows the selection however it is made: by pointer, by arrow keys or from code.
    connect(m_group, &QButtonGroup::idToggled, this, [this](int code, bool on) {
        if (on)
            m_code = code;
    });
}

} // namespace morvane

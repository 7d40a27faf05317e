#include "dialogs/chooserdialog.h"

#include "dialogs/fieldtext.h"

namespace morvane
{

ChooserDialog::ChooserDialog(const QString& objectName) : QDialog(nullptr)
{
    setObjectName(objectName);
    setAttribute(Qt::WA_DeleteOnClose);
    // Closing the main window ends the program even while a chooser is open.
    setAttribute(Qt::WA_QuitOnClose, false);
    setModal(false);
    connect(this, &QDialog::finished, this, [this] { m_finished = true; });
}

void ChooserDialog::AdoptTarget(QLineEdit* target)
{
    // A dialog brought forward keeps the field it was opened for; it takes a new one only
    // when that field no longer exists.
    if (!m_target)
        m_target = target;
}

void ChooserDialog::BringForward()
{
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void ChooserDialog::WriteTargetAndClose(const QString& text)
{
    if (m_target)
        WriteFieldText(m_target, text);
    accept();
}

} // namespace morvane

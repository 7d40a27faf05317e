#pragma once
// What the three choosers share: each is a small window of its own, shown without blocking
// the main window and without an owner, that hands its result back only by writing the
// text of one main-window field, and of which at most one copy is open at a time.

#include <QDialog>
#include <QLineEdit>
#include <QPointer>

namespace morvane
{

class ChooserDialog : public QDialog
{
    Q_OBJECT

  public:
    // The field that "OK" writes; null when none was given or the field is gone.
    QLineEdit* Target() const { return m_target; }

    // Shows the open copy, bringing it forward as it is, or creates a fresh one.
    template <class Dialog> static Dialog* ShowSingle(QPointer<Dialog>& open, QLineEdit* target)
    {
        if (!open || open->m_finished)
            open = new Dialog();
        open->AdoptTarget(target);
        open->BringForward();
        return open;
    }

  protected:
    explicit ChooserDialog(const QString& objectName);

    // Writes the result into the target field (which runs the main window's change
    // handling for it), then closes and deletes the dialog.
    void WriteTargetAndClose(const QString& text);

  private:
    void AdoptTarget(QLineEdit* target);
    void BringForward();

    QPointer<QLineEdit> m_target;
    // Set once the dialog has been closed by any means; it is deleted on the next turn of
    // the event loop, and a show in between must not bring the closing copy back.
    bool m_finished = false;
};

} // namespace morvane

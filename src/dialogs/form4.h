#pragma once
// The timer-duration chooser: hours, minutes and seconds in, the total in seconds out,
// held to what the controller's 16-bit register can carry (see durationlimits.h).

#include "dialogs/chooserdialog.h"

class QLabel;

namespace morvane
{

class Form4 : public ChooserDialog
{
    Q_OBJECT

  public:
    Form4();

  private:
    QLineEdit* AddField(const char* fieldName, const char* labelName, const char* caption, int row);
    void CheckHours();
    void CheckMinutes();
    void CheckSeconds();
    void WriteTotal();

    // Hours, minutes and seconds: the dialog's own fields Text1, Text2 and Text3.
    QLineEdit* m_hours = nullptr;
    QLineEdit* m_minutes = nullptr;
    QLineEdit* m_seconds = nullptr;
};

// Shows the duration chooser without blocking; its "OK" writes the total seconds into
// target. An open chooser is brought forward as it is (and keeps the field it was opened for).
Form4* ShowForm4(QLineEdit* target);

} // namespace morvane

#pragma once
// The baud-rate chooser: the controller keeps its serial baud rate as a code from 1 to 7.

#include "dialogs/codechooser.h"

namespace morvane
{

class Form2 : public CodeChooser
{
    Q_OBJECT

  public:
    Form2();

    int BaudCode() const { return Code(); }
};

// Shows the baud-rate chooser without blocking; its "OK" writes the code into target.
// An open chooser is brought forward as it is (and keeps the field it was opened for).
Form2* ShowForm2(QLineEdit* target);

} // namespace morvane

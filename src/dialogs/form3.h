#pragma once
// The parity chooser: the controller keeps its serial parity as a code from 0 to 2.

#include "dialogs/codechooser.h"

namespace morvane
{

class Form3 : public CodeChooser
{
    Q_OBJECT

  public:
    Form3();

    int ParityCode() const { return Code(); }
};

// Shows the parity chooser without blocking; its "OK" writes the code into target.
// An open chooser is brought forward as it is (and keeps the field it was opened for).
Form3* ShowForm3(QLineEdit* target);

} // namespace morvane

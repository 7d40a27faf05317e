#pragma once
// Writing a field from code while the user may be typing in it. QLineEdit::setText puts the
// caret at the end and drops the selection, even when the text does not change; a correction
// or a recomputed value written in the middle of typing would carry the next keystroke to the
// end of the field.

#include <QString>

class QLineEdit;

namespace morvane
{

// Where a caret at `position` in `before` belongs once the field reads `after`: among the
// same characters, found by what the two texts share at their start and at their end. A caret
// inside the part that changed goes to the end of what replaced it.
int CaretAfterRewrite(const QString& before, const QString& after, int position);

// Sets the field's text, which runs its change handlers at once, nested, as setText does.
// Writing the text the field already holds changes nothing at all: not the caret, not the
// selection. In the field the user is in, the caret and selection keep their places among the
// characters the user typed.
void WriteFieldText(QLineEdit* field, const QString& text);

} // namespace morvane

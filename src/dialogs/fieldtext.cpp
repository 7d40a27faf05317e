#include "dialogs/fieldtext.h"

#include <QLineEdit>

#include <algorithm>

namespace morvane
{

int CaretAfterRewrite(const QString& before, const QString& after, int position)
{
    const qsizetype shared = std::min(before.size(), after.size());
    qsizetype prefix = 0;
    while (prefix < shared && before[prefix] == after[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < shared - prefix &&
           before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
        ++suffix;
    if (position <= prefix)
        return position;
    if (position >= before.size() - suffix)
        return int(after.size() - (before.size() - position));
    return int(after.size() - suffix);
}

void WriteFieldText(QLineEdit* field, const QString& text)
{
    const QString before = field->text();
    if (text == before)
        return;
    // Away from the field the caret is not the user's; the field shows its text as always.
    const QWidget* window = field->window();
    if (window == nullptr || window->focusWidget() != field) {
        field->setText(text);
        return;
    }
    const int cursor = field->cursorPosition();
    int anchor = cursor;
    if (field->hasSelectedText())
        anchor =
            cursor == field->selectionStart() ? field->selectionEnd() : field->selectionStart();
    // The change handlers may write the field again before this returns: the caret goes
    // where it belongs in what the field reads in the end.
    field->setText(text);
    const QString after = field->text();
    const int newCursor = CaretAfterRewrite(before, after, cursor);
    const int newAnchor = CaretAfterRewrite(before, after, anchor);
    if (newAnchor == newCursor)
        field->setCursorPosition(newCursor);
    else
        field->setSelection(newAnchor, newCursor - newAnchor);
}

} // namespace morvane

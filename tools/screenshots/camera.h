#pragma once
// Pictures of what the screen shows: every visible window of the program, cut from the
// screen itself, as a technician would see them. Needs a real display (Xvfb will do).

#include <QString>

#include <functional>

class QDialog;
class QMessageBox;
class QWidget;

namespace morvane::screenshots
{

// Lets the program run for `ms` milliseconds: windows map, paint and settle.
void Settle(int ms);

// A press and release of the left button in the middle of `widget`, delivered as the
// window system would deliver them.
void ClickInto(QWidget* widget);

// Saves the part of the screen that the program's visible windows cover, with the space
// between them filled plain, as `dir`/`name`. Prints the file and the windows' titles.
// False when nothing is shown or the file cannot be written.
bool SaveShownWindows(const QString& dir, const QString& name);

// Runs `whileShown` once the next message box has been up for a moment, then presses its
// OK. Returns at once; the box arrives later, from within a command. `caught` reads true
// afterwards.
void OnNextMessageBox(std::function<void(QMessageBox*)> whileShown, bool& caught);

// The same for the next modal dialog of another kind, which is then accepted.
void OnNextDialog(std::function<void(QDialog*)> whileShown, bool& caught);

} // namespace morvane::screenshots

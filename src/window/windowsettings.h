#pragma once
// What the window keeps between runs: the recent files and whether a write is verified. Read
// when needed, not at start, so that starting the window costs nothing for them.

#include <QSettings>

namespace morvane
{

QSettings WindowSettings();

// "Verify After Writing": off until the user turns it on.
bool VerifyAfterWritingSetting();
void SetVerifyAfterWritingSetting(bool on);

} // namespace morvane

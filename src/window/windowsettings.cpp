#include "window/windowsettings.h"

namespace morvane
{

namespace
{
const QString kVerifyAfterWritingKey = QStringLiteral("verifyAfterWriting");
} // namespace

QSettings WindowSettings()
{
    return QSettings(QStringLiteral("Morvane"), QStringLiteral("morvane-config"));
}

bool VerifyAfterWritingSetting()
{
    return WindowSettings().value(kVerifyAfterWritingKey, false).toBool();
}

void SetVerifyAfterWritingSetting(bool on)
{
    WindowSettings().setValue(kVerifyAfterWritingKey, on);
}

} // namespace morvane

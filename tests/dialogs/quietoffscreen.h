#pragma once
// The offscreen platform cannot raise or resize windows to their hints and says so on every
// show; those lines drown the test log. Install from initTestCase(), after QtTest's own
// message handler, to which everything else still goes.

#include <QtGlobal>

namespace morvane::test
{

inline QtMessageHandler g_testLogHandler = nullptr;

inline void DropOffscreenNotices(QtMsgType type, const QMessageLogContext& context,
                                 const QString& text)
{
    if (!text.startsWith("This plugin does not support") && g_testLogHandler)
        g_testLogHandler(type, context, text);
}

inline void QuietOffscreenNotices()
{
    g_testLogHandler = qInstallMessageHandler(DropOffscreenNotices);
}

} // namespace morvane::test

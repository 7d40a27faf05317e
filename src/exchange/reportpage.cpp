#include "exchange/reportpage.h"

#include "exchange/connectionwords.h"

#ifndef MORVANE_VERSION
#define MORVANE_VERSION "unknown"
#endif

namespace morvane
{

std::string ProgramTitle()
{
    return "Morvane Config " MORVANE_VERSION;
}

std::string PageTimeText(const QDateTime& time)
{
    // Qt writes a format without any locale's names, as a record read anywhere needs.
    return time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss t")).toStdString();
}

ReportPage PageOf(ConfigSheet sheet, const ResolvedPort& port, const Connection& connection,
                  const std::string& file)
{
    ReportPage page;
    page.program = ProgramTitle();
    page.madeAt = PageTimeText(QDateTime::currentDateTime());
    page.connection = ConnectionText(port, connection);
    page.file = file;
    page.sheet = std::move(sheet);
    return page;
}

} // namespace morvane

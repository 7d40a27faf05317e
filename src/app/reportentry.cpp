// The entry of the report's library (see reportentry.h): the only symbol it exports.

#include "app/reportentry.h"

#include "cli/arguments.h"
#include "cli/commands.h"
#include "port/tcpport.h"
#include "report/pagedrawing.h"

#include <type_traits>

namespace
{

QByteArray PdfOnLocalePaper(const morvane::ReportPage& page)
{
    return morvane::report::PagePdf(page, morvane::report::LocalePaper());
}

} // namespace

extern "C" Q_DECL_EXPORT int morvane_report_main(int& argc, char* argv[])
{
    const morvane::cli::PageDrawing drawing{&morvane::report::DrawingApplication,
                                            &PdfOnLocalePaper};
    morvane::SetNetworkPortMaker(&morvane::MakeTcpPort);
    return morvane::cli::Run(morvane::cli::ParseArguments(argc, argv), argc, argv, &drawing);
}

static_assert(std::is_same_v<decltype(&morvane_report_main), morvane::ReportEntry>);

#pragma once
// The options that say how to reach the unit, the same on every subcommand: --slave, --baud,
// --parity, --stop-bits, --timeout and --retries; and those of a scan: --slaves, --bauds,
// --probe-timeout, with --parity taking a list there. Each value is checked as --port is: a
// wrong one is a usage error that quotes it.

#include "exchange/connection.h"
#include "exchange/scanplan.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>

#include <optional>

namespace morvane::cli
{

struct ConnectionOptions {
    QCommandLineOption slave{QStringLiteral("slave"), QString(), QStringLiteral("N")};
    QCommandLineOption baud{QStringLiteral("baud"), QString(), QStringLiteral("N")};
    QCommandLineOption parity{QStringLiteral("parity"), QString(), QStringLiteral("P")};
    QCommandLineOption stopBits{QStringLiteral("stop-bits"), QString(), QStringLiteral("N")};
    QCommandLineOption timeout{QStringLiteral("timeout"), QString(), QStringLiteral("SECONDS")};
    QCommandLineOption retries{QStringLiteral("retries"), QString(), QStringLiteral("N")};

    QList<QCommandLineOption> All() const
    {
        return {slave, baud, parity, stopBits, timeout, retries};
    }
};

struct ScanOptions {
    QCommandLineOption slaves{QStringLiteral("slaves"), QString(), QStringLiteral("LIST")};
    QCommandLineOption bauds{QStringLiteral("bauds"), QString(), QStringLiteral("LIST")};
    QCommandLineOption probeTimeout{QStringLiteral("probe-timeout"), QString(),
                                    QStringLiteral("SECONDS")};

    QList<QCommandLineOption> All() const { return {slaves, bauds, probeTimeout}; }
};

// The connection the options give, the defaults where none is given; or what is wrong. For a
// scan --parity is its list of parities, and the connection takes the first of them.
std::optional<QString> ReadConnectionOptions(const QCommandLineParser& parser,
                                             const ConnectionOptions& options, bool scan,
                                             Connection& connection);
// The plan of a scan; or what is wrong.
std::optional<QString> ReadScanOptions(const QCommandLineParser& parser,
                                       const ConnectionOptions& connectionOptions,
                                       const ScanOptions& options, ScanPlan& plan);

} // namespace morvane::cli

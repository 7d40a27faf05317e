#include "cli/connectionoptions.h"

#include <functional>

namespace morvane::cli
{

namespace
{

std::optional<int> WholeNumber(const QString& text, int lowest, int highest)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    // toInt takes a leading "+" and blanks around; a count of anything is digits alone.
    if (!ok || text.isEmpty() || !text.front().isDigit() || !text.back().isDigit() ||
        value < lowest || value > highest)
        return std::nullopt;
    return value;
}

QString Wrong(const QString& what, const QString& found)
{
    return QStringLiteral("%1; found '%2'.").arg(what, found);
}

QString BaudList()
{
    return QString::fromStdString(ScanBaudsText({kConnectionBauds.begin(), kConnectionBauds.end()}))
        .replace(',', ", ");
}

// Reads one option's value when it is given: false, with the problem, when it is wrong.
bool Read(const QCommandLineParser& parser, const QCommandLineOption& option,
          const std::function<bool(const QString&)>& take, const QString& what,
          std::optional<QString>& problem)
{
    if (!parser.isSet(option) || problem)
        return true;
    const QString value = parser.value(option);
    if (take(value))
        return true;
    problem = Wrong(what, value);
    return false;
}

std::optional<QString> ReadLine(const QCommandLineParser& parser, const ConnectionOptions& o,
                                bool scan, Connection& c)
{
    std::optional<QString> problem;
    Read(
        parser, o.baud,
        [&c](const QString& v) {
            const std::optional<int> baud = WholeNumber(v, 1, 1000000);
            c.baud = baud.value_or(0);
            return baud && IsConnectionBaud(*baud);
        },
        "--baud takes one of " + BaudList(), problem);
    Read(
        parser, o.parity,
        [&c, scan](const QString& v) {
            const auto parities = ScanParitiesOfText(v.toStdString());
            if (!parities || (!scan && parities->size() != 1))
                return false;
            c.parity = parities->front();
            return true;
        },
        scan ? QStringLiteral("--parity takes none, even or odd, or several of them separated "
                              "by commas")
             : QStringLiteral("--parity takes none, even or odd"),
        problem);
    Read(
        parser, o.stopBits,
        [&c](const QString& v) {
            c.stopBits = WholeNumber(v, 1, 2).value_or(0);
            return c.stopBits != 0;
        },
        QStringLiteral("--stop-bits takes 1 or 2"), problem);
    return problem;
}

} // namespace

std::optional<QString> ReadConnectionOptions(const QCommandLineParser& parser,
                                             const ConnectionOptions& o, bool scan, Connection& c)
{
    std::optional<QString> problem;
    Read(
        parser, o.slave,
        [&c](const QString& v) {
            c.slave = WholeNumber(v, kLowestSlave, kHighestSlave).value_or(0);
            return c.slave != 0;
        },
        QStringLiteral("--slave takes an address from %1 to %2")
            .arg(kLowestSlave)
            .arg(kHighestSlave),
        problem);
    if (problem)
        return problem;
    if ((problem = ReadLine(parser, o, scan, c)))
        return problem;
    Read(
        parser, o.timeout,
        [&c](const QString& v) {
            c.timeLimitMs = MillisecondsOfSecondsText(v.toStdString()).value_or(0);
            return c.timeLimitMs >= kShortestTimeLimitMs && c.timeLimitMs <= kLongestTimeLimitMs;
        },
        QStringLiteral("--timeout takes seconds from %1 to %2, such as 5 or 0.5")
            .arg(QString::fromStdString(SecondsText(kShortestTimeLimitMs)),
                 QString::fromStdString(SecondsText(kLongestTimeLimitMs))),
        problem);
    Read(
        parser, o.retries,
        [&c](const QString& v) {
            const std::optional<int> retries = WholeNumber(v, 0, kMostRetries);
            c.retries = retries.value_or(0);
            return retries.has_value();
        },
        QStringLiteral("--retries takes a whole number from 0 to %1").arg(kMostRetries), problem);
    return problem;
}

std::optional<QString> ReadScanOptions(const QCommandLineParser& parser,
                                       const ConnectionOptions& connectionOptions,
                                       const ScanOptions& o, ScanPlan& plan)
{
    std::optional<QString> problem;
    Read(
        parser, o.slaves,
        [&plan](const QString& v) {
            const auto slaves = ScanSlavesOfText(v.toStdString());
            plan.slaves = slaves.value_or(plan.slaves);
            return slaves.has_value();
        },
        QStringLiteral("--slaves takes addresses from %1 to %2 such as 1-247 or 1-10,17")
            .arg(kLowestSlave)
            .arg(kHighestSlave),
        problem);
    Read(
        parser, o.bauds,
        [&plan](const QString& v) {
            const auto bauds = ScanBaudsOfText(v.toStdString());
            plan.bauds = bauds.value_or(plan.bauds);
            return bauds.has_value();
        },
        "--bauds takes speeds among " + BaudList() + ", separated by commas", problem);
    if (!problem && parser.isSet(connectionOptions.parity))
        plan.parities =
            ScanParitiesOfText(parser.value(connectionOptions.parity).toStdString()).value();
    Read(
        parser, o.probeTimeout,
        [&plan](const QString& v) {
            const std::optional<int> ms = MillisecondsOfSecondsText(v.toStdString());
            plan.allowanceMs = ms.value_or(0);
            return ms && *ms <= kLongestProbeAllowanceMs;
        },
        QStringLiteral("--probe-timeout takes seconds from 0 to %1, such as 0.05")
            .arg(kLongestProbeAllowanceMs / 1000),
        problem);
    return problem;
}

} // namespace morvane::cli

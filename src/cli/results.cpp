#include "cli/results.h"

#include "exchange/portwords.h"
#include "port/portresolve.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace morvane::cli
{

namespace
{

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

QByteArray Document(const QJsonObject& top)
{
    return QJsonDocument(top).toJson(QJsonDocument::Indented);
}

QJsonObject DifferenceObject(const CaptionedDifference& d)
{
    return {{"register", d.values.reg},
            {"caption", Text(d.caption)},
            {"file", d.values.expected},
            {"unit", d.values.held}};
}

QJsonObject FoundUnitObject(const FoundUnit& unit)
{
    const Connection& line = unit.connection;
    QJsonObject object{{"slave", line.slave},
                       {"baud", line.baud},
                       {"parity", Text(std::string(ParityWord(line.parity)))},
                       {"stopBits", line.stopBits}};
    if (!unit.registers) {
        object["exception"] = unit.exceptionCode;
        return object;
    }
    QJsonArray registers;
    for (const int value : *unit.registers)
        registers.append(value);
    object["registers"] = registers;
    if (const std::optional<std::string> mode = ModeNameHeld(*unit.registers))
        object["mode"] = Text(*mode);
    return object;
}

QJsonObject PortEntryObject(const PortListEntry& entry)
{
    QJsonArray numbers;
    for (const PortVariable& v : entry.variables)
        numbers.append(QJsonObject{{"number", v.number},
                                   {"variable", Text(PortEnvironmentName(v.number))},
                                   {"target", Text(v.target)}});
    QJsonObject object{{"device", Text(entry.port.device)},
                       {"stableName", Text(entry.port.stableName)},
                       {"description", Text(entry.port.description)},
                       {"manufacturer", Text(entry.port.manufacturer)},
                       {"serialNumber", Text(entry.port.serialNumber)},
                       {"portNumbers", numbers},
                       {"choosable", entry.choosable}};
    if (!entry.choosable && !entry.variables.empty())
        object.insert("problem", Text(PortVariableFaultWords(entry.variables.front().fault)));
    return object;
}

} // namespace

std::string VerdictWord(Action action, bool verify, int exitStatus)
{
    switch (exitStatus) {
    case kDone:
        return action == Action::Diff ? "agrees" : verify ? "verified" : "written";
    case kDiffers:
        return "differs";
    case kBadFile:
        return "bad file";
    case kPortNotOpened:
        return "port not opened";
    case kNoAnswer:
        return "no answer";
    case kRefused:
        return "refused";
    case kConnectionLost:
        return "connection lost";
    default:
        return exitStatus > 128 ? "stopped" : "failed";
    }
}

QByteArray RunResultJson(const RunResult& result)
{
    QJsonArray differences;
    for (const CaptionedDifference& d : result.differences)
        differences.append(DifferenceObject(d));
    QJsonObject top{{"command", result.action == Action::Diff ? "diff" : "write"},
                    {"port", Text(result.port)},
                    {"endpoint", Text(result.endpoint)},
                    {"slave", result.slave},
                    {"file", Text(result.file)},
                    {"sha256", Text(result.sha256)},
                    {"verdict", Text(result.verdict)},
                    {"differences", differences}};
    if (!result.message.empty())
        top.insert("message", Text(result.message));
    return Document(top);
}

QByteArray PortListJson(const std::vector<PortListEntry>& entries)
{
    QJsonArray ports;
    for (const PortListEntry& entry : entries)
        ports.append(PortEntryObject(entry));
    return Document({{"ports", ports}});
}

QByteArray UnitsFoundJson(const std::string& port, const std::string& endpoint,
                          const std::vector<FoundUnit>& units)
{
    QJsonArray found;
    for (const FoundUnit& u : units)
        found.append(FoundUnitObject(u));
    return Document({{"port", Text(port)}, {"endpoint", Text(endpoint)}, {"units", found}});
}

} // namespace morvane::cli

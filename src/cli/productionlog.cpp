#include "cli/productionlog.h"

namespace morvane::cli
{

namespace
{

constexpr std::string_view kRowEnd = "\r\n";

QByteArray Row(const std::vector<std::string>& fields)
{
    std::string row;
    for (std::size_t i = 0; i < fields.size(); ++i)
        row += (i ? "," : "") + CsvField(fields[i]);
    row += kRowEnd;
    return QByteArray::fromStdString(row);
}

} // namespace

std::string CsvField(std::string_view text)
{
    const bool quoted = text.find_first_of(",\"\r\n") != std::string_view::npos ||
                        (!text.empty() && (text.front() == ' ' || text.back() == ' '));
    if (!quoted)
        return std::string(text);
    std::string field = "\"";
    for (const char c : text) {
        field += c;
        if (c == '"')
            field += '"';
    }
    return field + "\"";
}

QByteArray LogHeaderText()
{
    return Row({"time", "port", "endpoint", "adapter serial number", "slave", "file", "sha256",
                "verdict", "exit status", "differing registers"});
}

QByteArray LogRowText(const LogRow& row)
{
    const QDateTime time = row.time.toOffsetFromUtc(row.time.offsetFromUtc());
    return Row({time.toString(Qt::ISODateWithMs).toStdString(), row.port, row.endpoint,
                row.adapterSerial, std::to_string(row.slave), row.file, row.sha256, row.verdict,
                std::to_string(row.exitStatus), DifferencesColumn(row.differences)});
}

std::string DifferencesColumn(const std::vector<RegisterDifference>& differences)
{
    std::string column;
    for (const RegisterDifference& d : differences)
        column += (column.empty() ? "" : "; ") + std::to_string(d.reg) + ": " +
                  std::to_string(d.expected) + " -> " + std::to_string(d.held);
    return column;
}

} // namespace morvane::cli

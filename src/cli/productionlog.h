#pragma once
// The production log's rows: one CSV row (RFC 4180) per write or diff, so that a panel shop
// keeps the proof of what went into each unit, and when, without writing it down by hand.
// The rows are appended by files/recordlog, whole, whatever number of stations share the log.

#include "controller/registerdiff.h"

#include <QByteArray>
#include <QDateTime>

#include <string>
#include <string_view>
#include <vector>

namespace morvane::cli
{

struct LogRow {
    QDateTime time;            // written in ISO 8601 with its offset from UTC
    std::string port;          // as --port gave it
    std::string endpoint;      // the device or network endpoint it stood for
    std::string adapterSerial; // of the USB adapter, when the system knows it
    int slave = 0;
    std::string file;   // as given, "-" for standard input
    std::string sha256; // of the file's bytes, in hex; empty when they could not be read
    std::string verdict;
    int exitStatus = 0;
    std::vector<RegisterDifference> differences;
};

// A field as RFC 4180 writes it: quoted, its quotes doubled, when it holds a comma, a quote or
// a line break, or begins or ends with a blank.
std::string CsvField(std::string_view text);

// The header row and a row, each with its CRLF.
QByteArray LogHeaderText();
QByteArray LogRowText(const LogRow& row);

// The differing registers as the log's last column: "7: 500 -> 999; 10: 3 -> 65535".
std::string DifferencesColumn(const std::vector<RegisterDifference>& differences);

} // namespace morvane::cli

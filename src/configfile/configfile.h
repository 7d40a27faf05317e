#pragma once
// The .morvane configuration file: what the window holds, saved as small readable JSON.
//
//   {
//     "format": "morvane-config",
//     "version": 1,
//     "digits": 5,
//     "registers": { "3": 2, "4": 1, "5": 0, "6": 100, "7": 500, "8": 20, "9": 1, "10": 3, ... },
//     "fields": {
//       "Dec Place": "2",
//       "Mode": "1",
//       ...
//     },
//     "mode": "0-5V",
//     "saved": "2026-12-09T10:15:00Z"
//   }
//
// Opening uses only "digits" and "registers", the nine wire values as they would be sent; a
// value the window corrects on showing it (mode 0, Dec Place above Digits) means what the
// window makes of it (ConfigurationAsShown). "fields", "mode" and "saved" are there for people
// reading the file and are ignored, whatever they hold, as are keys this version does not know.

#include "controller/configblock.h"
#include "controller/displayformat.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace morvane
{

inline constexpr int kConfigFileVersion = 1;
inline constexpr qint64 kConfigFileMaxBytes = 64 * 1024;
struct Configuration {
    int digits = kDefaultDigits; // kMinDigits to kMaxDigits
    Registers registers{};
    friend bool operator==(const Configuration&, const Configuration&) = default;
};

// What the window shows, for the reader of the file. Texts are UTF-8. Captions may be given
// as the window shows them: the writer drops a trailing ": " and the mode's trailing blanks.
struct ConfigNotes {
    std::vector<std::pair<std::string, std::string>> fields; // row caption, row text
    std::string mode;                                        // the selected mode's caption
    QDateTime saved; // written in UTC to the second; an invalid time is written as null
};

// The file's text, keys in the order above. Digits outside 1 to 10 are written as they are,
// and such a file is refused on opening.
QByteArray ConfigFileText(const Configuration& config, const ConfigNotes& notes);

struct ConfigFileResult {
    std::optional<Configuration> config;
    // Empty on success; otherwise the first thing wrong, as one or two sentences for a
    // technician, without the file's name.
    std::string problem;
};

// Checks the whole text before anything is taken from it.
ConfigFileResult ParseConfigFile(QByteArrayView bytes);

// At most kConfigFileMaxBytes + 1 bytes of a regular file, enough for the parser to tell a file
// that is too large; or, in `problem`, why they cannot be read.
struct ConfigFileBytes {
    QByteArray bytes;
    std::string problem;
};
ConfigFileBytes ReadConfigFileBytes(const QString& path);

// Reads at most kConfigFileMaxBytes + 1 bytes of a regular file, then parses them.
ConfigFileResult ReadConfigFile(const QString& path);

} // namespace morvane

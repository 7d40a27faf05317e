// Feeds arbitrary bytes to the opening of a configuration file. Whatever a file holds,
// opening must end in a configuration or in one line to show the technician, never both or
// neither; and a configuration it accepts must write out, with any notes, and open again as
// the same configuration.

#include "configfile/configfile.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace
{

// Notes cut from the input itself, so that the writer's escaping meets every kind of byte,
// including some that are not UTF-8.
morvane::ConfigNotes NotesFrom(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), std::min<std::size_t>(size, 256));
    morvane::ConfigNotes notes;
    notes.fields = {{text, std::string(text.rbegin(), text.rend())}, {"Mode", text}};
    notes.mode = text;
    std::int64_t seconds = 0;
    for (std::size_t i = 0; i < std::min<std::size_t>(size, 5); ++i)
        seconds = seconds * 256 + data[i];
    notes.saved = QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
    return notes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace morvane;
    const ConfigFileResult result =
        ParseConfigFile(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (result.config.has_value() == !result.problem.empty())
        std::abort();
    // A message box line: texts from the file are cut short and their line ends escaped.
    if (result.problem.size() > 400 || result.problem.find('\n') != std::string::npos)
        std::abort();
    if (!result.config)
        return 0;
    if (result.config->digits < kMinDigits || result.config->digits > kMaxDigits)
        std::abort();

    const QByteArray text = ConfigFileText(*result.config, NotesFrom(data, size));
    const ConfigFileResult again = ParseConfigFile(text);
    if (!again.config || *again.config != *result.config)
        std::abort();
    return 0;
}

#include "configfile/configfile.h"

#include "configfile/jsonreader.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <set>
#include <string_view>

namespace morvane
{

namespace
{

constexpr std::string_view kFormatName = "morvane-config";
// Long enough to recognise a key or a value in a message, short enough to keep it one line.
constexpr std::size_t kShownCharacters = 32;

using Kind = JsonValue::Kind;

std::string RegisterKey(int k)
{
    return std::to_string(ConfigFirstRegister + k);
}

// A text from the file as it would be written in it, quoted and cut short if long.
std::string Shown(std::string_view text)
{
    std::string shown;
    if (text.size() <= kShownCharacters) {
        AppendJsonString(shown, text);
        return shown;
    }
    std::size_t cut = kShownCharacters;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut; // not inside a UTF-8 character
    AppendJsonString(shown, text.substr(0, cut));
    shown.insert(shown.size() - 1, "...");
    return shown;
}

std::string Described(const JsonValue& value)
{
    switch (value.kind) {
    case Kind::Null:
        return "null";
    case Kind::False:
        return "false";
    case Kind::True:
        return "true";
    case Kind::Number: {
        const std::string shown = Shown(value.text);
        return shown.substr(1, shown.size() - 2); // without the quotes
    }
    case Kind::String:
        return "the text " + Shown(value.text);
    case Kind::Array:
        return "a list [...]";
    case Kind::Object:
        return "an object {...}";
    }
    return {};
}

// A number written as an integer ("-12", not "12.0" or "1e1"), or nothing. Values beyond
// every limit here saturate, so that a long run of digits is still out of range.
std::optional<long long> WholeNumber(const JsonValue& value)
{
    if (value.kind != Kind::Number || value.text.find_first_of(".eE") != std::string::npos)
        return std::nullopt;
    const bool negative = value.text.front() == '-';
    const std::string_view digits = std::string_view(value.text).substr(negative ? 1 : 0);
    constexpr long long kSaturated = 1'000'000'000'000;
    long long magnitude = kSaturated;
    if (digits.size() < 13)
        std::from_chars(digits.data(), digits.data() + digits.size(), magnitude);
    return negative ? -magnitude : magnitude;
}

// "<subject> must be a whole number from <low> to <high>; found <value>.", or nothing if
// the value is one.
std::string RangeProblem(const std::string& subject, const JsonValue& value, long long low,
                         long long high)
{
    if (const auto n = WholeNumber(value); n && *n >= low && *n <= high)
        return {};
    std::string problem = subject + " must be a whole number from " + std::to_string(low) + " to " +
                          std::to_string(high) + "; found " + Described(value);
    if (value.kind == Kind::Number && !WholeNumber(value))
        problem += " (whole numbers are written without a decimal point or exponent)";
    return problem + ".";
}

const JsonValue* Member(const JsonValue& object, std::string_view key)
{
    const auto it = std::find(object.keys.begin(), object.keys.end(), key);
    return it == object.keys.end() ? nullptr : &object.items[it - object.keys.begin()];
}

// Two values under one key would leave it to chance which one counts.
std::string RepeatedKeyProblem(const JsonValue& top)
{
    std::set<std::string_view> seen;
    for (const std::string& key : top.keys) {
        if (!seen.insert(key).second)
            return "The key " + Shown(key) +
                   " appears more than once; each key may appear only once.";
    }
    return {};
}

std::string FormatProblem(const JsonValue& top)
{
    const JsonValue* format = Member(top, "format");
    if (!format)
        return "This is not a Morvane configuration file: it has no key \"format\".";
    if (format->kind != Kind::String || format->text != kFormatName)
        return "This is not a Morvane configuration file: \"format\" is " + Described(*format) +
               ", not \"" + std::string(kFormatName) + "\".";
    return {};
}

std::string VersionProblem(const JsonValue& top)
{
    const std::string readable = "this version of Morvane Config reads files of version " +
                                 std::to_string(kConfigFileVersion) + ".";
    const JsonValue* version = Member(top, "version");
    if (!version)
        return "The key \"version\" is missing; " + readable;
    const auto n = WholeNumber(*version);
    if (!n)
        return "The key \"version\" must be a whole number; found " + Described(*version) + "; " +
               readable;
    if (*n > kConfigFileVersion)
        return "The file was written by a newer version of Morvane Config (file version " +
               Described(*version) + "); " + readable;
    if (*n < 1)
        return "The key \"version\" is " + Described(*version) +
               ", but file versions start at 1; " + readable;
    return {};
}

std::string DigitsProblem(const JsonValue& top, int& digits)
{
    const JsonValue* value = Member(top, "digits");
    if (!value)
        return "The key \"digits\" is missing; it must be a whole number from " +
               std::to_string(kMinDigits) + " to " + std::to_string(kMaxDigits) + ".";
    std::string problem = RangeProblem("The key \"digits\"", *value, kMinDigits, kMaxDigits);
    if (problem.empty())
        digits = static_cast<int>(*WholeNumber(*value));
    return problem;
}

// Index of register key "3" to "11" as written by the writer, or -1 ("03", "12", "abc").
int RegisterIndex(std::string_view key)
{
    for (int k = 0; k < ConfigRegisterCount; ++k) {
        if (key == RegisterKey(k))
            return k;
    }
    return -1;
}

std::string RegistersProblem(const JsonValue& top, Registers& registers)
{
    const std::string all =
        "registers \"" + RegisterKey(0) + "\" to \"" + RegisterKey(ConfigRegisterCount - 1) + "\"";
    const JsonValue* object = Member(top, "registers");
    if (!object)
        return "The key \"registers\" is missing; it must hold " + all + ".";
    if (object->kind != Kind::Object)
        return "The key \"registers\" must be an object { \"3\": ..., \"11\": ... }; found " +
               Described(*object) + ".";
    std::array<bool, ConfigRegisterCount> seen{};
    for (std::size_t i = 0; i < object->keys.size(); ++i) {
        const std::string& key = object->keys[i];
        const int k = RegisterIndex(key);
        if (k < 0)
            return "\"registers\" holds an unknown register " + Shown(key) + "; it may hold only " +
                   all + ", written without leading zeros.";
        if (seen[k])
            return "Register " + Shown(key) +
                   " appears more than once in \"registers\"; each may appear only once.";
        seen[k] = true;
        const JsonValue& value = object->items[i];
        if (std::string problem = RangeProblem("Register " + Shown(key), value, 0, 65535);
            !problem.empty())
            return problem;
        registers[k] = static_cast<std::uint16_t>(*WholeNumber(value));
    }
    for (int k = 0; k < ConfigRegisterCount; ++k) {
        if (!seen[k])
            return "Register \"" + RegisterKey(k) +
                   "\" is missing from \"registers\"; it must hold " + all + ".";
    }
    return {};
}

std::string JsonProblem(const JsonError& error)
{
    const std::string where =
        "line " + std::to_string(error.line) + ", column " + std::to_string(error.column);
    switch (error.fault) {
    case JsonFault::Empty:
        return "The file is empty.";
    case JsonFault::NotUtf8: {
        char byte[8];
        std::snprintf(byte, sizeof byte, "0x%02X", error.byte);
        return "The file is not UTF-8 text: the byte " + std::string(byte) + " at " + where +
               " is not part of a UTF-8 character.";
    }
    case JsonFault::Syntax:
        break;
    }
    return "The file is not valid JSON: at " + where + ", " + error.what + ".";
}

std::string TooLargeProblem()
{
    return "The file is larger than " + std::to_string(kConfigFileMaxBytes / 1024) + " KiB (" +
           std::to_string(kConfigFileMaxBytes) +
           " bytes), the most a Morvane configuration file may hold.";
}

std::string_view TrimmedEnd(std::string_view text, std::string_view drop)
{
    while (!text.empty() && drop.find(text.back()) != std::string_view::npos)
        text.remove_suffix(1);
    return text;
}

ConfigFileResult Refused(std::string problem)
{
    return {std::nullopt, std::move(problem)};
}

} // namespace

QByteArray ConfigFileText(const Configuration& config, const ConfigNotes& notes)
{
    std::string out = "{\n  \"format\": \"" + std::string(kFormatName) + "\",\n";
    out += "  \"version\": " + std::to_string(kConfigFileVersion) + ",\n";
    out += "  \"digits\": " + std::to_string(config.digits) + ",\n";
    out += "  \"registers\": {";
    for (int k = 0; k < ConfigRegisterCount; ++k)
        out += (k ? ", \"" : " \"") + RegisterKey(k) + "\": " + std::to_string(config.registers[k]);
    out += " },\n  \"fields\": {";
    // One field a line: captions and texts differ in length, and this keeps them readable.
    for (std::size_t i = 0; i < notes.fields.size(); ++i) {
        out += i ? ",\n    " : "\n    ";
        AppendJsonString(out, TrimmedEnd(notes.fields[i].first, ": "));
        out += ": ";
        AppendJsonString(out, notes.fields[i].second);
    }
    out += notes.fields.empty() ? "},\n" : "\n  },\n";
    out += "  \"mode\": ";
    AppendJsonString(out, TrimmedEnd(notes.mode, " "));
    out += ",\n  \"saved\": ";
    if (notes.saved.isValid())
        AppendJsonString(out, notes.saved.toUTC().toString(Qt::ISODate).toStdString());
    else
        out += "null";
    out += "\n}\n";
    return QByteArray::fromStdString(out);
}

ConfigFileResult ParseConfigFile(QByteArrayView bytes)
{
    if (bytes.size() > kConfigFileMaxBytes)
        return Refused(TooLargeProblem());
    const JsonReadResult json = ReadJson(std::string_view(bytes.data(), bytes.size()));
    if (!json.value)
        return Refused(JsonProblem(json.error));
    const JsonValue& top = *json.value;
    if (top.kind != Kind::Object)
        return Refused("The file holds " + Described(top) +
                       " where a Morvane configuration file holds an object {...}.");

    // Readers of version 1 ignore keys they do not know, so a later version may add notes.
    Configuration config;
    std::string problem = RepeatedKeyProblem(top);
    if (problem.empty())
        problem = FormatProblem(top);
    if (problem.empty())
        problem = VersionProblem(top);
    if (problem.empty())
        problem = DigitsProblem(top, config.digits);
    if (problem.empty())
        problem = RegistersProblem(top, config.registers);
    if (!problem.empty())
        return Refused(problem);
    return {config, {}};
}

ConfigFileBytes ReadConfigFileBytes(const QString& path)
{
    // Opening a pipe waits for a writer, and a device may never end: read only plain files.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile() && !info.isDir())
        return {{}, "This is a device, pipe or socket, not a file."};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        const std::string reason = file.errorString().toStdString();
        if (info.isDir())
            return {{}, "This is a folder, not a file (" + reason + ")."};
        return {{}, "The file cannot be read: " + reason + "."};
    }
    QByteArray bytes = file.read(kConfigFileMaxBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return {{}, "The file cannot be read: " + file.errorString().toStdString() + "."};
    return {std::move(bytes), {}};
}

ConfigFileResult ReadConfigFile(const QString& path)
{
    const ConfigFileBytes file = ReadConfigFileBytes(path);
    if (!file.problem.empty())
        return Refused(file.problem);
    return ParseConfigFile(file.bytes);
}

} // namespace morvane

#pragma once
// A small strict JSON reader for configuration files. QJsonDocument keeps only the last of
// two equal keys without a word, which would let a file that names a register twice open
// with either value; this reader keeps every member of an object, in file order, so the
// caller can refuse repeats. It also says where a file stops being JSON, in lines and
// columns a technician can find in an editor.
// Plain C++: the input is bounded by the caller, nesting is bounded here, and nothing
// recurses deeper than kJsonMaxDepth.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace morvane
{

// Deep enough for any hand-written notes; a configuration itself nests two levels.
inline constexpr int kJsonMaxDepth = 64;

struct JsonValue {
    enum class Kind { Null, False, True, Number, String, Array, Object };
    Kind kind = Kind::Null;
    // A string's text (UTF-8, escapes decoded), or a number exactly as written ("1e2").
    std::string text;
    // An array's elements, or an object's values; an object's keys are in `keys`, same order.
    std::vector<JsonValue> items;
    std::vector<std::string> keys;
};

enum class JsonFault {
    NotUtf8, // the bytes are not UTF-8 text
    Empty,   // nothing but blanks
    Syntax,  // not JSON (including nesting deeper than kJsonMaxDepth)
};

struct JsonError {
    JsonFault fault = JsonFault::Syntax;
    int line = 1;           // 1-based
    int column = 1;         // 1-based, in characters, not bytes
    std::string what;       // for Syntax: "expected ':' after the key, found 'x'"
    unsigned char byte = 0; // for NotUtf8: the first byte that is not UTF-8
};

struct JsonReadResult {
    std::optional<JsonValue> value;
    JsonError error; // meaningful when value is empty
};

// Reads one JSON value (RFC 8259), surrounded by blanks only. A UTF-8 byte order mark at
// the start is skipped, since some editors write one.
JsonReadResult ReadJson(std::string_view text);

// Appends `s` as a JSON string literal with its quotes. Quotes, backslashes and control
// characters are escaped; other characters stay as they are. Bytes that are not UTF-8 become
// U+FFFD, so that what is written always reads back.
void AppendJsonString(std::string& out, std::string_view s);

} // namespace morvane

#include "configfile/jsonreader.h"

#include <cstdint>
#include <cstdio>

namespace morvane
{

namespace
{

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

unsigned char ByteAt(std::string_view s, std::size_t i)
{
    return static_cast<unsigned char>(s[i]);
}

// Length of the UTF-8 character that starts at s[i], or 0 if the bytes there are not one.
// Overlong forms, surrogates and code points above U+10FFFF are not UTF-8 (RFC 3629).
std::size_t Utf8CharLength(std::string_view s, std::size_t i)
{
    const unsigned char lead = ByteAt(s, i);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF; // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : low;
        high = lead == 0xED ? 0x9F : high;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : low;
        high = lead == 0xF4 ? 0x8F : high;
    } else {
        return 0;
    }
    if (s.size() - i < length || ByteAt(s, i + 1) < low || ByteAt(s, i + 1) > high)
        return 0;
    for (std::size_t k = 2; k < length; ++k) {
        if (ByteAt(s, i + k) < 0x80 || ByteAt(s, i + k) > 0xBF)
            return 0;
    }
    return length;
}

void AppendUtf8(std::string& out, std::uint32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string Hex4(unsigned value)
{
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%04X", value & 0xFFFFu);
    return buffer;
}

// Line and column of byte `offset`, counting characters the way an editor does; the text
// before `offset` is valid UTF-8.
JsonError ErrorAt(std::string_view text, std::size_t offset, JsonFault fault)
{
    JsonError error;
    error.fault = fault;
    for (std::size_t i = 0; i < offset; ++i) {
        const unsigned char b = ByteAt(text, i);
        if (b == '\n') {
            ++error.line;
            error.column = 1;
        } else if ((b & 0xC0) != 0x80) {
            ++error.column;
        }
    }
    return error;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

int HexDigit(char c)
{
    if (IsDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Recursive descent over valid UTF-8; each function leaves m_pos after what it read, or
// records the first error and returns false.
class Parser
{
  public:
    explicit Parser(std::string_view text) : m_text(text) {}

    std::optional<JsonValue> Document();
    JsonError error;

  private:
    bool Value(JsonValue& out, int depth);
    bool Container(JsonValue& out, int depth, char close);
    bool String(std::string& out);
    bool Escape(std::string& out);
    bool UnicodeEscape(std::uint32_t& unit);
    bool Number(std::string& out);
    bool Word(std::string_view word);
    // `found` describes what stands at m_pos instead, when one character does not say it.
    bool Fail(const std::string& expected, const std::string& found = {});
    std::string Found() const;
    void SkipBlanks();
    bool AtEnd() const { return m_pos >= m_text.size(); }
    char Peek() const { return AtEnd() ? '\0' : m_text[m_pos]; }
    bool Take(char c);

    std::string_view m_text;
    std::size_t m_pos = 0;
};

std::optional<JsonValue> Parser::Document()
{
    SkipBlanks();
    if (AtEnd()) {
        error = ErrorAt(m_text, m_pos, JsonFault::Empty);
        return std::nullopt;
    }
    JsonValue value;
    if (!Value(value, 0))
        return std::nullopt;
    SkipBlanks();
    if (!AtEnd() && !Fail("expected the end of the file"))
        return std::nullopt;
    return value;
}

bool Parser::Value(JsonValue& out, int depth)
{
    switch (Peek()) {
    case '{':
        out.kind = JsonValue::Kind::Object;
        return Container(out, depth + 1, '}');
    case '[':
        out.kind = JsonValue::Kind::Array;
        return Container(out, depth + 1, ']');
    case '"':
        out.kind = JsonValue::Kind::String;
        return String(out.text);
    case 't':
        out.kind = JsonValue::Kind::True;
        return Word("true");
    case 'f':
        out.kind = JsonValue::Kind::False;
        return Word("false");
    case 'n':
        out.kind = JsonValue::Kind::Null;
        return Word("null");
    default:
        if (Peek() == '-' || IsDigit(Peek())) {
            out.kind = JsonValue::Kind::Number;
            return Number(out.text);
        }
        return Fail("expected a value");
    }
}

// An object ('}') or an array (']'), at m_pos on its opening bracket.
bool Parser::Container(JsonValue& out, int depth, char close)
{
    if (depth > kJsonMaxDepth)
        return Fail("expected at most " + std::to_string(kJsonMaxDepth) + " levels of nesting");
    const bool isObject = close == '}';
    const std::string closing = std::string("'") + close + "'";
    ++m_pos;
    SkipBlanks();
    if (Take(close))
        return true;
    for (;;) {
        if (isObject) {
            if (Peek() != '"')
                return Fail(out.keys.empty() ? "expected a key in quotes or " + closing
                                             : "expected a key in quotes");
            if (!String(out.keys.emplace_back()))
                return false;
            SkipBlanks();
            if (!Take(':'))
                return Fail("expected ':' after the key");
            SkipBlanks();
        }
        if (!Value(out.items.emplace_back(), depth))
            return false;
        SkipBlanks();
        if (Take(close))
            return true;
        if (!Take(','))
            return Fail("expected ',' or " + closing);
        SkipBlanks();
    }
}

bool Parser::String(std::string& out)
{
    ++m_pos; // the opening quote
    for (;;) {
        if (AtEnd() || static_cast<unsigned char>(Peek()) < 0x20)
            return Fail("expected '\"' to close the text");
        const char c = m_text[m_pos++];
        if (c == '"')
            return true;
        if (c == '\\') {
            if (!Escape(out))
                return false;
        } else {
            out += c; // the input is valid UTF-8, so characters are copied a byte at a time
        }
    }
}

bool Parser::Escape(std::string& out)
{
    const char c = Peek();
    const std::string_view from = "\"\\/bfnrt", to = "\"\\/\b\f\n\r\t";
    if (const auto k = from.find(c); c != '\0' && k != std::string_view::npos) {
        out += to[k];
        ++m_pos;
        return true;
    }
    if (c != 'u')
        return Fail("expected one of \\\" \\\\ \\/ \\b \\f \\n \\r \\t \\u after '\\'");
    const std::size_t start = m_pos - 1; // the backslash
    std::uint32_t unit = 0;
    if (!UnicodeEscape(unit))
        return false;
    const bool high = unit >= 0xD800 && unit <= 0xDBFF;
    std::uint32_t low = 0;
    if (high && m_text.substr(m_pos, 2) == "\\u") {
        ++m_pos;
        if (!UnicodeEscape(low))
            return false;
    }
    if (unit >= 0xD800 && unit <= 0xDFFF) {
        if (!high || low < 0xDC00 || low > 0xDFFF) {
            m_pos = start;
            return Fail("expected \\uD800 to \\uDBFF followed by \\uDC00 to \\uDFFF",
                        std::string(m_text.substr(start, 6)) + " alone");
        }
        unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
    }
    AppendUtf8(out, unit);
    return true;
}

// At the 'u' of "\uXXXX"; leaves m_pos after the four digits.
bool Parser::UnicodeEscape(std::uint32_t& unit)
{
    ++m_pos;
    for (int k = 0; k < 4; ++k) {
        const int digit = HexDigit(Peek());
        if (digit < 0)
            return Fail("expected four hexadecimal digits after \\u");
        unit = unit * 16 + static_cast<std::uint32_t>(digit);
        ++m_pos;
    }
    return true;
}

bool Parser::Number(std::string& out)
{
    const std::size_t start = m_pos;
    Take('-');
    if (!IsDigit(Peek()))
        return Fail("expected a digit");
    if (Take('0') && IsDigit(Peek()))
        return Fail("expected a number without leading zeros");
    while (IsDigit(Peek()))
        ++m_pos;
    if (Take('.')) {
        if (!IsDigit(Peek()))
            return Fail("expected a digit after '.'");
        while (IsDigit(Peek()))
            ++m_pos;
    }
    if (Take('e') || Take('E')) {
        if (!Take('+'))
            Take('-');
        if (!IsDigit(Peek()))
            return Fail("expected a digit in the exponent");
        while (IsDigit(Peek()))
            ++m_pos;
    }
    out = m_text.substr(start, m_pos - start);
    return true;
}

bool Parser::Word(std::string_view word)
{
    if (m_text.substr(m_pos, word.size()) != word)
        return Fail("expected a value");
    m_pos += word.size();
    return true;
}

bool Parser::Fail(const std::string& expected, const std::string& found)
{
    error = ErrorAt(m_text, m_pos, JsonFault::Syntax);
    error.what = expected + ", found " + (found.empty() ? Found() : found);
    return false;
}

std::string Parser::Found() const
{
    if (AtEnd())
        return "the end of the file";
    const char c = Peek();
    if (c == '\n' || c == '\r')
        return "the end of the line";
    if (c == ' ')
        return "a blank";
    if (c == '\t')
        return "a tab";
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
        return "the control character U+" + Hex4(static_cast<unsigned char>(c));
    return "'" + std::string(m_text.substr(m_pos, Utf8CharLength(m_text, m_pos))) + "'";
}

void Parser::SkipBlanks()
{
    while (!AtEnd() && IsBlank(m_text[m_pos]))
        ++m_pos;
}

bool Parser::Take(char c)
{
    if (AtEnd() || m_text[m_pos] != c)
        return false;
    ++m_pos;
    return true;
}

} // namespace

JsonReadResult ReadJson(std::string_view text)
{
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark)
        text.remove_prefix(kByteOrderMark.size());
    JsonReadResult result;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = Utf8CharLength(text, i);
        if (length == 0) {
            result.error = ErrorAt(text, i, JsonFault::NotUtf8);
            result.error.byte = ByteAt(text, i);
            return result;
        }
        i += length;
    }
    Parser parser(text);
    result.value = parser.Document();
    result.error = parser.error;
    return result;
}

void AppendJsonString(std::string& out, std::string_view s)
{
    out += '"';
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t length = Utf8CharLength(s, i);
        const char c = s[i];
        if (length == 0) {
            out += kReplacementCharacter;
            ++i;
            continue;
        }
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (const auto k = std::string_view("\b\f\n\r\t").find(c);
                   k != std::string_view::npos) {
            out += '\\';
            out += "bfnrt"[k];
        } else if (static_cast<unsigned char>(c) < 0x20) {
            out += "\\u" + Hex4(static_cast<unsigned char>(c));
        } else {
            out += s.substr(i, length);
        }
        i += length;
    }
    out += '"';
}

} // namespace morvane

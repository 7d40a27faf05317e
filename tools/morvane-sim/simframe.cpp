#include "simframe.h"

#include <algorithm>
#include <cstdio>

namespace morvane::sim
{

namespace
{

int Word(const uint8_t* bytes)
{
    return bytes[0] << 8 | bytes[1];
}

// Neither 0x00 (broadcast, never a reply's address) nor 0xFF (above the highest slave
// address, 247) can start a reply, so a master hunting for its slave skips them all.
Frame Noise(int count)
{
    Frame noise(static_cast<size_t>(count));
    for (size_t i = 0; i < noise.size(); ++i)
        noise[i] = i % 2 == 0 ? 0xFF : 0x00;
    return noise;
}

std::string WrittenValues(const uint8_t* frame, size_t size, int count)
{
    std::string text;
    for (int k = 0; k < count && 7 + 2 * static_cast<size_t>(k) + 1 < size; ++k) {
        text += k == 0 ? " values=" : ",";
        text += std::to_string(Word(frame + 7 + 2 * k));
    }
    return text;
}

// Rounded up, so that paced bytes are never ahead of the line.
std::chrono::nanoseconds BitTimes(long baud, int64_t bits)
{
    return std::chrono::nanoseconds((bits * 1'000'000'000 + baud - 1) / baud);
}

} // namespace

uint16_t RtuCrc(const uint8_t* data, size_t size)
{
    uint16_t crc = 0xFFFF;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
    }
    return crc;
}

void AppendCrc(Frame& frame)
{
    uint16_t crc = RtuCrc(frame.data(), frame.size());
    frame.push_back(crc & 0xFF);
    frame.push_back(crc >> 8);
}

Frame ExceptionFrame(uint8_t slave, uint8_t function, uint8_t code)
{
    Frame frame = {slave, static_cast<uint8_t>(function | 0x80), code};
    AppendCrc(frame);
    return frame;
}

Frame MbapExceptionFrame(const uint8_t* request, uint8_t code)
{
    return {request[0], request[1], 0, 0, 0, 3, request[6], static_cast<uint8_t>(request[7] | 0x80),
            code};
}

Frame RtuFrameOfMbap(const uint8_t* request, size_t size)
{
    Frame frame(request + std::min(size, MbapHeaderSize - 1), request + size);
    AppendCrc(frame);
    return frame;
}

Frame ShapeReply(Frame reply, const SimOptions& options, Framing framing)
{
    const bool mbap = framing == Framing::Mbap;
    if (reply.size() < (mbap ? MbapHeaderSize + 1 : 4))
        return reply;
    const size_t addressAt = mbap ? MbapHeaderSize - 1 : 0;
    if (options.answerSlave && reply[addressAt] != *options.answerSlave) {
        reply[addressAt] = static_cast<uint8_t>(*options.answerSlave);
        if (!mbap) {
            reply.resize(reply.size() - 2);
            AppendCrc(reply);
        }
    }
    const size_t spoiledAt = mbap ? 0 : reply.size() - 2;
    if (options.badCrc) {
        reply[spoiledAt] ^= 0xFF;
        reply[spoiledAt + 1] ^= 0xFF;
    }
    Frame line = Noise(options.noiseBytes);
    line.insert(line.end(), reply.begin(), reply.end());
    return line;
}

std::vector<Frame> SplitIntoPieces(const Frame& bytes, int pieces)
{
    std::vector<Frame> parts;
    size_t count = std::clamp<size_t>(static_cast<size_t>(std::max(pieces, 1)), 1,
                                      std::max<size_t>(bytes.size(), 1));
    size_t begin = 0;
    for (size_t i = 0; i < count; ++i) {
        size_t end = bytes.size() * (i + 1) / count;
        parts.emplace_back(bytes.begin() + begin, bytes.begin() + end);
        begin = end;
    }
    return parts;
}

std::string DescribeRequest(const uint8_t* frame, size_t size)
{
    if (size < 4)
        return "request";
    const int function = frame[1];
    std::string line = "request fn=" + std::to_string(function);
    if (size >= 8 && (function <= 6 || function == 15 || function == 16 || function == 23)) {
        line += " addr=" + std::to_string(Word(frame + 2));
        bool single = function == 5 || function == 6;
        line += (single ? " value=" : " count=") + std::to_string(Word(frame + 4));
        if (function == 16)
            line += WrittenValues(frame, size, Word(frame + 4));
    }
    if (frame[0] == 0)
        line += " broadcast";
    return line;
}

WrittenSpan WrittenRegisters(const uint8_t* frame, size_t size)
{
    if (size < 8)
        return {};
    switch (frame[1]) {
    case 6:
        return {Word(frame + 2), 1};
    case 16:
        return {Word(frame + 2), Word(frame + 4)};
    case 23: // read and write: the write's address and count follow the read's
        return size < 10 ? WrittenSpan{} : WrittenSpan{Word(frame + 6), Word(frame + 8)};
    default:
        return {};
    }
}

std::chrono::nanoseconds CharacterTimes(long baud, size_t characters)
{
    return BitTimes(baud, 10 * static_cast<int64_t>(characters));
}

// Modbus over serial line: 3.5 characters between frames, but a fixed 1.75 ms above
// 19200 baud, where the character count would ask too much of the receivers' timers.
std::chrono::nanoseconds FrameSilence(long baud)
{
    if (baud > 19200)
        return std::chrono::microseconds(1750);
    return BitTimes(baud, 35);
}

std::string HexText(const Frame& bytes)
{
    std::string text;
    char byte[4];
    for (uint8_t b : bytes) {
        std::snprintf(byte, sizeof byte, "%02x", b);
        text += text.empty() ? "" : " ";
        text += byte;
    }
    return text;
}

} // namespace morvane::sim

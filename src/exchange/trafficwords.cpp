#include "exchange/trafficwords.h"

#include "controller/configblock.h"
#include "protocol/mbap.h"
#include "protocol/modbus.h"

#include <algorithm>

namespace morvane
{

namespace
{

std::string AnswerWords(int count)
{
    return "answer, " + std::to_string(count) + (count == 1 ? " register" : " registers");
}

// A reply the receive passed over says what it would have been.
std::string NotTakenWords(const TrafficFrame& f)
{
    const int function = f.bytes.size() > 1 ? f.bytes[1] : 0;
    const std::string reply = function >= modbus::kExceptionFlag          ? ExceptionWords(f.code)
                              : function == modbus::kReadHoldingRegisters ? AnswerWords(f.count)
                                                                          : "write acknowledged";
    return reply + ", not taken";
}

std::string Counted(int count, std::string_view one, std::string_view many)
{
    return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

// One kind of frame that came back, and what a technician checks for it. Noise is counted in
// bytes, the others in frames.
std::string CameBackLine(const TrafficFrame& frame, int count, int expectedSlave)
{
    const std::string replies = Counted(count, "reply", "replies");
    switch (frame.meaning) {
    case TrafficMeaning::CrcWrong:
        return replies + " with a wrong CRC: check the baud rate and the wiring";
    case TrafficMeaning::OtherSlave:
        return replies + " from slave " + std::to_string(frame.slave) +
               ": check the address, which must be " + std::to_string(expectedSlave);
    case TrafficMeaning::NotAnAnswer:
        return replies + (count == 1 ? " that does" : " that do") +
               " not answer the request: check that slave " + std::to_string(expectedSlave) +
               " is a Morvane and no other master uses the line";
    case TrafficMeaning::NoFrame:
        return Counted(count, "byte", "bytes") +
               " forming no frame (noise): check the wiring, the baud rate and the parity";
    default:
        return Counted(count, "frame", "frames") + ": " + TrafficMeaningText(frame);
    }
}

std::string RejectionWords(MbapRejection rejection)
{
    switch (rejection) {
    case MbapRejection::LengthMismatch:
        return "its length does not match the reply";
    case MbapRejection::LengthOutOfRange:
        return "impossible length, the stream cannot be followed";
    default:
        return std::string(MbapRejectionName(rejection));
    }
}

} // namespace

std::string ExceptionWords(int code)
{
    const std::string_view name = modbus::ExceptionName(code);
    return "exception " + std::to_string(code) +
           (name.empty() ? "" : " (" + std::string(name) + ")");
}

std::string TrafficMeaningText(const TrafficFrame& f)
{
    const auto registers = [&f] {
        return "registers " + std::to_string(f.first) + " to " + std::to_string(f.last) +
               " of slave " + std::to_string(f.slave);
    };
    switch (f.meaning) {
    case TrafficMeaning::ReadRequest:
        return "read request, " + registers();
    case TrafficMeaning::WriteRequest:
        return "write request, " + registers();
    case TrafficMeaning::OtherRequest:
        return "not a request of this program";
    case TrafficMeaning::ReadAnswer:
        return AnswerWords(f.count);
    case TrafficMeaning::WriteAcknowledged:
        return "write acknowledged";
    case TrafficMeaning::Exception:
        return ExceptionWords(f.code);
    case TrafficMeaning::CrcWrong:
        return "CRC wrong";
    case TrafficMeaning::OtherSlave:
        return "from slave " + std::to_string(f.slave) + ", ignored";
    case TrafficMeaning::NotAnAnswer:
        return "does not answer the request";
    case TrafficMeaning::Echo:
        return "echo of the request";
    case TrafficMeaning::NotTaken:
        return NotTakenWords(f);
    case TrafficMeaning::NoFrame:
        break;
    }
    return "no frame";
}

std::string WhatCameBackText(const std::vector<TrafficFrame>& received,
                             const Connection& connection)
{
    struct Kind {
        const TrafficFrame* first;
        int count;
    };
    const auto line = [&connection](const TrafficFrame& frame, int count) {
        return CameBackLine(frame, count, connection.slave);
    };
    std::vector<Kind> kinds;
    for (const TrafficFrame& frame : received) {
        if (frame.sent)
            continue;
        const int amount = frame.meaning == TrafficMeaning::NoFrame ? int(frame.bytes.size()) : 1;
        const std::string kind = line(frame, 1);
        const auto same = std::find_if(kinds.begin(), kinds.end(),
                                       [&](const Kind& k) { return line(*k.first, 1) == kind; });
        if (same == kinds.end())
            kinds.push_back({&frame, amount});
        else
            same->count += amount;
    }
    if (kinds.empty())
        return {};
    std::string text = "No valid answer from Morvane within " +
                       SecondsText(connection.timeLimitMs) + " s, but bytes came back:";
    for (const Kind& kind : kinds)
        text += "\r\n" + line(*kind.first, kind.count) + ".";
    return text;
}

std::string RetryText(int attempt, const Connection& connection)
{
    return "no answer within " + SecondsText(connection.timeLimitMs) + " s, asking again (" +
           std::to_string(attempt) + " of " + std::to_string(connection.retries + 1) + ")";
}

std::string TcpEventText(const TcpEvent& event)
{
    const MbapHeader& h = event.header;
    const std::string header = "MBAP header, transaction " + std::to_string(h.transaction) +
                               ", unit " + std::to_string(h.unit);
    switch (event.kind) {
    case TcpEvent::Kind::Connected:
        return "connected to " + event.endpoint;
    case TcpEvent::Kind::Closed:
        if (!event.byPeer && event.text.empty())
            return "disconnected from " + event.endpoint;
        return "connection to " + event.endpoint + " closed: " + event.text;
    case TcpEvent::Kind::MbapSent:
    case TcpEvent::Kind::MbapReceived:
        return header;
    case TcpEvent::Kind::MbapRejected:
        return header + ", rejected: " + RejectionWords(event.rejection);
    }
    return {};
}

} // namespace morvane

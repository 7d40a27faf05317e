#pragma once
// What the frames on the line mean, in the words of the line traffic window and of the command
// line's --trace, and what came back from a wait that ended without an answer.

#include "exchange/connection.h"
#include "port/networkport.h"
#include "protocol/trafficdecode.h"

#include <string>
#include <string_view>
#include <vector>

namespace morvane
{

namespace traffic
{
// The direction of a row.
inline constexpr std::string_view kSent = "sent";
inline constexpr std::string_view kReceived = "received";
} // namespace traffic

// "exception 2 (illegal data address)"; the code alone when it has no standard name.
std::string ExceptionWords(int code);

// What a frame's bytes mean: "read request, registers 3 to 11 of slave 1", "CRC wrong".
std::string TrafficMeaningText(const TrafficFrame& frame);

// What came back from a wait that ended without an answer, one line a kind of frame with what
// to check: "3 replies with a wrong CRC: check the baud rate and the wiring". Empty when
// nothing came back.
std::string WhatCameBackText(const std::vector<TrafficFrame>& received,
                             const Connection& connection);

// A request sent again after an attempt the time limit ended: "no answer within 1 s, asking
// again (2 of 3)".
std::string RetryText(int attempt, const Connection& connection);

// What happened on a network connection: "connected to tcp://10.0.0.7:502", "MBAP header,
// transaction 7, unit 5", "..., rejected: wrong transaction", "connection to ... closed: why".
std::string TcpEventText(const TcpEvent& event);

} // namespace morvane

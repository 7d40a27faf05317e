#pragma once
// What the frames on the line mean, in the words of the line traffic window and of the command
// line's --trace, and what came back from a wait that ended without an answer.

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
std::string WhatCameBackText(const std::vector<TrafficFrame>& received);

} // namespace morvane

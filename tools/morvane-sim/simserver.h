// The request loop: libmodbus receives and answers, the options spoil the answer.
#pragma once

#include "simframe.h"
#include "simline.h"
#include "simoptions.h"

#include <chrono>
#include <modbus.h>

namespace morvane::sim
{

class SimServer
{
  public:
    // stopFd becomes readable when the controller is asked to stop (a signalfd).
    SimServer(const SimOptions& options, SimLine& line, int stopFd);
    SimServer(const SimServer&) = delete;
    SimServer& operator=(const SimServer&) = delete;
    ~SimServer();

    std::string Setup(); // empty on success
    int Run();           // the process exit code

  private:
    using Clock = std::chrono::steady_clock;
    enum class Outcome { Continue, Stop, HangUp, Fail };
    enum class Sent { Whole, Lost, Stopped };

    bool RenewContext();
    Outcome WaitForRequest();
    Outcome ServeRequest();
    Outcome LineFailed(const char* what);
    bool ForOthers(const uint8_t* request, int length);
    bool MadeOut() const;
    Outcome Answer(const uint8_t* request, int length, const Frame& asOnLine,
                   Clock::time_point requestEnd);
    Frame LibraryReply(const uint8_t* request, int length);
    void HoldDisagreements(const Frame& request, const Frame& reply);
    bool SendInPieces(const Frame& bytes, Clock::time_point start);
    Sent SendPiece(const Frame& piece, Clock::time_point& lineFree);
    bool WriteAll(const uint8_t* bytes, size_t size);
    bool WaitWritable(int timeoutMs);
    bool PauseUntil(Clock::time_point deadline);
    bool StopRequested() const;
    void Trace(const char* format, ...) const __attribute__((format(printf, 2, 3)));

    const SimOptions& m_options;
    SimLine& m_line;
    Framing m_framing;
    int m_stopFd;
    modbus_t* m_modbus = nullptr;
    modbus_mapping_t* m_registers = nullptr;
    int m_capture[2] = {-1, -1};
    long m_requestsSeen = 0;
    long m_repliesShaped = 0;
};

} // namespace morvane::sim

// An opt-in record of what crossed the line, for an integrator to send to
// support: with the environment variable SIGRA_TRACE naming a file, every
// command sequence appends one line to it once the sequence has ended, e.g.
//
//   2026-12-09T01:02:03.456Z COM1 cmd 35 sent 1B 23 received 06 result 0 (4 ms)
//
// (UTC time of the sequence's start, the port, the command byte in decimal,
// the bytes each way in hex, the result code, the time the sequence took).
// Bytes a command reads on its own after its sequence (the special dates, the
// user data and display answers) follow on a line of their own, written
// before the next sequence, when the connection ends or when the program does:
//
//   2026-12-09T01:02:03.460Z COM1 cmd 250 received after 00 02 01 15
//
// Without the variable nothing is opened and a sequence only tests a pointer.
#ifndef SIGRA_PROTOCOL_WIRE_TRACE_H
#define SIGRA_PROTOCOL_WIRE_TRACE_H

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace sigra::trace {

struct SequenceRecord {
  std::chrono::system_clock::time_point start;
  std::chrono::steady_clock::time_point started;
  int port = 0;
  uint8_t cmd = 0;
  std::vector<uint8_t> sent;
  std::vector<uint8_t> received;
};

// The record the sequence now beginning should fill, or null while tracing is
// off. SIGRA_TRACE is read at the first call.
SequenceRecord* Begin(uint8_t cmd, int port);
// Appends the line of the record Begin gave.
void End(uint8_t result);
// A byte read after the last sequence, outside any.
void ReceivedAfter(uint8_t byte);
// Writes the bytes ReceivedAfter gathered.
void Flush();

// Traces into `path` from now on instead of what SIGRA_TRACE says; an empty
// path turns tracing off.
void SetFile(const std::string& path);

// The line of one sequence, without its line feed.
std::string Line(const SequenceRecord& record, uint8_t result,
                 std::chrono::steady_clock::time_point ended);

}  // namespace sigra::trace

#endif

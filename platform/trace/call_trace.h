// The call trace: every stand-in call, as one line, to whoever listens. Nobody listens in a
// normal run; a traced call then costs one load of the listener and nothing is formatted:
// TraceCall is a macro that evaluates its arguments only while someone listens, and a stand-in
// that has more to prepare for its line asks Tracing() first.
#pragma once
#include <atomic>
#include <cstdint>

namespace platform {
namespace trace {

// Hears each traced call as one line. It may be called on any thread that makes platform calls
// (the audio thread too), so it does its own locking.
typedef void (*Listener)(const char* line);

// The listener (the controls set it); null: nobody listens.
extern std::atomic<Listener> listener;
// Whether anyone listens: the one load a traced call costs when nobody does.
inline bool Tracing() { return listener.load(std::memory_order_relaxed) != nullptr; }

// Formats one line (printf's format) and hands it to the listener. Lines longer than 511
// characters are cut. Call it through TraceCall.
void SendLine(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Formats part of a line (snprintf's contract), for a stand-in that prepares its line in
// pieces. Only ever called while Tracing().
void Format(char* text, unsigned long size, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// Formatting done for the trace since the process started (lines, pieces and addresses), read
// by the controls: it stays put while nobody listens.
extern std::atomic<std::uint64_t> formatsMade;

// How a trace line writes an address or a handle: "null", or "0x" and lower-case hex digits.
// Formats, so only for a line being traced.
struct TracedAddress {
  char text[24];
};
TracedAddress Address(const void* address);

}  // namespace trace
}  // namespace platform

#define TraceCall(...)                                                          \
  do {                                                                          \
    if (::platform::trace::Tracing()) ::platform::trace::SendLine(__VA_ARGS__); \
  } while (0)

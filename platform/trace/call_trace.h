// The call trace: every stand-in call, as one line, to whoever listens. Nobody listens in a
// normal run; a traced call then costs one load of the listener and nothing is formatted.
#pragma once

namespace platform {

// Hears each traced call as one line. It may be called on any thread that makes platform calls
// (the audio thread too), so it does its own locking.
typedef void (*CallListener)(const char* line);

// Replaces the listener; null: nobody listens.
void ListenToCalls(CallListener listener);

// Stand-ins trace through this; the format is printf's. Lines longer than 511 characters are
// cut.
void TraceCall(const char* format, ...) __attribute__((format(printf, 1, 2)));

// How a trace line writes an address or a handle: "null", or "0x" and lower-case hex digits.
struct TracedAddress {
  char text[24];
};
TracedAddress TraceAddress(const void* address);

}  // namespace platform

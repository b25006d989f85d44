// The call trace: every stand-in call, as one line, to whoever listens. Nobody listens in a
// normal run; a traced call then costs one load of the listener and nothing is formatted.
#pragma once

namespace platform {

// Hears each traced call as one line. It may be called on any thread that makes platform calls
// (the audio thread too), so it does its own locking.
typedef void (*CallListener)(const char* line);

// Replaces the listener; null: nobody listens.
void ListenToCalls(CallListener listener);

// Stand-ins trace through this; the format is printf's. Lines longer than 255 characters are
// cut.
void TraceCall(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace platform

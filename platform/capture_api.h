// The capture program's way into the host's capture driver (host/capture/): the show runs as it
// always does, on a clock that the capture moves one refresh at a time, and every refresh's
// picture and sound go into a video. Called by the capture program's main (show/capture.cpp)
// before the show starts.
#pragma once

namespace platform {

// Takes the program's arguments ([--scale N] FILE [SECONDS]) and readies the capture: the
// video goes to FILE (.mkv: lossless FFV1 with the sound as PCM; .mp4: H.264 and AAC, for
// sharing), SECONDS of show (default 12) at 60 frames a second, each picture enlarged N times
// (default 2). On bad arguments, a missing ffmpeg or a folder that can't be written, says why
// on standard error and returns 2; --help prints the usage and returns 0; else -1, and the show
// may run. When the show ends, the video is finished and moved to FILE; a capture that fails,
// or a show that ends before its time, leaves nothing under FILE and ends the process with
// status 3 (the show's own failure keeps its status).
int CaptureFromArguments(int argc, char** argv);

}  // namespace platform

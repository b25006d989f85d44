// The capture's video file: frames go to ffmpeg through a pipe as they come, the sound to a raw
// file beside it; at the end ffmpeg joins the two into the container the file's name asks for.
// Everything is written under temporary names in the video's own folder, and only a finished
// video is moved to its name. Called by capture.cpp.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {
namespace host {
namespace capture {

// Which video a file's name asks for.
enum class VideoKind { kNone, kLossless, kSharing };  // .mkv, .mp4
VideoKind KindOfVideo(const std::string& path);

// The ffmpeg to run: QUENTHOR_FFMPEG, else the first ffmpeg on the PATH; empty if none.
std::string FindFfmpeg();

// Whether a file can be made in the folder the path names; false with the reason in why.
bool FolderTakesFiles(const std::string& path, std::string* why);

// Starts ffmpeg on frames of width x height in ffmpeg's pixel format pixelFormat, enlarged
// scale times, at 60 a second; the sound comes as interleaved 16-bit stereo at rate. False,
// with the reason said on standard error, when it can't start.
bool StartEncoder(const std::string& ffmpeg, const std::string& path, VideoKind kind,
                  const char* pixelFormat, int width, int height, int scale, int rate);
// One refresh: its frame (width x height pixels, packed) and its sound. False once writing
// failed (said on standard error); later calls do nothing.
bool EncodeRefresh(const std::uint8_t* frame, std::size_t frameBytes, const std::int16_t* stereo,
                   int frames);
// Finishes the video and moves it to its name; false, with the reason said, if that failed.
bool FinishEncoder();
// Stops ffmpeg and removes every temporary file; nothing is left under the video's name. Safe
// from a signal handler.
void AbandonEncoder();

}  // namespace capture
}  // namespace host
}  // namespace platform

#include "platform/host/capture/encoder.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

extern char** environ;

namespace platform {
namespace host {
namespace capture {
namespace {

// The encoder's module state. The temporary names are plain arrays, so that a signal handler
// can remove the files without allocating.
struct EncoderState {
  bool started;     // the temporary names below are set
  pid_t ffmpeg;      // encoding the frames, while it runs
  int frames;        // the pipe to its input
  int sound;         // the raw sound file
  bool failed;       // said once; nothing more is written
  int rate;
  VideoKind kind;
  char video[PATH_MAX];   // ffmpeg's frames, encoded
  char audio[PATH_MAX];   // the raw sound
  char joined[PATH_MAX];  // the two in the file's container, before it gets its name
  char log[PATH_MAX];     // what ffmpeg says
};
EncoderState encoder;
std::string ffmpegPath;
std::string finalPath;

void Say(const char* what, const char* detail = nullptr) {
  if (detail && *detail)
    std::fprintf(stderr, "quenthor-capture: %s: %s\n", what, detail);
  else
    std::fprintf(stderr, "quenthor-capture: %s\n", what);
}

// The last line ffmpeg wrote to its log, for a message.
std::string LastLogLine() {
  std::FILE* file = std::fopen(encoder.log, "r");
  if (!file) return "";
  std::string line;
  std::string last;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, file)) {
    line += buffer;
    if (!line.empty() && line.back() == '\n') {
      line.pop_back();
      if (!line.empty()) last = line;
      line.clear();
    }
  }
  if (!line.empty()) last = line;
  std::fclose(file);
  return last;
}

bool NameTemporary(char* out, const std::string& suffix) {
  const std::size_t slash = finalPath.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : finalPath.substr(0, slash);
  const std::string base = slash == std::string::npos ? finalPath : finalPath.substr(slash + 1);
  const std::string name = folder + "/." + base + ".capture-" +
                           std::to_string(static_cast<long>(getpid())) + suffix;
  if (name.size() >= PATH_MAX) return false;
  std::memcpy(out, name.c_str(), name.size() + 1);
  return true;
}

// Runs ffmpeg with the arguments, its input from input (or nothing), its messages to the log.
pid_t Spawn(const std::vector<std::string>& arguments, int input) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(ffmpegPath.c_str()));
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (input >= 0)
    posix_spawn_file_actions_adddup2(&actions, input, 0);
  else
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, encoder.log, O_WRONLY | O_APPEND, 0);
  pid_t child = 0;
  const int error = posix_spawn(&child, ffmpegPath.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) {
    Say("ffmpeg could not be started", std::strerror(error));
    return 0;
  }
  return child;
}

// Waits for ffmpeg; true when it ended well, else says so with its last words.
bool Ended(pid_t child, const char* doing) {
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
  Say(doing, LastLogLine().c_str());
  return false;
}

bool WriteAll(int descriptor, const void* bytes, std::size_t size) {
  const std::uint8_t* at = static_cast<const std::uint8_t*>(bytes);
  while (size > 0) {
    const ssize_t written = write(descriptor, at, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    at += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

// The flags that keep ffmpeg's output the same bytes for the same input: no version, date or
// random identifier in the container.
void AddFixedOutput(std::vector<std::string>* arguments) {
  for (const char* argument : {"-fflags", "+bitexact", "-flags", "+bitexact", "-map_metadata", "-1"})
    arguments->push_back(argument);
}

}  // namespace

VideoKind KindOfVideo(const std::string& path) {
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return VideoKind::kNone;
  const std::string extension = path.substr(dot);
  if (extension == ".mkv") return VideoKind::kLossless;
  if (extension == ".mp4") return VideoKind::kSharing;
  return VideoKind::kNone;
}

std::string FindFfmpeg() {
  const char* named = std::getenv("QUENTHOR_FFMPEG");
  if (named && *named) return access(named, X_OK) == 0 ? named : "";
  const char* path = std::getenv("PATH");
  std::string folders = path && *path ? path : "/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= folders.size()) {
    std::size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    const std::string folder = end > start ? folders.substr(start, end - start) : ".";
    const std::string candidate = folder + "/ffmpeg";
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return "";
}

bool FolderTakesFiles(const std::string& path, std::string* why) {
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  struct stat about;
  if (stat(folder.c_str(), &about) != 0) {
    *why = folder + ": " + std::strerror(errno);
    return false;
  }
  if (!S_ISDIR(about.st_mode)) {
    *why = folder + " is not a folder";
    return false;
  }
  if (access(folder.c_str(), W_OK | X_OK) != 0) {
    *why = folder + ": " + std::strerror(errno);
    return false;
  }
  if (stat(path.c_str(), &about) == 0 && S_ISDIR(about.st_mode)) {
    *why = path + " is a folder";
    return false;
  }
  return true;
}

bool StartEncoder(const std::string& ffmpeg, const std::string& path, VideoKind kind,
                  const char* pixelFormat, int width, int height, int scale, int rate) {
  ffmpegPath = ffmpeg;
  finalPath = path;
  encoder.kind = kind;
  encoder.rate = rate;
  encoder.frames = encoder.sound = -1;
  encoder.started = true;
  if (!NameTemporary(encoder.video, ".video.mkv") || !NameTemporary(encoder.audio, ".sound.raw") ||
      !NameTemporary(encoder.joined, kind == VideoKind::kSharing ? ".mp4" : ".mkv")) {
    Say("the video's name is too long", path.c_str());
    return false;
  }
  // ffmpeg's messages go to the system's temporary folder: they still come when the video's
  // folder is full.
  const char* temporary = std::getenv("TMPDIR");
  std::snprintf(encoder.log, sizeof encoder.log, "%s/quenthor-capture-XXXXXX",
                temporary && *temporary ? temporary : "/tmp");
  const int log = mkostemp(encoder.log, O_CLOEXEC);
  if (log < 0) encoder.log[0] = '\0';
  // A reader that goes away gives the writer an error, not a signal.
  signal(SIGPIPE, SIG_IGN);
  encoder.sound = open(encoder.audio, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  int pipeEnds[2] = {-1, -1};
  if (log < 0 || encoder.sound < 0 || pipe2(pipeEnds, O_CLOEXEC) != 0) {
    Say(log < 0 ? "can't write in the temporary folder"
                : ("can't write in the video's folder (" + path + ")").c_str(),
        std::strerror(errno));
    if (log >= 0) close(log);
    AbandonEncoder();
    return false;
  }
  close(log);
  const std::string size = std::to_string(width) + "x" + std::to_string(height);
  std::vector<std::string> arguments = {"-hide_banner", "-loglevel", "error", "-f", "rawvideo",
                                        "-pix_fmt", pixelFormat, "-video_size", size,
                                        "-framerate", "60", "-i", "pipe:0"};
  if (scale > 1) {
    const std::string factor = std::to_string(scale);
    arguments.insert(arguments.end(),
                     {"-vf", "scale=iw*" + factor + ":ih*" + factor + ":flags=neighbor"});
  }
  if (kind == VideoKind::kLossless)
    arguments.insert(arguments.end(), {"-c:v", "ffv1", "-level", "3", "-pix_fmt", "bgr0",
                                       "-slices", "4", "-threads", "2"});
  else
    arguments.insert(arguments.end(), {"-c:v", "libx264", "-preset", "veryfast", "-crf", "12",
                                       "-pix_fmt", "yuv420p", "-threads", "2"});
  AddFixedOutput(&arguments);
  arguments.insert(arguments.end(), {"-f", "matroska", "-y", encoder.video});
  encoder.ffmpeg = Spawn(arguments, pipeEnds[0]);
  close(pipeEnds[0]);
  encoder.frames = pipeEnds[1];
  if (encoder.ffmpeg == 0) {
    AbandonEncoder();
    return false;
  }
  return true;
}

bool EncodeRefresh(const std::uint8_t* frame, std::size_t frameBytes, const std::int16_t* stereo,
                   int frames) {
  if (encoder.failed || encoder.frames < 0) return false;
  if (!WriteAll(encoder.sound, stereo, static_cast<std::size_t>(frames) * 4)) {
    encoder.failed = true;
    Say(("can't write the sound beside " + finalPath).c_str(), std::strerror(errno));
    return false;
  }
  if (!WriteAll(encoder.frames, frame, frameBytes)) {
    encoder.failed = true;
    const std::string said = LastLogLine();
    Say("ffmpeg stopped taking frames", said.empty() ? std::strerror(errno) : said.c_str());
    return false;
  }
  return true;
}

bool FinishEncoder() {
  if (encoder.frames < 0) return false;
  close(encoder.frames);
  encoder.frames = -1;
  const pid_t video = encoder.ffmpeg;
  encoder.ffmpeg = 0;
  bool good = !encoder.failed && Ended(video, "ffmpeg could not encode the video");
  if (close(encoder.sound) != 0 && good) {
    Say(("can't write the sound beside " + finalPath).c_str(), std::strerror(errno));
    good = false;
  }
  encoder.sound = -1;
  if (good) {
    std::vector<std::string> arguments = {"-hide_banner", "-loglevel", "error", "-i", encoder.video,
                                          "-f", "s16le", "-ar", std::to_string(encoder.rate),
                                          "-ac", "2", "-i", encoder.audio, "-map", "0:v",
                                          "-map", "1:a", "-c:v", "copy"};
    if (encoder.kind == VideoKind::kLossless)
      arguments.insert(arguments.end(), {"-c:a", "pcm_s16le", "-f", "matroska"});
    else
      arguments.insert(arguments.end(), {"-c:a", "aac", "-b:a", "192k", "-movflags",
                                         "+faststart", "-f", "mp4"});
    AddFixedOutput(&arguments);
    arguments.insert(arguments.end(), {"-y", encoder.joined});
    const pid_t join = Spawn(arguments, -1);
    good = join != 0 && Ended(join, "ffmpeg could not join the picture and the sound");
  }
  if (good && std::rename(encoder.joined, finalPath.c_str()) != 0) {
    Say(("can't name the video " + finalPath).c_str(), std::strerror(errno));
    good = false;
  }
  AbandonEncoder();
  return good;
}

void AbandonEncoder() {
  if (!encoder.started) return;
  if (encoder.frames >= 0) close(encoder.frames);
  if (encoder.sound >= 0) close(encoder.sound);
  encoder.frames = encoder.sound = -1;
  if (encoder.ffmpeg > 0) {
    kill(encoder.ffmpeg, SIGKILL);
    int status;
    while (waitpid(encoder.ffmpeg, &status, 0) < 0 && errno == EINTR) {
    }
    encoder.ffmpeg = 0;
  }
  for (const char* name : {encoder.video, encoder.audio, encoder.joined, encoder.log})
    if (name[0]) unlink(name);
}

}  // namespace capture
}  // namespace host
}  // namespace platform

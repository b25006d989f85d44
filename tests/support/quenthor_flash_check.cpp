// quenthor-flash-check VIDEO [--pictures DIR] [--start SECONDS] [--area X,Y,W,H]
// Counts flashes in a recording of the show (see flash_analyser.h for the definitions) and,
// with --pictures, checks that each whole second still shows the picture being strobed.
// Exit status: 0 when both hold, 1 when not, 2 on bad input.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/flash_analyser.h"

namespace {

const char kUsage[] =
    "Usage: quenthor-flash-check VIDEO [--pictures DIR] [--start SECONDS] [--area X,Y,W,H]\n"
    "Decodes VIDEO with ffmpeg, frame by frame at its own timestamps, and counts general and red\n"
    "transitions (WCAG 2.3.1) in every region a sixth of the picture's width by a sixth of its\n"
    "height. Passes when no region has more than 6 transitions (3 flashes) of either kind in\n"
    "any one second.\n"
    "  --pictures DIR   also check that each whole second resembles the picture being shown\n"
    "                   (DIR holds min.raw, min2.raw, min3.raw): luminance correlation of the\n"
    "                   second's mean frame at least 0.8, and higher than with the other two\n"
    "  --start SECONDS  the show's start in the video (default: the first frame whose picture\n"
    "                   area is all black, as the show's first frame is)\n"
    "  --area X,Y,W,H   where the picture lies in the frame (default: the largest centred 4:3\n"
    "                   part of the box of pixels that are ever brighter than dark grey)\n"
    "Exit status: 0 both hold, 1 they don't, 2 bad input.\n";

int Bad(const std::string& message) {
  std::fprintf(stderr, "quenthor-flash-check: %s\n", message.c_str());
  return 2;
}

std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

bool ReadAll(const std::string& command, std::string* out) {
  std::FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return false;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out->append(buffer, n);
  return pclose(pipe) == 0;
}

// The decoded frames of a video, one at a time, as 0x00RRGGBB.
class Frames {
 public:
  Frames(const std::string& video, int width, int height) : width_(width), height_(height) {
    const std::string command = "ffmpeg -v error -nostdin -i " + Quoted(video) +
                                " -map 0:v:0 -fps_mode passthrough -f rawvideo -pix_fmt rgb24 -";
    pipe_ = popen(command.c_str(), "r");
    bytes_.resize(static_cast<size_t>(width) * height * 3);
    pixels_.resize(static_cast<size_t>(width) * height);
  }
  ~Frames() { Close(); }
  bool Next() {
    if (!pipe_ || std::fread(bytes_.data(), 1, bytes_.size(), pipe_) != bytes_.size()) return false;
    for (size_t i = 0; i < pixels_.size(); i++)
      pixels_[i] = static_cast<std::uint32_t>(bytes_[3 * i]) << 16 | bytes_[3 * i + 1] << 8 |
                   bytes_[3 * i + 2];
    return true;
  }
  bool Close() {
    if (!pipe_) return false;
    const bool fine = pclose(pipe_) == 0;
    pipe_ = nullptr;
    return fine;
  }
  const std::uint32_t* pixels() const { return pixels_.data(); }

 private:
  int width_, height_;
  std::FILE* pipe_ = nullptr;
  std::vector<unsigned char> bytes_;
  std::vector<std::uint32_t> pixels_;
};

// The largest centred 4:3 part of a box.
PictureArea FourByThree(PictureArea box) {
  PictureArea area = box;
  if (box.width * 3 > box.height * 4)
    area.width = box.height * 4 / 3;
  else
    area.height = box.width * 3 / 4;
  area.x = box.x + (box.width - area.width) / 2;
  area.y = box.y + (box.height - area.height) / 2;
  return area;
}

// A frame whose picture area is all black, as the show's first frame is (its recordings start
// on a white screen, scripts/record-headless).
bool AllBlack(const std::uint32_t* pixels, int width, PictureArea area) {
  double high = 0;
  for (int j = 0; j < 16; j++)
    for (int i = 0; i < 16; i++) {
      const int x = area.x + (2 * i + 1) * area.width / 32;
      const int y = area.y + (2 * j + 1) * area.height / 32;
      const double l = Luminance(pixels[static_cast<size_t>(y) * width + x]);
      high = std::max(high, l);
    }
  return high < 0.01;
}

bool ParseArea(const char* text, PictureArea* area) {
  return std::sscanf(text, "%d,%d,%d,%d", &area->x, &area->y, &area->width, &area->height) == 4 &&
         area->x >= 0 && area->y >= 0 && area->width > 0 && area->height > 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string video, pictureFolder;
  double start = -1;
  PictureArea area;
  bool areaGiven = false;
  for (int i = 1; i < argc; i++) {
    const std::string arg = argv[i];
    if (arg == "-h" || arg == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (arg == "--pictures" && i + 1 < argc) {
      pictureFolder = argv[++i];
    } else if (arg == "--start" && i + 1 < argc) {
      char* end = nullptr;
      start = std::strtod(argv[++i], &end);
      if (*end || !(start >= 0)) return Bad(std::string("--start takes seconds, not ") + argv[i]);
    } else if (arg == "--area" && i + 1 < argc) {
      if (!ParseArea(argv[++i], &area))
        return Bad(std::string("--area takes X,Y,W,H, not ") + argv[i]);
      areaGiven = true;
    } else if (arg[0] == '-' || !video.empty()) {
      std::fputs(kUsage, stderr);
      return Bad("unexpected argument '" + arg + "'");
    } else {
      video = arg;
    }
  }
  if (video.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  std::vector<std::vector<std::uint32_t>> pictures(3);
  if (!pictureFolder.empty()) {
    const char* names[] = {"min.raw", "min2.raw", "min3.raw"};
    for (int p = 0; p < 3; p++)
      if (!ReadPicture(pictureFolder + "/" + names[p], &pictures[p]))
        return Bad(pictureFolder + "/" + names[p] + " is not a 320x240 picture of 4 bytes a pixel");
  }

  std::string text;
  if (!ReadAll("ffprobe -v error -select_streams v:0 -show_entries stream=width,height -of "
               "csv=p=0 " +
                   Quoted(video) + " 2>/dev/null",
               &text))
    return Bad(video + ": ffprobe can't read it as a video");
  int width = 0, height = 0;
  if (std::sscanf(text.c_str(), "%d,%d", &width, &height) != 2 || width <= 0 || height <= 0)
    return Bad(video + ": no video stream");
  text.clear();
  if (!ReadAll("ffprobe -v error -select_streams v:0 -show_entries "
               "frame=best_effort_timestamp_time -of csv=p=0 " +
                   Quoted(video) + " 2>/dev/null",
               &text))
    return Bad(video + ": ffprobe can't read its frames");
  std::vector<double> times;
  for (const char* p = text.c_str(); *p;) {
    char* end = nullptr;
    const double t = std::strtod(p, &end);
    if (end == p) {  // "N/A" or an empty line: the frame before's time and a little
      times.push_back(times.empty() ? 0 : times.back() + 1e-3);
      end = const_cast<char*>(std::strchr(p, '\n'));
      if (!end) break;
    } else {
      times.push_back(t);
    }
    p = end;
    while (*p == '\n' || *p == '\r' || *p == ',') p++;
  }
  if (times.size() < 2) return Bad(video + ": fewer than two frames");

  if (areaGiven) {
    if (area.x + area.width > width || area.y + area.height > height)
      return Bad("--area lies outside the " + std::to_string(width) + "x" + std::to_string(height) +
                 " frame");
  } else {
    // First pass: the box of pixels that are ever brighter than dark grey.
    Frames frames(video, width, height);
    std::vector<unsigned char> lit(static_cast<size_t>(width) * height, 0);
    while (frames.Next())
      for (size_t i = 0; i < lit.size(); i++) {
        const std::uint32_t c = frames.pixels()[i];
        if ((c >> 16 & 0xFF) + (c >> 8 & 0xFF) + (c & 0xFF) > 48) lit[i] = 1;
      }
    int x0 = width, y0 = height, x1 = -1, y1 = -1;
    for (int y = 0; y < height; y++)
      for (int x = 0; x < width; x++)
        if (lit[static_cast<size_t>(y) * width + x])
          x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
    PictureArea box{0, 0, width, height};
    if (x1 >= x0 + 15 && y1 >= y0 + 11) box = PictureArea{x0, y0, x1 - x0 + 1, y1 - y0 + 1};
    area = FourByThree(box);
  }

  Frames frames(video, width, height);
  FlashAnalyser flashes(width, height, area);
  std::unique_ptr<LikenessCheck> likeness;
  size_t count = 0;
  double end = times.back();
  while (frames.Next()) {
    const double t = count < times.size() ? times[count] : times.back() + 1e-3 * count;
    if (start < 0 && AllBlack(frames.pixels(), width, area)) start = t;
    if (!pictureFolder.empty() && start >= 0 && !likeness)
      likeness = std::make_unique<LikenessCheck>(width, height, area, pictures, start);
    flashes.Add(t, frames.pixels());
    if (likeness) likeness->Add(t, frames.pixels());
    count++;
  }
  if (!frames.Close() || count < 2) return Bad(video + ": ffmpeg couldn't decode it");
  // The last frame is held for one frame's time.
  end = times[std::min(count, times.size()) - 1] + (times[1] - times[0]);
  if (likeness) likeness->End(end);

  std::printf("%s: %dx%d, %zu frames over %.2f s; picture area %d,%d %dx%d; %d regions\n",
              video.c_str(), width, height, count, end - times[0], area.x, area.y, area.width,
              area.height, flashes.Regions());
  std::printf(
      "second  general: most  mean   red: most  mean   (transitions in the worst region, "
      "and the mean over regions)\n");
  const std::vector<FlashAnalyser::Second> seconds = flashes.PerSecond();
  double generalMean = 0, redMean = 0;
  for (size_t s = 0; s < seconds.size(); s++) {
    std::printf("%6zu  %13d  %4.1f  %9d  %4.1f\n", s, seconds[s].general, seconds[s].generalMean,
                seconds[s].red, seconds[s].redMean);
    generalMean += seconds[s].general / static_cast<double>(seconds.size());
    redMean += seconds[s].red / static_cast<double>(seconds.size());
  }
  std::printf(
      "transitions a second (worst region): general max %d, mean %.1f; red max %d, "
      "mean %.1f (max: any one second; at most %d pass)\n",
      flashes.WorstGeneral(), generalMean, flashes.WorstRed(), redMean,
      FlashAnalyser::kMostTransitions);
  bool holds = flashes.Passes();
  std::printf("flashes: %s\n", flashes.Passes() ? "pass" : "FAIL");
  if (!pictureFolder.empty()) {
    if (!likeness) {
      std::printf(
          "likeness: FAIL (no black frame marks the show's start; give "
          "--start)\n");
      holds = false;
    } else {
      std::printf(
          "show start at %.3f s; from  correlation with picture 1, 2, 3 (to the second's "
          "end; a change may take %.1f s)  contrast kept  mean level shift\n",
          start, LikenessCheck::kChangeAllowance);
      for (const LikenessCheck::Second& second : likeness->PerSecond())
        std::printf("%4.1f  %.3f  %.3f  %.3f  (showing %d)  %3.0f%%  %+5.1f%s\n",
                    second.second + second.from, second.correlation[0], second.correlation[1],
                    second.correlation[2], second.shown + 1, 100 * second.contrast, second.level,
                    second.Holds() ? "" : "  FAIL");
      std::printf("likeness: %s\n", likeness->Holds() ? "pass" : "FAIL");
      holds = holds && likeness->Holds();
    }
  }
  return holds ? 0 : 1;
}

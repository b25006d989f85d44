#include "tests/wine/song_match.h"

#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace {

const int kBlockFrames = kSongRate / 100;

// Pearson correlation of a[0..count) and b[0..count), taking every step-th value.
template <typename T>
double Correlation(const T* a, const T* b, long count, long step = 1) {
  double sumA = 0, sumB = 0, n = 0;
  for (long i = 0; i < count; i += step) sumA += a[i], sumB += b[i], n++;
  if (n == 0) return 0;
  double meanA = sumA / n, meanB = sumB / n, ab = 0, aa = 0, bb = 0;
  for (long i = 0; i < count; i += step) {
    double x = a[i] - meanA, y = b[i] - meanB;
    ab += x * y, aa += x * x, bb += y * y;
  }
  return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0;
}

// The loudness of each 10 ms block: the sum of its samples' magnitudes.
std::vector<double> Loudness(const std::vector<std::int16_t>& stereo) {
  std::vector<double> blocks(stereo.size() / 2 / kBlockFrames);
  for (size_t block = 0; block < blocks.size(); block++)
    for (int i = 0; i < 2 * kBlockFrames; i++)
      blocks[block] += std::abs(static_cast<int>(stereo[block * 2 * kBlockFrames + i]));
  return blocks;
}

}  // namespace

std::vector<std::int16_t> RenderSong(const std::string& path, double seconds, std::string* error) {
  std::ifstream file(path, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  int code = OPENMPT_ERROR_OK;
  openmpt_module* module = openmpt_module_create_from_memory2(
      bytes.data(), bytes.size(), openmpt_log_func_silent, nullptr, openmpt_error_func_store,
      nullptr, &code, nullptr, nullptr);
  if (!module) {
    *error = "libopenmpt can't load " + path + " (error " + std::to_string(code) + ")";
    return {};
  }
  openmpt_module_ctl_set_integer(module, "dither", 0);
  std::vector<std::int16_t> stereo(static_cast<size_t>(seconds * kSongRate) * 2);
  size_t done = 0, wanted = stereo.size() / 2;
  while (done < wanted) {
    size_t got = openmpt_module_read_interleaved_stereo(
        module, kSongRate, std::min<size_t>(1024, wanted - done), stereo.data() + 2 * done);
    if (got == 0) break;
    done += got;
  }
  stereo.resize(2 * done);
  openmpt_module_destroy(module);
  return stereo;
}

SongMatch FindSong(const std::vector<std::int16_t>& recording,
                   const std::vector<std::int16_t>& render, double compareSeconds) {
  SongMatch match;
  const long compareFrames = static_cast<long>(compareSeconds * kSongRate);
  const long recorded = static_cast<long>(recording.size() / 2);
  if (static_cast<long>(render.size() / 2) < compareFrames || recorded < compareFrames) return match;

  // Roughly: the block where the render's loudness curve over the compared stretch fits best.
  std::vector<double> heard = Loudness(recording), played = Loudness(render);
  const long blocks = compareFrames / kBlockFrames;
  long bestBlock = -1;
  double best = -2;
  for (long start = 0; start + blocks <= static_cast<long>(heard.size()); start++) {
    double fit = Correlation(heard.data() + start, played.data(), blocks);
    if (fit > best) best = fit, bestBlock = start;
  }
  if (bestBlock < 0) return match;

  // To the frame, within two blocks of that, on the left channel of the first second.
  const long window = std::min<long>(compareFrames, kSongRate);
  best = -2;
  for (long offset = std::max(0L, (bestBlock - 2) * kBlockFrames);
       offset <= (bestBlock + 2) * kBlockFrames && offset + compareFrames <= recorded; offset++) {
    double fit = Correlation(recording.data() + 2 * offset, render.data(), 2 * window, 2);
    if (fit > best) best = fit, match.offset = offset;
  }
  if (match.offset >= 0)
    match.correlation =
        Correlation(recording.data() + 2 * match.offset, render.data(), 2 * compareFrames);
  return match;
}

std::string DescribeDeparture(const std::vector<std::int16_t>& recording,
                              const std::vector<std::int16_t>& render, const SongMatch& match,
                              double seconds) {
  const long chunk = kSongRate / 20;
  const long recorded = static_cast<long>(recording.size() / 2);
  const long span = std::min<long>(static_cast<long>(seconds * kSongRate), render.size() / 2);
  auto fit = [&](long offset, long at, long frames) {
    if (offset + at < 0 || offset + at + frames > recorded || at + frames > span) return -2.0;
    return Correlation(recording.data() + 2 * (offset + at), render.data() + 2 * at, 2 * frames);
  };
  if (match.offset < 0) return "the song wasn't found in the recording\n";
  long at = 0;
  while (at + chunk <= span && fit(match.offset, at, chunk) >= 0.99) at += chunk;
  char text[160];
  if (at + chunk > span) {
    std::snprintf(text, sizeof text, "it follows the song for all %.2f s\n", span / double(kSongRate));
    return text;
  }
  // Where it went: the first half second after that which is the song again, within 100 ms
  // of where it was. Half a second is long enough not to take one beat for another.
  const long reach = kSongRate / 10, window = kSongRate / 2;
  for (long resume = at + chunk; resume + window <= span && resume < at + 2 * kSongRate;
       resume += chunk) {
    long from = std::max(0L, match.offset + resume - reach);
    long to = std::min(recorded, match.offset + resume + window + reach);
    if (to - from < window) break;
    std::vector<std::int16_t> heard(recording.begin() + 2 * from, recording.begin() + 2 * to);
    std::vector<std::int16_t> played(render.begin() + 2 * resume,
                                     render.begin() + 2 * (resume + window));
    SongMatch again = FindSong(heard, played, window / double(kSongRate));
    if (again.correlation >= 0.99) {
      std::snprintf(text, sizeof text,
                    "it follows the song for %.2f s; from %.2f s on it is %+.1f ms off\n",
                    at / double(kSongRate), resume / double(kSongRate),
                    (from + again.offset - resume - match.offset) * 1000.0 / kSongRate);
      return text;
    }
  }
  std::snprintf(text, sizeof text, "it follows the song for %.2f s, then no longer\n",
                at / double(kSongRate));
  return text;
}

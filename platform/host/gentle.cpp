#include "platform/host/gentle.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace platform {
namespace host {
namespace {

// Linear light in 16 bits (0..65535) of each 8-bit sRGB value, and back, rounded to the nearest
// sRGB value, which keeps every 8-bit value exact on the way through.
struct LightTables {
  bool made = false;
  std::uint16_t linear[256];
  std::uint8_t srgb[65536];
};
LightTables tables;

double Decoded(double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); }
double Encoded(double v) {
  return v <= 0.0031308 ? v * 12.92 : 1.055 * std::pow(v, 1.0 / 2.4) - 0.055;
}

void MakeTables() {
  if (tables.made) return;
  for (int v = 0; v < 256; v++)
    tables.linear[v] = static_cast<std::uint16_t>(std::lround(Decoded(v / 255.0) * 65535.0));
  for (int l = 0; l < 65536; l++)
    tables.srgb[l] = static_cast<std::uint8_t>(std::lround(Encoded(l / 65535.0) * 255.0));
  tables.made = true;
}

// The filter's record; the pictures are 0x00RRGGBB in sRGB.
struct GentleState {
  int width = 0;
  int height = 0;
  std::uint32_t* held = nullptr;     // the latest picture presented
  std::uint32_t* from = nullptr;     // the output at the current piece's first knot
  std::uint32_t* to = nullptr;       // the output at its next knot
  std::uint32_t* darkest = nullptr;  // per pixel, the darkest presented since the first knot
  bool anyDarkest = false;           // whether anything was presented since then
  std::uint32_t knot = 0;            // the current piece's first knot
  std::uint32_t heldSince = 0;       // from when held is not yet in darkest
};
GentleState gentle;

size_t Pixels() { return static_cast<size_t>(gentle.width) * gentle.height; }

bool Allocate(int width, int height) {
  ResetGentle();
  const size_t pixels = static_cast<size_t>(width) * height;
  gentle.held = static_cast<std::uint32_t*>(std::calloc(pixels, 4));
  gentle.from = static_cast<std::uint32_t*>(std::calloc(pixels, 4));
  gentle.to = static_cast<std::uint32_t*>(std::calloc(pixels, 4));
  gentle.darkest = static_cast<std::uint32_t*>(std::calloc(pixels, 4));
  if (!gentle.held || !gentle.from || !gentle.to || !gentle.darkest) {
    ResetGentle();
    return false;
  }
  gentle.width = width;
  gentle.height = height;
  return true;
}

std::uint32_t Rgb(unsigned r, unsigned g, unsigned b) { return r << 16 | g << 8 | b; }
unsigned Wide5(unsigned v) { return v << 3 | v >> 2; }
unsigned Wide6(unsigned v) { return v << 2 | v >> 4; }

// Every layout the screen takes, as 0x00RRGGBB (the top byte may be anything): the same colours
// the texture would show.
void Decode(const Picture& picture, std::uint32_t* into) {
  for (int y = 0; y < picture.height; y++) {
    const std::uint8_t* p = picture.bytes + static_cast<size_t>(y) * picture.pitch;
    std::uint32_t* row = into + static_cast<size_t>(y) * picture.width;
    if (picture.layout == PixelLayout::kXRGB32) {  // the show's own layout: as it is
      std::memcpy(row, p, static_cast<size_t>(picture.width) * 4);
      continue;
    }
    for (int x = 0; x < picture.width; x++) {
      switch (picture.layout) {
        case PixelLayout::kXBGR32: row[x] = Rgb(p[4 * x], p[4 * x + 1], p[4 * x + 2]); break;
        case PixelLayout::kRGB24: row[x] = Rgb(p[3 * x + 2], p[3 * x + 1], p[3 * x]); break;
        case PixelLayout::kBGR24: row[x] = Rgb(p[3 * x], p[3 * x + 1], p[3 * x + 2]); break;
        default: {
          const unsigned w = p[2 * x] | p[2 * x + 1] << 8;
          if (picture.layout == PixelLayout::kRGB565)
            row[x] = Rgb(Wide5(w >> 11), Wide6(w >> 5 & 63), Wide5(w & 31));
          else if (picture.layout == PixelLayout::kBGR565)
            row[x] = Rgb(Wide5(w & 31), Wide6(w >> 5 & 63), Wide5(w >> 11));
          else
            row[x] = Rgb(Wide5(w >> 10 & 31), Wide5(w >> 5 & 31), Wide5(w & 31));
        }
      }
    }
  }
}

// Relative luminance in linear light, scaled by 10000: enough to tell the darker of two.
std::uint32_t Light(std::uint32_t c) {
  return 2126u * tables.linear[c >> 16 & 0xFF] + 7152u * tables.linear[c >> 8 & 0xFF] +
         722u * tables.linear[c & 0xFF];
}

// The held picture, shown until until, is among what was presented since the first knot.
void AddHeld(std::uint32_t until) {
  const std::uint32_t ms = until - gentle.heldSince;
  gentle.heldSince = until;
  if (ms == 0) return;
  const size_t pixels = Pixels();
  if (!gentle.anyDarkest) {
    std::memcpy(gentle.darkest, gentle.held, pixels * 4);
    gentle.anyDarkest = true;
    return;
  }
  for (size_t i = 0; i < pixels; i++)
    if (gentle.held[i] != gentle.darkest[i] && Light(gentle.held[i]) < Light(gentle.darkest[i]))
      gentle.darkest[i] = gentle.held[i];
}

// The next knot: the output has reached the target, and the darkest of what each pixel showed
// during the last piece becomes the new target. A strobe's white phases are never the darker,
// so the target is the show's own picture, at its full contrast.
void PassKnot() {
  const std::uint32_t next = gentle.knot + kGentleKnotMs;
  AddHeld(next);
  std::uint32_t* reached = gentle.from;
  gentle.from = gentle.to;
  gentle.to = reached;
  std::memcpy(gentle.to, gentle.darkest, Pixels() * 4);
  gentle.anyDarkest = false;
  gentle.knot = next;
}

// Knots passed by now. After three with nothing new the output rests on the held picture, and
// more change nothing but the grid's place.
void CatchUp(std::uint32_t now) {
  const std::uint32_t knots = (now - gentle.knot) / kGentleKnotMs;
  for (std::uint32_t k = 0; k < knots && k < 3; k++) PassKnot();
  if (knots > 3) {
    gentle.knot += (knots - 3) * kGentleKnotMs;
    gentle.heldSince = gentle.knot;
  }
}

// The output at fraction (0..255, in 256ths) of the way from from to to, in linear light. A
// 256th of a knot is about a millisecond, the clock's own step.
void Interpolate(std::uint32_t fraction, std::uint8_t* out, int outPitch) {
  const std::int32_t f = static_cast<std::int32_t>(fraction);
  const std::uint16_t* linear = tables.linear;
  const std::uint8_t* srgb = tables.srgb;
  for (int y = 0; y < gentle.height; y++) {
    std::uint32_t* row = reinterpret_cast<std::uint32_t*>(out + static_cast<size_t>(y) * outPitch);
    const std::uint32_t* from = gentle.from + static_cast<size_t>(y) * gentle.width;
    const std::uint32_t* to = gentle.to + static_cast<size_t>(y) * gentle.width;
    for (int x = 0; x < gentle.width; x++) {
      const std::uint32_t a = from[x];
      const std::uint32_t b = to[x];
      const std::int32_t ra = linear[a >> 16 & 0xFF], rb = linear[b >> 16 & 0xFF];
      const std::int32_t ga = linear[a >> 8 & 0xFF], gb = linear[b >> 8 & 0xFF];
      const std::int32_t ba = linear[a & 0xFF], bb = linear[b & 0xFF];
      row[x] = static_cast<std::uint32_t>(srgb[ra + ((rb - ra) * f >> 8)]) << 16 |
               static_cast<std::uint32_t>(srgb[ga + ((gb - ga) * f >> 8)]) << 8 |
               srgb[ba + ((bb - ba) * f >> 8)];
    }
  }
}

}  // namespace

bool GentleTake(const Picture& picture, std::uint32_t now) {
  if (!picture.bytes || picture.width <= 0 || picture.height <= 0) return false;
  MakeTables();
  bool changed = !picture.sameAsLast;
  if (picture.width != gentle.width || picture.height != gentle.height || !gentle.held) {
    // Starting over: black until the first knot, then on towards what came meanwhile.
    if (!Allocate(picture.width, picture.height)) return false;
    gentle.knot = now;
    gentle.heldSince = now;
    changed = true;
  }
  CatchUp(now);
  if (changed) {
    AddHeld(now);
    Decode(picture, gentle.held);
  }
  return true;
}

bool GentleTakePresented(const Picture& picture, bool sawLast, std::uint32_t now) {
  Picture taken = picture;
  taken.sameAsLast = picture.sameAsLast && sawLast;
  if (GentleTake(taken, now)) return true;
  std::fprintf(stderr, "Quenthor: no memory for gentle viewing\n");
  return false;
}

void GentleDraw(std::uint32_t now, std::uint8_t* out, int outPitch) {
  if (!gentle.held) return;
  CatchUp(now);
  Interpolate(((now - gentle.knot) << 8) / kGentleKnotMs, out, outPitch);
}

GentleAsked GentleAskedBy(const char* value) {
  if (!value) return GentleAsked::kNotSaid;
  static const char* const kNo[] = {"", "0", "no", "false", "off"};
  static const char* const kYes[] = {"1", "yes", "y", "true", "on"};
  char word[8];
  size_t length = 0;
  while (value[length] && length < sizeof word - 1) {
    word[length] = static_cast<char>(std::tolower(static_cast<unsigned char>(value[length])));
    length++;
  }
  word[length] = '\0';
  if (!value[length]) {  // a longer value is neither
    for (const char* no : kNo)
      if (std::strcmp(word, no) == 0) return GentleAsked::kNo;
    for (const char* yes : kYes)
      if (std::strcmp(word, yes) == 0) return GentleAsked::kYes;
  }
  std::fprintf(stderr,
               "Quenthor: QUENTHOR_DISPLAY_GENTLE=%s is not a plain yes or no; gentle mode, "
               "without the flashing (0 shows the show as it is)\n",
               value);
  return GentleAsked::kYes;
}

void ResetGentle() {
  std::free(gentle.held);
  std::free(gentle.from);
  std::free(gentle.to);
  std::free(gentle.darkest);
  gentle = GentleState();
}

}  // namespace host
}  // namespace platform

#include "tools/pictures.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "show/show.h"
#include "tools/assets.h"

namespace {

// The extra byte is carried along but never shown; a nonzero value makes sure of that.
const std::uint32_t kExtra = 0x80u << 24;

struct Colour {
  double r, g, b;
};

std::uint8_t Channel(double v) {
  return static_cast<std::uint8_t>(std::clamp(v, 0.0, 1.0) * 255.0 + 0.5);
}

std::uint32_t Pack(Colour c) {
  return kExtra | static_cast<std::uint32_t>(Channel(c.r)) << 16 |
         static_cast<std::uint32_t>(Channel(c.g)) << 8 | Channel(c.b);
}

Colour Mix(Colour a, Colour b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

const Colour kRed = {1, 0, 0};
const Colour kGreen = {0, 1, 0};
const Colour kBlue = {0, 0, 1};

// A strip of three pure swatches along the bottom edge, framed in black.
void DrawSwatches(std::vector<std::uint32_t>& pixels, int left, int top) {
  const Colour swatches[] = {kRed, kGreen, kBlue};
  for (int s = 0; s < 3; s++)
    for (int y = top - 1; y < top + 17; y++)
      for (int x = left + s * 20 - 1; x < left + s * 20 + 17; x++) {
        bool border = y < top || y >= top + 16 || x < left + s * 20 || x >= left + s * 20 + 16;
        pixels[y * kShowWidth + x] = border ? kExtra : Pack(swatches[s]);
      }
}

// Picture 1: a sunset over a neon grid, the sun cut by bars, pure red sun core.
void DrawSunset(std::vector<std::uint32_t>& pixels) {
  const int horizon = 150;
  for (int y = 0; y < kShowHeight; y++) {
    for (int x = 0; x < kShowWidth; x++) {
      Colour c;
      if (y < horizon) {
        double t = static_cast<double>(y) / horizon;
        c = Mix({0.05, 0.0, 0.2}, {1.0, 0.35, 0.55}, t * t);
        double dx = x - 160.0, dy = y - 118.0;
        double d = std::sqrt(dx * dx + dy * dy);
        bool cut = y > 95 && (y / 6) % 2 == 0;
        if (d < 60 && !cut) c = d < 40 ? kRed : Mix(kRed, {1.0, 0.8, 0.0}, (d - 40) / 20);
      } else {
        // A floor grid in perspective: a line wherever a grid cell boundary falls between this
        // pixel and the next, faded into the haze towards the horizon.
        double depth = static_cast<double>(y - horizon + 1);
        double z = 2400.0 / depth, zNext = 2400.0 / (depth + 1);
        double u = (x - 160.0) * z / 2400.0, uNext = (x + 1 - 160.0) * z / 2400.0;
        bool line = std::floor(z / 60) != std::floor(zNext / 60) || std::floor(u) != std::floor(uNext);
        Colour haze = Mix({0.35, 0.05, 0.4}, {0.06, 0.0, 0.12}, std::min(1.0, depth / 40.0));
        Colour glow = (y - horizon) > 55 ? kGreen : Colour{0.0, 1.0, 1.0};
        c = line ? Mix(haze, glow, std::min(1.0, depth / 30.0)) : haze;
      }
      pixels[y * kShowWidth + x] = Pack(c);
    }
  }
  DrawSwatches(pixels, 8, kShowHeight - 24);
}

// Picture 2: three additive light discs over rippling water: pure red, green and blue where
// one disc shines alone, the secondaries where two meet, white at the centre.
void DrawLights(std::vector<std::uint32_t>& pixels) {
  const double centres[3][2] = {{160, 88}, {128, 144}, {192, 144}};
  for (int y = 0; y < kShowHeight; y++) {
    for (int x = 0; x < kShowWidth; x++) {
      double ripple = 0.5 + 0.5 * std::sin(std::hypot(x - 160.0, y - 240.0) / 6.0);
      Colour c = {0.02 + 0.06 * ripple, 0.03 + 0.08 * ripple, 0.1 + 0.2 * ripple};
      double light[3] = {0, 0, 0};
      for (int i = 0; i < 3; i++)
        if (std::hypot(x - centres[i][0], y - centres[i][1]) < 58) light[i] = 1;
      if (light[0] + light[1] + light[2] > 0) c = {light[0], light[1], light[2]};
      pixels[y * kShowWidth + x] = Pack(c);
    }
  }
  DrawSwatches(pixels, kShowWidth - 68, kShowHeight - 24);
}

// Picture 3: a tunnel of coloured segments spiralling into the middle.
void DrawTunnel(std::vector<std::uint32_t>& pixels) {
  const Colour segments[] = {kRed, {1, 1, 0}, kGreen, {0, 1, 1}, kBlue, {1, 0, 1}};
  for (int y = 0; y < kShowHeight; y++) {
    for (int x = 0; x < kShowWidth; x++) {
      double dx = x - 160.0, dy = y - 120.0;
      double r = std::hypot(dx, dy);
      double angle = std::atan2(dy, dx) / (2 * M_PI) + 0.5;
      double depth = 900.0 / (r + 8.0);
      int ring = static_cast<int>(depth);
      int segment = static_cast<int>((angle + depth * 0.05) * 6.0) % 6;
      double fade = std::clamp(r / 120.0, 0.0, 1.0);
      Colour c = (ring % 2 == 0) ? segments[segment] : Colour{0.05, 0.05, 0.1};
      c = Mix({0, 0, 0}, c, fade);
      if (r > 100) c = (ring % 2 == 0) ? segments[segment] : Colour{0.05, 0.05, 0.1};
      pixels[y * kShowWidth + x] = Pack(c);
    }
  }
  DrawSwatches(pixels, 8, 8);
}

}  // namespace

std::vector<std::uint32_t> DrawPicture(int number) {
  std::vector<std::uint32_t> pixels(kFramePixels, kExtra);
  if (number == 1) DrawSunset(pixels);
  if (number == 2) DrawLights(pixels);
  if (number == 3) DrawTunnel(pixels);
  return pixels;
}

bool WritePictures(const std::string& folder) {
  const char* names[] = {"min.raw", "min2.raw", "min3.raw"};
  for (int i = 0; i < 3; i++) {
    std::vector<std::uint32_t> pixels = DrawPicture(i + 1);
    std::string path = folder + "/" + names[i];
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
      std::perror(("quenthor-assets: can't write " + path).c_str());
      return false;
    }
    // File order is blue, green, red, extra whatever the host's byte order.
    std::vector<unsigned char> bytes;
    bytes.reserve(kFrameBytes);
    for (std::uint32_t p : pixels)
      for (int shift = 0; shift < 32; shift += 8) bytes.push_back((p >> shift) & 0xFF);
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (std::fclose(file) != 0 || !written) {
      std::fprintf(stderr, "quenthor-assets: can't write %s\n", path.c_str());
      return false;
    }
  }
  return true;
}

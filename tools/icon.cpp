#include "tools/icon.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "show/show.h"
#include "tools/pictures.h"

namespace {

// The detail of picture 1 the icon shows: the barred sun and the top of the grid below it.
const int kCropLeft = 96;
const int kCropTop = 54;
const int kCropSide = 128;

const std::uint32_t kOpaque = 0xFF000000u;
const std::uint32_t kOutline = kOpaque;               // black, crisp against any desktop
const std::uint32_t kFrame = kOpaque | 0x00FFFFu;     // the grid's cyan glow

double ChannelAt(const std::vector<std::uint32_t>& picture, int x, int y, int shift) {
  x = std::clamp(x, 0, kShowWidth - 1);
  y = std::clamp(y, 0, kShowHeight - 1);
  return (picture[y * kShowWidth + x] >> shift) & 0xFF;
}

// One channel of the picture at a point between pixel centres, interpolated from the four
// nearest pixels.
double Sample(const std::vector<std::uint32_t>& picture, double x, double y, int shift) {
  x -= 0.5;
  y -= 0.5;
  int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
  double fx = x - x0, fy = y - y0;
  double top = ChannelAt(picture, x0, y0, shift) * (1 - fx) + ChannelAt(picture, x0 + 1, y0, shift) * fx;
  double bottom =
      ChannelAt(picture, x0, y0 + 1, shift) * (1 - fx) + ChannelAt(picture, x0 + 1, y0 + 1, shift) * fx;
  return top * (1 - fy) + bottom * fy;
}

void Put16(std::vector<std::uint8_t>& out, unsigned v) {
  out.push_back(v & 0xFF);
  out.push_back((v >> 8) & 0xFF);
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back((v >> shift) & 0xFF);
}

void Put32Big(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back((v >> shift) & 0xFF);
}

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < size; i++) {
    crc ^= data[i];
    for (int bit = 0; bit < 8; bit++) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return crc ^ 0xFFFFFFFFu;
}

std::uint32_t Adler32(const std::vector<std::uint8_t>& data) {
  std::uint32_t a = 1, b = 0;
  for (std::uint8_t byte : data) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  return b << 16 | a;
}

// A chunk: length, type, data, and the CRC of type and data.
void PutChunk(std::vector<std::uint8_t>& out, const char* type, const std::vector<std::uint8_t>& data) {
  Put32Big(out, static_cast<std::uint32_t>(data.size()));
  std::size_t typeAt = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  Put32Big(out, Crc32(out.data() + typeAt, out.size() - typeAt));
}

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) {
    std::perror(("quenthor-assets: can't write " + path).c_str());
    return false;
  }
  bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  if (std::fclose(file) != 0 || !written) {
    std::fprintf(stderr, "quenthor-assets: can't write %s\n", path.c_str());
    return false;
  }
  return true;
}

}  // namespace

std::vector<std::uint32_t> DrawIcon(int size) {
  std::vector<std::uint32_t> icon(static_cast<std::size_t>(size) * size, kOutline);
  int frame = std::max(1, size / 24);
  int inset = 1 + frame;
  int inner = size - 2 * inset;
  std::vector<std::uint32_t> picture = DrawPicture(1);
  const int kSub = 4;  // subsamples per pixel along each axis, so small sizes stay smooth
  double scale = static_cast<double>(kCropSide) / inner;
  for (int y = 0; y < size; y++)
    for (int x = 0; x < size; x++) {
      bool outline = x == 0 || y == 0 || x == size - 1 || y == size - 1;
      bool inside = x >= inset && y >= inset && x < size - inset && y < size - inset;
      if (outline) continue;
      if (!inside) {
        icon[y * size + x] = kFrame;
        continue;
      }
      std::uint32_t pixel = kOpaque;
      for (int shift = 0; shift < 24; shift += 8) {
        double sum = 0;
        for (int sy = 0; sy < kSub; sy++)
          for (int sx = 0; sx < kSub; sx++)
            sum += Sample(picture, kCropLeft + (x - inset + (sx + 0.5) / kSub) * scale,
                          kCropTop + (y - inset + (sy + 0.5) / kSub) * scale, shift);
        pixel |= static_cast<std::uint32_t>(std::lround(sum / (kSub * kSub))) << shift;
      }
      icon[y * size + x] = pixel;
    }
  return icon;
}

std::vector<std::uint8_t> EncodeIco(const std::vector<int>& sizes) {
  std::vector<std::uint8_t> out;
  Put16(out, 0);  // reserved
  Put16(out, 1);  // an icon, not a cursor
  Put16(out, static_cast<unsigned>(sizes.size()));
  std::vector<std::vector<std::uint8_t>> entries;
  for (int size : sizes) {
    std::vector<std::uint32_t> icon = DrawIcon(size);
    std::vector<std::uint8_t> entry;
    int maskRow = (size + 31) / 32 * 4;  // 1 bit a pixel, rows padded to 32 bits
    // BITMAPINFOHEADER: the height counts the colour rows and the mask rows together.
    Put32(entry, 40);
    Put32(entry, static_cast<std::uint32_t>(size));
    Put32(entry, static_cast<std::uint32_t>(size * 2));
    Put16(entry, 1);   // planes
    Put16(entry, 32);  // bits a pixel
    Put32(entry, 0);   // BI_RGB
    Put32(entry, static_cast<std::uint32_t>(size * size * 4 + maskRow * size));
    for (int i = 0; i < 4; i++) Put32(entry, 0);  // resolution and palette: unused
    // Colour rows bottom up, blue green red alpha; then the AND mask, all clear (opaque).
    for (int y = size - 1; y >= 0; y--)
      for (int x = 0; x < size; x++) Put32(entry, icon[y * size + x]);
    entry.insert(entry.end(), static_cast<std::size_t>(maskRow) * size, 0);
    entries.push_back(entry);
  }
  std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * sizes.size());
  for (std::size_t i = 0; i < sizes.size(); i++) {
    out.push_back(sizes[i] >= 256 ? 0 : static_cast<std::uint8_t>(sizes[i]));  // width
    out.push_back(sizes[i] >= 256 ? 0 : static_cast<std::uint8_t>(sizes[i]));  // height
    out.push_back(0);  // no palette
    out.push_back(0);  // reserved
    Put16(out, 1);     // planes
    Put16(out, 32);    // bits a pixel
    Put32(out, static_cast<std::uint32_t>(entries[i].size()));
    Put32(out, offset);
    offset += static_cast<std::uint32_t>(entries[i].size());
  }
  for (const std::vector<std::uint8_t>& entry : entries) out.insert(out.end(), entry.begin(), entry.end());
  return out;
}

std::vector<std::uint8_t> EncodePng(const std::vector<std::uint32_t>& pixels, int width, int height) {
  std::vector<std::uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<std::uint8_t> header;
  Put32Big(header, static_cast<std::uint32_t>(width));
  Put32Big(header, static_cast<std::uint32_t>(height));
  header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, filter 0, no interlace
  PutChunk(out, "IHDR", header);

  // Each row starts with filter type 0 (none).
  std::vector<std::uint8_t> raw;
  for (int y = 0; y < height; y++) {
    raw.push_back(0);
    for (int x = 0; x < width; x++) {
      std::uint32_t p = pixels[static_cast<std::size_t>(y) * width + x];
      raw.insert(raw.end(), {static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8),
                             static_cast<std::uint8_t>(p), static_cast<std::uint8_t>(p >> 24)});
    }
  }
  // A zlib stream (deflate, 32 KiB window, no dictionary; 0x7801 is a multiple of 31) of stored
  // blocks of at most 65535 bytes, each with its length and the length's complement.
  std::vector<std::uint8_t> data = {0x78, 0x01};
  std::size_t at = 0;
  do {
    std::size_t length = std::min<std::size_t>(raw.size() - at, 65535);
    bool last = at + length == raw.size();
    data.push_back(last ? 1 : 0);
    Put16(data, static_cast<unsigned>(length));
    Put16(data, static_cast<unsigned>(~length & 0xFFFF));
    data.insert(data.end(), raw.begin() + at, raw.begin() + at + length);
    at += length;
  } while (at < raw.size());
  Put32Big(data, Adler32(raw));
  PutChunk(out, "IDAT", data);
  PutChunk(out, "IEND", {});
  return out;
}

bool WriteIcons(const std::string& folder) {
  if (!WriteFile(folder + "/quenthor.ico", EncodeIco({16, 32, 48}))) return false;
  for (int size : {48, 256})
    if (!WriteFile(folder + "/quenthor-" + std::to_string(size) + ".png", EncodePng(DrawIcon(size), size, size)))
      return false;
  return true;
}

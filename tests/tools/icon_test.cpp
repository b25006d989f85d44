// The asset tool's icon files, read back by an independent decoder (ImageMagick's): every PNG
// and every entry of the Windows icon gives back the pixels drawn, and the icon entries are the
// BMP form that Windows XP reads.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/scratch_folder.h"
#include "tools/icon.h"

namespace {

unsigned U16(const std::vector<std::uint8_t>& bytes, std::size_t at) { return bytes[at] | (bytes[at + 1] << 8); }
unsigned U32(const std::vector<std::uint8_t>& bytes, std::size_t at) { return U16(bytes, at) | U16(bytes, at + 2) << 16; }

// The image ImageMagick decodes from source ("file.png", "file.ico[1]") as 0xAARRGGBB pixels.
std::vector<std::uint32_t> Decode(const std::string& source) {
  std::string command = "convert '" + source + "' -depth 8 rgba:- 2>/dev/null";
  std::FILE* pipe = popen(command.c_str(), "r");
  std::vector<std::uint32_t> pixels;
  if (!pipe) return pixels;
  unsigned char rgba[4];
  while (std::fread(rgba, 1, 4, pipe) == 4)
    pixels.push_back(static_cast<std::uint32_t>(rgba[3]) << 24 | rgba[0] << 16 | rgba[1] << 8 | rgba[2]);
  pclose(pipe);
  return pixels;
}

TEST(Icon, TheDrawingIsOpaqueWithACrispOutlineAndFrameAroundTheSun) {
  std::vector<std::uint32_t> icon = DrawIcon(48);
  ASSERT_EQ(icon.size(), 48u * 48u);
  EXPECT_EQ(icon[0], 0xFF000000u);
  EXPECT_EQ(icon[48 * 48 - 1], 0xFF000000u);
  EXPECT_EQ(icon[1 * 48 + 24], 0xFF00FFFFu);   // the frame inside the outline
  EXPECT_EQ(icon[23 * 48 + 24], 0xFFFF0000u);  // the sun's pure red core, between two bars
  for (std::uint32_t pixel : icon) ASSERT_EQ(pixel >> 24, 0xFFu);
}

TEST(Icon, PngsDecodeToThePixelsDrawn) {
  ScratchFolder folder;
  ASSERT_TRUE(WriteIcons(folder.path()));
  for (int size : {48, 256})
    EXPECT_EQ(Decode(folder.File("quenthor-" + std::to_string(size) + ".png")), DrawIcon(size)) << size;
  // A picture wider than one stored block's 65535 bytes, not square, with transparency.
  std::vector<std::uint32_t> odd(300 * 70);
  for (std::size_t i = 0; i < odd.size(); i++) odd[i] = static_cast<std::uint32_t>(i * 2654435761u);
  const std::vector<std::uint8_t> png = EncodePng(odd, 300, 70);
  ASSERT_TRUE(WriteWholeFile(folder.File("odd.png"), png.data(), png.size()));
  EXPECT_EQ(Decode(folder.File("odd.png")), odd);
}

TEST(Icon, IcoHoldsThreeBmpEntriesThatDecodeToThePixelsDrawn) {
  ScratchFolder folder;
  ASSERT_TRUE(WriteIcons(folder.path()));
  const std::vector<int> sizes = {16, 32, 48};
  std::vector<std::uint8_t> ico = EncodeIco(sizes);
  ASSERT_EQ(U16(ico, 2), 1u);
  ASSERT_EQ(U16(ico, 4), sizes.size());
  for (std::size_t i = 0; i < sizes.size(); i++) {
    std::size_t entry = 6 + 16 * i;
    EXPECT_EQ(ico[entry], sizes[i]);
    EXPECT_EQ(U16(ico, entry + 6), 32u);
    std::size_t at = U32(ico, entry + 12);
    ASSERT_LT(at + 40, ico.size());
    EXPECT_EQ(U32(ico, at), 40u) << "a BITMAPINFOHEADER, not a PNG";
    EXPECT_EQ(U32(ico, at + 8), 2u * sizes[i]) << "colour and mask rows";
    EXPECT_EQ(U32(ico, entry + 8), 40u + sizes[i] * sizes[i] * 4 + (sizes[i] + 31) / 32 * 4 * sizes[i]);
    EXPECT_EQ(Decode(folder.File("quenthor.ico") + "[" + std::to_string(i) + "]"), DrawIcon(sizes[i]))
        << sizes[i];
  }
}

}  // namespace

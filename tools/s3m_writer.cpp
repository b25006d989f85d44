#include "tools/s3m_writer.h"

#include <cstdio>

namespace {

const std::uint8_t kChannelUnused = 255;
const std::uint8_t kPanPresent = 0x20;
const std::uint8_t kPanTableFollows = 252;
const std::uint8_t kOrderEnd = 255;

class Bytes {
 public:
  explicit Bytes(std::vector<std::uint8_t>* out) : out_(*out) {}
  std::size_t Size() const { return out_.size(); }
  void U8(unsigned value) { out_.push_back(static_cast<std::uint8_t>(value)); }
  void U16(unsigned value) {
    U8(value & 0xFF);
    U8((value >> 8) & 0xFF);
  }
  void U32(std::uint32_t value) {
    U16(value & 0xFFFF);
    U16(value >> 16);
  }
  void Text(const std::string& text, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) U8(i < text.size() ? static_cast<unsigned char>(text[i]) : 0);
  }
  // Parapointers count 16-byte paragraphs from the file start.
  void PadToParagraph() {
    while (out_.size() % 16 != 0) U8(0);
  }
  void Patch16(std::size_t at, unsigned value) {
    out_[at] = static_cast<std::uint8_t>(value & 0xFF);
    out_[at + 1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
  }
  std::size_t Paragraph() const { return out_.size() / 16; }
  void Patch8(std::size_t at, unsigned value) { out_[at] = static_cast<std::uint8_t>(value); }

 private:
  std::vector<std::uint8_t>& out_;
};

bool Fail(std::string* error, const std::string& reason) {
  if (error) *error = reason;
  return false;
}

bool Check(const S3mModule& module, std::string* error) {
  const std::size_t channels = module.channelPan.size();
  if (channels == 0 || channels > static_cast<std::size_t>(kS3mMaxChannels))
    return Fail(error, "channel count must be 1 to 16");
  for (int pan : module.channelPan)
    if (pan < 0 || pan > 15) return Fail(error, "channel pan must be 0 to 15");
  if (module.samples.size() > static_cast<std::size_t>(kS3mMaxSamples))
    return Fail(error, "too many samples");
  if (module.patterns.empty() || module.patterns.size() > static_cast<std::size_t>(kS3mMaxPatterns))
    return Fail(error, "pattern count must be 1 to 100");
  if (module.orders.empty() || module.orders.size() > 254) return Fail(error, "order count must be 1 to 254");
  for (int order : module.orders)
    if (order < 0 || order >= static_cast<int>(module.patterns.size()))
      return Fail(error, "an order names a missing pattern");
  if (module.initialSpeed < 1 || module.initialSpeed > 255 || module.initialTempo < 33 ||
      module.initialTempo > 255 || module.globalVolume < 0 || module.globalVolume > 64 ||
      module.masterVolume < 16 || module.masterVolume > 127)
    return Fail(error, "speed, tempo or volume out of range");
  for (const S3mSample& sample : module.samples) {
    if (sample.volume < 0 || sample.volume > 64) return Fail(error, "sample volume must be 0 to 64");
    if (sample.loop && (sample.loopStart >= sample.loopEnd || sample.loopEnd > sample.data.size()))
      return Fail(error, "sample loop outside the sample: " + sample.name);
  }
  for (const S3mPattern& pattern : module.patterns) {
    if (pattern.rows.size() != static_cast<std::size_t>(kS3mRows))
      return Fail(error, "a pattern must have 64 rows");
    for (const std::vector<S3mCell>& row : pattern.rows) {
      if (row.size() < channels) return Fail(error, "a pattern row is narrower than the channel count");
      for (std::size_t channel = 0; channel < row.size(); ++channel) {
        const S3mCell& cell = row[channel];
        const bool empty = cell.note == kS3mNoNote && cell.sample == 0 && cell.volume < 0 && cell.effect == 0;
        if (channel >= channels && !empty) return Fail(error, "a note on an unused channel");
        if (cell.note != kS3mNoNote && cell.note != kS3mNoteCut && ((cell.note & 15) > 11 || (cell.note >> 4) > 7))
          return Fail(error, "a note out of range");
        if (cell.sample > module.samples.size()) return Fail(error, "a note names a missing sample");
        if (cell.volume > 64) return Fail(error, "a cell volume above 64");
        if (cell.effect > 26) return Fail(error, "an unknown effect");
      }
    }
  }
  return true;
}

// A row is a run of entries, each a channel byte with flags telling which fields follow.
void PackPattern(const S3mPattern& pattern, std::size_t channels, Bytes* out) {
  const std::size_t start = out->Size();
  out->U16(0);  // packed length, patched below
  for (const std::vector<S3mCell>& row : pattern.rows) {
    for (std::size_t channel = 0; channel < channels; ++channel) {
      const S3mCell& cell = row[channel];
      unsigned what = static_cast<unsigned>(channel);
      if (cell.note != kS3mNoNote || cell.sample != 0) what |= 0x20;
      if (cell.volume >= 0) what |= 0x40;
      if (cell.effect != 0) what |= 0x80;
      if (what == channel) continue;
      out->U8(what);
      if (what & 0x20) {
        out->U8(cell.note);
        out->U8(cell.sample);
      }
      if (what & 0x40) out->U8(static_cast<unsigned>(cell.volume));
      if (what & 0x80) {
        out->U8(cell.effect);
        out->U8(cell.parameter);
      }
    }
    out->U8(0);  // end of row
  }
  out->Patch16(start, static_cast<unsigned>(out->Size() - start));
}

}  // namespace

bool EncodeS3m(const S3mModule& module, std::vector<std::uint8_t>* bytes, std::string* error) {
  if (!Check(module, error)) return false;
  bytes->clear();
  Bytes out(bytes);
  const std::size_t channels = module.channelPan.size();
  // An even number of order entries, the spare one marking the end.
  std::vector<int> orders = module.orders;
  if (orders.size() % 2 != 0) orders.push_back(kOrderEnd);

  out.Text(module.title, 28);
  out.U8(0x1A);
  out.U8(16);  // type: Scream Tracker 3 module
  out.U16(0);
  out.U16(static_cast<unsigned>(orders.size()));
  out.U16(static_cast<unsigned>(module.samples.size()));
  out.U16(static_cast<unsigned>(module.patterns.size()));
  out.U16(0);       // flags
  out.U16(0x1320);  // made by Scream Tracker 3.20
  out.U16(2);       // sample data unsigned
  out.Text("SCRM", 4);
  out.U8(static_cast<unsigned>(module.globalVolume));
  out.U8(static_cast<unsigned>(module.initialSpeed));
  out.U8(static_cast<unsigned>(module.initialTempo));
  out.U8(0x80 | static_cast<unsigned>(module.masterVolume));  // stereo
  out.U8(0);  // click removal
  out.U8(kPanTableFollows);
  for (int i = 0; i < 8; ++i) out.U8(0);
  out.U16(0);  // no special data
  // Channel settings: left channels L1.. then right channels R1..; the pan table below places
  // each one exactly.
  int left = 0, right = 8;
  for (std::size_t channel = 0; channel < 32; ++channel) {
    if (channel >= channels) {
      out.U8(kChannelUnused);
    } else if (module.channelPan[channel] < 8) {
      out.U8(static_cast<unsigned>(left++ % 8));
    } else {
      out.U8(static_cast<unsigned>(8 + right++ % 8));
    }
  }
  for (int order : orders) out.U8(static_cast<unsigned>(order));

  const std::size_t samplePointers = out.Size();
  for (std::size_t i = 0; i < module.samples.size(); ++i) out.U16(0);
  const std::size_t patternPointers = out.Size();
  for (std::size_t i = 0; i < module.patterns.size(); ++i) out.U16(0);
  for (std::size_t channel = 0; channel < 32; ++channel)
    out.U8(channel < channels ? kPanPresent | static_cast<unsigned>(module.channelPan[channel]) : 0);

  std::vector<std::size_t> sampleHeaders;
  for (std::size_t i = 0; i < module.samples.size(); ++i) {
    const S3mSample& sample = module.samples[i];
    out.PadToParagraph();
    sampleHeaders.push_back(out.Size());
    if (out.Paragraph() > 0xFFFF) return Fail(error, "the module's headers are too large");
    out.Patch16(samplePointers + 2 * i, static_cast<unsigned>(out.Paragraph()));
    out.U8(1);  // PCM sample
    out.Text("", 12);
    out.U8(0);  // data pointer, patched below
    out.U16(0);
    out.U32(static_cast<std::uint32_t>(sample.data.size()));
    out.U32(sample.loop ? sample.loopStart : 0);
    out.U32(sample.loop ? sample.loopEnd : 0);
    out.U8(static_cast<unsigned>(sample.volume));
    out.U8(0);
    out.U8(0);  // not packed
    out.U8((sample.loop ? 1 : 0) | (sample.sixteenBit ? 4 : 0));
    out.U32(sample.middleCRate);
    out.Text("", 12);
    out.Text(sample.name, 28);
    out.Text("SCRS", 4);
  }
  for (std::size_t i = 0; i < module.patterns.size(); ++i) {
    out.PadToParagraph();
    if (out.Paragraph() > 0xFFFF) return Fail(error, "the module's patterns are too large");
    out.Patch16(patternPointers + 2 * i, static_cast<unsigned>(out.Paragraph()));
    PackPattern(module.patterns[i], channels, &out);
  }
  for (std::size_t i = 0; i < module.samples.size(); ++i) {
    const S3mSample& sample = module.samples[i];
    out.PadToParagraph();
    const std::size_t paragraph = out.Paragraph();
    if (paragraph > 0xFFFFFF) return Fail(error, "the module is too large");
    out.Patch8(sampleHeaders[i] + 13, static_cast<unsigned>(paragraph >> 16));
    out.Patch16(sampleHeaders[i] + 14, static_cast<unsigned>(paragraph & 0xFFFF));
    // Unsigned: the value 0 is stored as the middle of the range.
    for (std::int16_t value : sample.data) {
      const unsigned biased = static_cast<unsigned>(value + 32768);
      if (sample.sixteenBit)
        out.U16(biased);
      else
        out.U8(biased >> 8);
    }
  }
  return true;
}

bool WriteS3m(const S3mModule& module, const std::string& path, std::string* error) {
  std::vector<std::uint8_t> bytes;
  if (!EncodeS3m(module, &bytes, error)) return false;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return Fail(error, "can't create " + path);
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed) return Fail(error, "can't write " + path);
  return true;
}

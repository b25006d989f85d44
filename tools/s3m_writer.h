// A writer of Scream Tracker 3 modules (.s3m): 16-bit or 8-bit PCM samples, up to 16 sample
// channels, packed 64-row patterns, a default panning table.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

const int kS3mRows = 64;
const int kS3mMaxChannels = 16;
const int kS3mMaxSamples = 99;
const int kS3mMaxPatterns = 100;

// Note values of a cell: (octave << 4) | semitone, with C = 0, or one of these.
const std::uint8_t kS3mNoNote = 255;
const std::uint8_t kS3mNoteCut = 254;
inline std::uint8_t S3mNote(int octave, int semitone) {
  return static_cast<std::uint8_t>((octave << 4) | semitone);
}

// Effect letters as stored: A = 1 (set speed) ... Z = 26.
inline std::uint8_t S3mEffect(char letter) { return static_cast<std::uint8_t>(letter - 'A' + 1); }

struct S3mCell {
  std::uint8_t note = kS3mNoNote;
  std::uint8_t sample = 0;   // 1-based; 0 = none
  int volume = -1;           // 0..64; -1 = none
  std::uint8_t effect = 0;   // 0 = none
  std::uint8_t parameter = 0;
};

struct S3mPattern {
  // rows[row][channel]
  std::vector<std::vector<S3mCell>> rows;
  explicit S3mPattern(int channels = kS3mMaxChannels)
      : rows(kS3mRows, std::vector<S3mCell>(static_cast<std::size_t>(channels))) {}
};

struct S3mSample {
  std::string name;                // up to 27 characters
  std::vector<std::int16_t> data;  // mono PCM
  bool sixteenBit = true;          // otherwise stored as 8 bits (the high byte of each value)
  bool loop = false;
  std::uint32_t loopStart = 0;     // in samples
  std::uint32_t loopEnd = 0;       // one past the last looped sample
  int volume = 64;                 // 0..64
  std::uint32_t middleCRate = 8363;  // playback rate of C-4, in Hz
};

struct S3mModule {
  std::string title;       // up to 27 characters
  int initialSpeed = 6;    // ticks per row
  int initialTempo = 125;  // beats per minute (ticks are 2.5 / tempo s)
  int globalVolume = 64;   // 0..64
  int masterVolume = 48;   // 16..127, mixing amplification
  // Pan of each used channel, 0 (left) .. 15 (right); its size is the channel count.
  std::vector<int> channelPan;
  std::vector<int> orders;  // pattern numbers in playing order
  std::vector<S3mSample> samples;
  std::vector<S3mPattern> patterns;
};

// The module as file bytes. False, with a reason in *error, when a field is out of range.
bool EncodeS3m(const S3mModule& module, std::vector<std::uint8_t>* bytes, std::string* error);

// Encodes and writes the module to path. False, with a reason in *error, on failure.
bool WriteS3m(const S3mModule& module, const std::string& path, std::string* error);

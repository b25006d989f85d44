#include "tools/song.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "tools/assets.h"

namespace {

const double kPi = 3.14159265358979323846;
const double kMiddleC = 261.6255653;  // Hz: the pitch of C-4, where a sample plays at its rate
const int kRowsPerBar = 16;           // rows are sixteenth notes
const int kBars = kS3mRows / kRowsPerBar;

// Sample numbers (1-based, as patterns name them).
enum SongSample { kLead = 1, kBass, kPad, kPluck, kKick, kSnare, kClosedHat, kOpenHat };

// ---------------------------------------------------------------------------------------------
// Instruments.
//
// Pitched instruments are summed from harmonics of a waveform whose period is a whole number of
// samples, so a loop of whole periods joins without a click and nothing above the top harmonic
// aliases. The sample rate of C-4 is then kMiddleC times the period.

// amplitude(k, t): the k-th harmonic's amplitude t seconds into the sample (at C-4).
typedef std::function<double(int harmonic, double seconds)> HarmonicAmplitude;

struct Tone {
  int period;         // samples per cycle
  int harmonics;      // highest harmonic
  double attackTime;  // seconds of timbre change before the loop, at C-4
  int loopPeriods;    // length of the sustained loop, in periods
};

std::vector<double> Additive(const Tone& tone, const HarmonicAmplitude& amplitude, int* loopStart,
                             int* loopEnd) {
  const double rate = kMiddleC * tone.period;
  const int attack = static_cast<int>(std::ceil(tone.attackTime * rate / tone.period)) * tone.period;
  const int length = attack + tone.loopPeriods * tone.period;
  std::vector<double> wave(static_cast<std::size_t>(length), 0.0);
  for (int n = 0; n < length; ++n) {
    const double seconds = n / rate;
    double value = 0.0;
    for (int k = 1; k <= tone.harmonics; ++k) {
      // Fixed, spread phases keep the peak low for the same loudness.
      const double phase = 2.0 * kPi * k * n / tone.period + 0.7 * k * k;
      value += amplitude(k, seconds) * std::sin(phase);
    }
    wave[static_cast<std::size_t>(n)] = value;
  }
  *loopStart = attack;
  *loopEnd = length;
  return wave;
}

S3mSample MakeSample(const std::string& name, const std::vector<double>& wave, double rate) {
  double peak = 1e-9;
  for (double value : wave) peak = std::fmax(peak, std::fabs(value));
  S3mSample sample;
  sample.name = name;
  sample.middleCRate = static_cast<std::uint32_t>(std::lround(rate));
  sample.data.reserve(wave.size());
  for (double value : wave)
    sample.data.push_back(static_cast<std::int16_t>(std::lround(value / peak * 31000.0)));
  return sample;
}

S3mSample MakeTone(const std::string& name, const Tone& tone, const HarmonicAmplitude& amplitude) {
  int loopStart = 0, loopEnd = 0;
  const std::vector<double> wave = Additive(tone, amplitude, &loopStart, &loopEnd);
  S3mSample sample = MakeSample(name, wave, kMiddleC * tone.period);
  sample.loop = true;
  sample.loopStart = static_cast<std::uint32_t>(loopStart);
  sample.loopEnd = static_cast<std::uint32_t>(loopEnd);
  return sample;
}

double Clamp01(double value) { return std::fmin(1.0, std::fmax(0.0, value)); }

// A hollow square-ish lead that starts bright and settles mellow.
S3mSample LeadSample() {
  const Tone tone = {64, 10, 0.35, 1};
  return MakeTone("Lead", tone, [](int k, double t) {
    const double shape = (k % 2 ? 1.0 : 0.3) / k;
    const double closing = 0.10 + 0.18 * (1.0 - std::exp(-t / 0.08));
    const double level = Clamp01(t / 0.004) * (0.78 + 0.22 * std::exp(-t / 0.12));
    return level * shape * std::exp(-(k - 1) * closing);
  });
}

// A sawtooth bass whose filter closes quickly after the pluck. Played two or three octaves
// down, so its envelope runs four to eight times slower than written here.
S3mSample BassSample() {
  const Tone tone = {128, 40, 0.12, 1};
  return MakeTone("Bass", tone, [](int k, double t) {
    const double closing = 0.06 + 0.30 * (1.0 - std::exp(-t / 0.025));
    const double level = Clamp01(t / 0.0008) * (0.7 + 0.3 * std::exp(-t / 0.04));
    return level * std::exp(-(k - 1) * closing) / k;
  });
}

// A soft string pad: slow swell, then a loop of about a second in which each harmonic swells
// and fades at its own slow rate, a whole number of times per loop, so the sound moves.
S3mSample PadSample() {
  const int periods = 256;
  const Tone tone = {128, 20, 0.3, periods};
  const double loopSeconds = periods * 128 / (kMiddleC * 128);
  return MakeTone("Pad", tone, [loopSeconds](int k, double t) {
    const double swell = std::sin(kPi / 2 * Clamp01(t / 0.3));
    const double motion = 1.0 + 0.4 * std::sin(2 * kPi * (1 + k % 3) * t / loopSeconds + k);
    return swell * swell * motion / std::pow(k, 1.4);
  });
}

// A short chiptune pluck for arpeggios.
S3mSample PluckSample() {
  const Tone tone = {64, 12, 0.2, 1};
  return MakeTone("Pluck", tone, [](int k, double t) {
    const double shape = (k % 2 ? 1.0 : 0.15) / k;
    const double level = Clamp01(t / 0.002) * (0.3 + 0.7 * std::exp(-t / 0.05));
    return level * shape * std::exp(-(k - 1) * 0.08 * (1.0 - std::exp(-t / 0.03)));
  });
}

// Deterministic white noise in -1..1, the same on every run.
class Noise {
 public:
  double Next() {
    state_ = state_ * 1664525u + 1013904223u;
    return static_cast<double>(static_cast<std::int32_t>(state_)) / 2147483648.0;
  }

 private:
  std::uint32_t state_ = 0x51A7E5u;
};

const double kDrumRate = 22050.0;

std::vector<double> Render(double rate, double seconds, const std::function<double(double)>& at) {
  std::vector<double> wave(static_cast<std::size_t>(seconds * rate));
  for (std::size_t n = 0; n < wave.size(); ++n) wave[n] = at(n / rate);
  return wave;
}

// A sine whose pitch drops fast from 160 to 45 Hz, with a little click on top.
S3mSample KickSample() {
  double phase = 0.0;
  Noise noise;
  const std::vector<double> wave = Render(kDrumRate, 0.4, [&](double t) {
    const double frequency = 45.0 + 115.0 * std::exp(-t / 0.035);
    phase += 2 * kPi * frequency / kDrumRate;
    const double body = std::sin(phase) * std::exp(-t / 0.16);
    const double click = noise.Next() * 0.25 * std::exp(-t / 0.002);
    return (body + click) * Clamp01((0.4 - t) / 0.02);
  });
  return MakeSample("Kick", wave, kDrumRate);
}

// A tuned body under a burst of brightened noise.
S3mSample SnareSample() {
  Noise noise;
  double previous = 0.0;
  const std::vector<double> wave = Render(kDrumRate, 0.3, [&](double t) {
    const double white = noise.Next();
    const double bright = white - 0.6 * previous;  // tilts the noise towards the highs
    previous = white;
    const double body = std::sin(2 * kPi * 185.0 * t) * std::exp(-t / 0.05);
    return (0.55 * body + 0.6 * bright * std::exp(-t / 0.075)) * Clamp01((0.3 - t) / 0.02);
  });
  return MakeSample("Snare", wave, kDrumRate);
}

// High-passed noise; the open hat just rings longer.
S3mSample HatSample(const std::string& name, double decay, double seconds) {
  Noise noise;
  const double rate = 44100.0;
  double previous = 0.0;
  const std::vector<double> wave = Render(rate, seconds, [&](double t) {
    const double white = noise.Next();
    const double high = white - previous;
    previous = white;
    return high * std::exp(-t / decay) * Clamp01((seconds - t) / 0.01);
  });
  return MakeSample(name, wave, rate);
}

// ---------------------------------------------------------------------------------------------
// The score.

typedef std::vector<S3mCell> Track;  // one channel of one pattern, kS3mRows cells

struct Chord {
  int root;               // semitone, C = 0
  bool minor;
  int bassOctave;
  int voicing[3];         // pad notes as (octave * 12 + semitone)
};

const Chord kAm = {9, true, 1, {3 * 12 + 9, 4 * 12 + 0, 4 * 12 + 4}};
const Chord kF = {5, false, 1, {3 * 12 + 9, 4 * 12 + 0, 4 * 12 + 5}};
const Chord kC = {0, false, 2, {3 * 12 + 7, 4 * 12 + 0, 4 * 12 + 4}};
const Chord kG = {7, false, 1, {3 * 12 + 7, 3 * 12 + 11, 4 * 12 + 2}};
const Chord kEm = {4, true, 2, {3 * 12 + 7, 3 * 12 + 11, 4 * 12 + 4}};
const Chord kDm = {2, true, 2, {3 * 12 + 9, 4 * 12 + 2, 4 * 12 + 5}};
const Chord kE = {4, false, 2, {3 * 12 + 8, 3 * 12 + 11, 4 * 12 + 4}};

std::uint8_t Note(int semitones) { return S3mNote(semitones / 12, semitones % 12); }

void Put(Track* track, int row, std::uint8_t note, int sample, int volume) {
  S3mCell& cell = (*track)[static_cast<std::size_t>(row)];
  cell.note = note;
  cell.sample = static_cast<std::uint8_t>(sample);
  cell.volume = volume;
}

void Effect(Track* track, int row, char letter, int parameter) {
  S3mCell& cell = (*track)[static_cast<std::size_t>(row)];
  cell.effect = S3mEffect(letter);
  cell.parameter = static_cast<std::uint8_t>(parameter);
}

// A melody line: space-separated "note:rows" tokens, for example "C#6:2". "r" rests; a "~"
// after the note glides into it from the note before (tone portamento) instead of striking it.
// Notes of six rows or more get a gentle (fine) vibrato from their fourth row on.
bool Melody(const char* score, int sample, int volume, Track* track, std::string* error) {
  *track = Track(kS3mRows);
  int row = 0;
  const std::string text = score;
  std::size_t at = 0;
  while (at < text.size()) {
    if (text[at] == ' ') {
      ++at;
      continue;
    }
    const std::size_t end = text.find(' ', at);
    const std::string token = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
    at = end == std::string::npos ? text.size() : end;
    const std::size_t colon = token.find(':');
    if (colon == std::string::npos) return (*error = "no length in \"" + token + "\""), false;
    const int rows = std::atoi(token.c_str() + colon + 1);
    std::string pitch = token.substr(0, colon);
    const bool glide = !pitch.empty() && pitch.back() == '~';
    if (glide) pitch.pop_back();
    if (rows <= 0 || row + rows > kS3mRows) return (*error = "melody overruns its pattern: " + text), false;
    if (pitch != "r") {
      static const int kLetters[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
      if (pitch.size() < 2 || pitch[0] < 'A' || pitch[0] > 'G')
        return (*error = "bad note \"" + token + "\""), false;
      int semitone = kLetters[pitch[0] - 'A'];
      std::size_t digit = 1;
      if (pitch[1] == '#') ++semitone, ++digit;
      if (pitch[1] == 'b') --semitone, ++digit;
      if (digit >= pitch.size()) return (*error = "bad note \"" + token + "\""), false;
      const int octave = pitch[digit] - '0';
      Put(track, row, Note(octave * 12 + semitone), sample, volume);
      if (glide) Effect(track, row, 'G', 0x28);
      for (int held = 3; held < rows && rows >= 6; ++held) Effect(track, row + held, 'U', 0x54);
    } else if (row > 0) {
      (*track)[static_cast<std::size_t>(row)].note = kS3mNoteCut;
    }
    row += rows;
  }
  if (row != kS3mRows) return (*error = "melody doesn't fill its pattern: " + text), false;
  return true;
}

// The lead's echo: the same line three rows later, quieter and without glides.
Track Echo(const Track& lead, int volume) {
  Track echo(kS3mRows);
  const int kDelay = 3;
  for (int row = 0; row + kDelay < kS3mRows; ++row) {
    S3mCell cell = lead[static_cast<std::size_t>(row)];
    if (cell.volume >= 0) cell.volume = volume;
    if (cell.effect == S3mEffect('G')) cell.effect = 0, cell.parameter = 0;
    echo[static_cast<std::size_t>(row + kDelay)] = cell;
  }
  return echo;
}

enum BassStyle { kBassHeld, kBassDriving };

Track Bass(const Chord (&chords)[kBars], BassStyle style) {
  Track track(kS3mRows);
  for (int bar = 0; bar < kBars; ++bar) {
    const Chord& chord = chords[bar];
    const int root = chord.bassOctave * 12 + chord.root;
    const int start = bar * kRowsPerBar;
    if (style == kBassHeld) {
      Put(&track, start, Note(root), kBass, 50);
      Put(&track, start + 8, Note(root + 12), kBass, 36);
      continue;
    }
    // Eighths on the root, an octave leap on the offbeats of beats 2 and 4, the fifth before
    // the last one.
    static const int kStep[8] = {0, 0, 12, 0, 0, 0, 7, 12};
    static const int kVolume[8] = {56, 40, 48, 40, 52, 40, 46, 44};
    for (int eighth = 0; eighth < 8; ++eighth)
      Put(&track, start + 2 * eighth, Note(root + kStep[eighth]), kBass, kVolume[eighth]);
  }
  return track;
}

struct PadTracks {
  Track low, middle, high;
};

// One chord per bar, held. fadeLastBar slides the final chord down to nothing.
PadTracks Pad(const Chord (&chords)[kBars], int volume, bool fadeLastBar) {
  PadTracks pad = {Track(kS3mRows), Track(kS3mRows), Track(kS3mRows)};
  Track* voices[3] = {&pad.low, &pad.middle, &pad.high};
  for (int bar = 0; bar < kBars; ++bar)
    for (int voice = 0; voice < 3; ++voice)
      Put(voices[voice], bar * kRowsPerBar, Note(chords[bar].voicing[voice]), kPad, volume);
  if (fadeLastBar)
    for (int row = kS3mRows - kRowsPerBar + 4; row < kS3mRows; ++row)
      for (Track* voice : voices) Effect(voice, row, 'D', 0x01);
  return pad;
}

// The chord as a three-note arpeggio (root, third, fifth on successive ticks), struck on every
// eighth with alternating weight.
Track Arpeggio(const Chord (&chords)[kBars], int volume) {
  Track track(kS3mRows);
  for (int bar = 0; bar < kBars; ++bar) {
    const Chord& chord = chords[bar];
    const int root = (chord.root >= 7 ? 4 : 5) * 12 + chord.root;
    const int parameter = chord.minor ? 0x37 : 0x47;
    for (int row = bar * kRowsPerBar; row < (bar + 1) * kRowsPerBar; ++row) {
      if (row % 2 == 0) Put(&track, row, Note(root), kPluck, row % 4 == 0 ? volume : volume * 2 / 3);
      Effect(&track, row, 'J', parameter);
    }
  }
  return track;
}

enum DrumStyle { kDrumsIntro, kDrumsMain, kDrumsBusy, kDrumsSparse };

struct DrumTracks {
  Track kick, snare, hat;
};

// fill: the last bar ends in a snare roll.
DrumTracks Drums(DrumStyle style, bool fill) {
  DrumTracks drums = {Track(kS3mRows), Track(kS3mRows), Track(kS3mRows)};
  const std::uint8_t c4 = S3mNote(4, 0);
  for (int bar = 0; bar < kBars; ++bar) {
    const int start = bar * kRowsPerBar;
    const bool lastBar = bar == kBars - 1;
    if (style == kDrumsSparse) {
      Put(&drums.kick, start, c4, kKick, 56);
      for (int beat = 0; beat < 4; ++beat) Put(&drums.hat, start + 4 * beat + 2, c4, kClosedHat, 22);
      continue;
    }
    Put(&drums.kick, start, c4, kKick, 64);
    Put(&drums.kick, start + 8, c4, kKick, 60);
    if (style != kDrumsIntro && bar % 2 == 1) Put(&drums.kick, start + 10, c4, kKick, 48);
    if (style != kDrumsIntro || bar >= 2) {
      Put(&drums.snare, start + 4, c4, kSnare, 52);
      Put(&drums.snare, start + 12, c4, kSnare, 52);
    }
    const int hatStep = style == kDrumsBusy ? 1 : 2;
    for (int row = 0; row < kRowsPerBar; row += hatStep) {
      const int volume = row % 4 == 0 ? 30 : (row % 2 == 0 ? 22 : 14);
      Put(&drums.hat, start + row, c4, kClosedHat, volume);
    }
    if (style != kDrumsIntro && bar % 2 == 1) Put(&drums.hat, start + 14, c4, kOpenHat, 24);
    if (fill && lastBar) {
      for (int row = 13; row < kRowsPerBar; ++row) Put(&drums.snare, start + row, c4, kSnare, 30 + 8 * (row - 12));
      Effect(&drums.snare, start + 15, 'Q', 0x03);  // the roll's last hit retriggers every 3 ticks
    }
  }
  return drums;
}

struct PatternPlan {
  Chord chords[kBars];
  const char* melody;  // null: no lead
  BassStyle bass;
  DrumStyle drums;
  bool drumFill;
  bool arpeggio;
  bool padFade;
};

void Place(S3mPattern* pattern, int channel, const Track& track) {
  for (int row = 0; row < kS3mRows; ++row)
    pattern->rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(channel)] =
        track[static_cast<std::size_t>(row)];
}

bool BuildPattern(const PatternPlan& plan, S3mPattern* pattern, std::string* error) {
  *pattern = S3mPattern(kSongChannels);
  if (plan.melody) {
    Track lead;
    if (!Melody(plan.melody, kLead, 44, &lead, error)) return false;
    Place(pattern, kLeadChannel, lead);
    Place(pattern, kEchoChannel, Echo(lead, 16));
  }
  Place(pattern, kBassChannel, Bass(plan.chords, plan.bass));
  const DrumTracks drums = Drums(plan.drums, plan.drumFill);
  Place(pattern, kKickChannel, drums.kick);
  Place(pattern, kSnareChannel, drums.snare);
  Place(pattern, kHatChannel, drums.hat);
  const PadTracks pad = Pad(plan.chords, plan.melody ? 18 : 24, plan.padFade);
  Place(pattern, kPadLowChannel, pad.low);
  Place(pattern, kPadMiddleChannel, pad.middle);
  Place(pattern, kPadHighChannel, pad.high);
  if (plan.arpeggio) Place(pattern, kArpeggioChannel, Arpeggio(plan.chords, plan.melody ? 18 : 26));
  return true;
}

const char* const kThemeA =
    "E5:2 A5:2 C6:2 E6:4 D6:2 C6:2 B5:2 "
    "C6:6 A5:2 F5:4 A5:4 "
    "G5:2 C6:2 E6:2 G6:4 F6:2 E6:2 D6:2 "
    "D6:8 B5:4 r:4";
const char* const kThemeAnswer =
    "E6:4 C6:2 A5:2 E6:4 C6:2 A5:2 "
    "F6:4 E6:2 C6:2 A5:8 "
    "G5:2 A5:2 C6:2 E6:4 D6:2 C6:4 "
    "B5:6 C6:2 D6:4 B5:4";
const char* const kBridge =
    "A5:2 C6:2 F6:4 E6:2 F6:2 A6:4 "
    "G6:6 F6:2 E6:2 D6:2 B5:4 "
    "B5:4 E6:4 G6~:6 E6:2 "
    "A6:10 G6:2 E6:4";
const char* const kBridgeTurn =
    "F6:4 E6:2 D6:2 A5:8 "
    "B5:2 C6:2 D6:4 G6:4 F6:4 "
    "E6:6 D6:2 C6:4 G5:4 "
    "G#5:4 B5:4 E6:4 D6:2 B5:2";

}  // namespace

bool ComposeSong(S3mModule* song, std::string* error) {
  *song = S3mModule();
  song->title = "Terminal";
  song->initialSpeed = 6;
  song->initialTempo = 125;
  song->globalVolume = 64;
  song->masterVolume = 80;
  song->channelPan = {6, 10, 7, 7, 8, 10, 2, 8, 13, 4};
  song->samples = {LeadSample(),  BassSample(),  PadSample(),
                   PluckSample(), KickSample(),  SnareSample(),
                   HatSample("Closed hat", 0.018, 0.1), HatSample("Open hat", 0.12, 0.4)};

  const PatternPlan plans[] = {
      {{kAm, kF, kC, kG}, nullptr, kBassHeld, kDrumsIntro, false, false, false},
      {{kAm, kF, kC, kG}, kThemeA, kBassDriving, kDrumsMain, false, false, false},
      {{kAm, kF, kC, kG}, kThemeAnswer, kBassDriving, kDrumsMain, true, false, false},
      {{kF, kG, kEm, kAm}, kBridge, kBassDriving, kDrumsBusy, false, true, false},
      {{kDm, kG, kC, kE}, kBridgeTurn, kBassDriving, kDrumsBusy, true, true, false},
      {{kAm, kF, kC, kG}, kThemeA, kBassDriving, kDrumsMain, false, true, false},
      {{kAm, kF, kC, kG}, kThemeAnswer, kBassDriving, kDrumsMain, true, true, false},
      {{kAm, kF, kC, kG}, nullptr, kBassHeld, kDrumsSparse, false, true, true},
  };
  for (const PatternPlan& plan : plans) {
    S3mPattern pattern;
    if (!BuildPattern(plan, &pattern, error)) return false;
    song->patterns.push_back(pattern);
    song->orders.push_back(static_cast<int>(song->orders.size()));
  }
  // Speed and tempo at the very start, and at the end a jump back past the intro.
  std::vector<std::vector<S3mCell>>& first = song->patterns.front().rows;
  first[0][kLeadChannel].effect = S3mEffect('A');
  first[0][kLeadChannel].parameter = 6;
  first[0][kEchoChannel].effect = S3mEffect('T');
  first[0][kEchoChannel].parameter = 125;
  S3mCell& last = song->patterns.back().rows[kS3mRows - 1][kLeadChannel];
  last.effect = S3mEffect('B');
  last.parameter = 1;
  return true;
}

bool WriteSong(const std::string& folder) {
  S3mModule song;
  std::string error;
  const std::string path = folder + "/Terminal.s3m";
  if (!ComposeSong(&song, &error) || !WriteS3m(song, path, &error)) {
    std::fprintf(stderr, "quenthor-assets: song: %s\n", error.c_str());
    return false;
  }
  return true;
}

// "Terminal", the show's song: an original piece in A minor at 125 beats per minute, about a
// minute long before it loops, with every instrument synthesised here.
#pragma once
#include <string>

#include "tools/s3m_writer.h"

// Composes the song. False, with a reason in *error, if a phrase doesn't fill its pattern
// (a mistake in the score, not in the input: there is none).
bool ComposeSong(S3mModule* song, std::string* error);

// The song's channels, in pattern order.
enum SongChannel {
  kLeadChannel,
  kEchoChannel,
  kBassChannel,
  kKickChannel,
  kSnareChannel,
  kHatChannel,
  kPadLowChannel,
  kPadMiddleChannel,
  kPadHighChannel,
  kArpeggioChannel,
  kSongChannels
};

// A wave's sound converted to its bank entry's format: samples decoded to floating point,
// channels mixed, the rate converted, and integers written back with dither.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "bank/sound_format.h"

struct ConvertedSound {
    std::vector<uint8_t> bytes;
    uint64_t clipped;  // samples that lay beyond full scale and were cut to it
};

// Puts the sound's next count bytes at bytes; false when they cannot be read.
using SoundReader = std::function<bool(uint8_t* bytes, size_t count)>;

// Converts the whole frames of a sound bytes long, given by read in order, from one format to
// the other. A sound that differs only in its container (same channels and rate, no fewer
// bits) keeps its samples exactly; any other gets TPDF dither from a fixed seed, so that one
// wave always gives the same bytes. false when read failed or the resampler could not be set
// up.
bool ConvertSound(const SoundReader& read, size_t bytes, const SoundFormat& from, const SoundFormat& to,
                  ConvertedSound& converted);

// Interleaved float frames from one channel count to another: to mono the mean of all
// channels, from mono the same sound in every channel, 5.1 and 7.1 to stereo by the usual
// down-mix, anything else every channel the mean of all.
#pragma once

#include <cstdint>
#include <vector>

std::vector<float> MixChannels(const std::vector<float>& frames, unsigned fromChannels, uint32_t fromMask,
                               unsigned toChannels);

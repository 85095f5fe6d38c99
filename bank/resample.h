// Rate conversion of interleaved float frames through speexdsp's resampler.
#pragma once

#include <cstdint>
#include <vector>

// The frames at toRate: round(frames x toRate / fromRate) of them, lined up with the input
// (no delay). false when the resampler could not be set up.
bool Resample(const std::vector<float>& frames, unsigned channels, uint32_t fromRate, uint32_t toRate,
              std::vector<float>& resampled);

// libsamplerate driven over whole sounds: in stages where a ratio lies beyond its range, and
// a long sound of one stage in two halves at once, one per processor core.
#include "bank/resample.h"

#include <samplerate.h>

#include <cmath>
#include <cstddef>
#include <numeric>
#include <thread>

namespace {

// Its best sinc converter: the medium and fastest ones fall short of the passband the
// benchmark asks for (flat within 0.1 dB up to 0.9 times the output's Nyquist frequency).
const int CONVERTER = SRC_SINC_BEST_QUALITY;
// libsamplerate converts by at most this factor up or down in one pass.
const double MAX_STAGE_RATIO = 256.0;
// Input frames each half sees beyond its own part, so that the filter (about 300 input
// frames either side at its widest) never reaches the silence libsamplerate assumes past
// the ends it was given.
const size_t HALF_OVERLAP_FRAMES = 4096;
// Below this a second thread costs more than it saves.
const size_t SPLIT_MIN_FRAMES = 1 << 17;

size_t FramesAfter(size_t frames, double ratio)
{
    return static_cast<size_t>(std::llround(static_cast<double>(frames) * ratio));
}

// One pass of one ratio within libsamplerate's range over count frames; the
// output is cut or padded with silence to exactly round(frames x ratio) frames.
bool ResampleStage(const float* frames, size_t count, unsigned channels, double ratio, std::vector<float>& out)
{
    int error = 0;
    SRC_STATE* state = src_new(CONVERTER, static_cast<int>(channels), &error);
    if (state == nullptr)
        return false;
    const size_t outFrames = FramesAfter(count, ratio);
    // Room for a frame the converter may give beyond the rounded length.
    const size_t room = outFrames + 1;
    out.assign(room * channels, 0.0f);
    SRC_DATA data = {};
    data.data_in = frames;
    data.input_frames = static_cast<long>(count);
    data.data_out = out.data();
    data.output_frames = static_cast<long>(room);
    data.end_of_input = 1;
    data.src_ratio = ratio;
    while (error == 0 && data.output_frames > 0) {
        error = src_process(state, &data);
        if (data.output_frames_gen == 0)
            break;
        data.data_in += data.input_frames_used * channels;
        data.input_frames -= data.input_frames_used;
        data.data_out += data.output_frames_gen * channels;
        data.output_frames -= data.output_frames_gen;
    }
    src_delete(state);
    out.resize(outFrames * channels, 0.0f);
    return error == 0;
}

// Input frames at which both rates meet on a whole frame: a half may start only there.
size_t FramesPerMeeting(uint32_t fromRate, uint32_t toRate)
{
    return fromRate / std::gcd(fromRate, toRate);
}

// The two halves meet at input frame split (where both rates meet); each is converted with
// HALF_OVERLAP_FRAMES of the other and keeps only its own output.
bool ResampleInHalves(const std::vector<float>& frames, unsigned channels, uint32_t fromRate, uint32_t toRate,
                      std::vector<float>& resampled)
{
    const double ratio = static_cast<double>(toRate) / fromRate;
    const size_t step = FramesPerMeeting(fromRate, toRate);
    const size_t inFrames = frames.size() / channels;
    const size_t overlap = (HALF_OVERLAP_FRAMES + step - 1) / step * step;
    const size_t split = inFrames / 2 / step * step;
    const size_t firstEnd = split + overlap < inFrames ? split + overlap : inFrames;
    const size_t secondStart = split > overlap ? split - overlap : 0;
    std::vector<float> first;
    std::vector<float> second;
    bool secondDone = false;
    std::thread other([&] {
        secondDone = ResampleStage(frames.data() + secondStart * channels, inFrames - secondStart, channels, ratio,
                                   second);
    });
    const bool firstDone = ResampleStage(frames.data(), firstEnd, channels, ratio, first);
    other.join();
    if (!firstDone || !secondDone)
        return false;
    const size_t firstKeep = FramesAfter(split, ratio) * channels;
    const size_t secondSkip = FramesAfter(split - secondStart, ratio) * channels;
    resampled.assign(first.begin(), first.begin() + static_cast<std::ptrdiff_t>(firstKeep));
    resampled.insert(resampled.end(), second.begin() + static_cast<std::ptrdiff_t>(secondSkip), second.end());
    return true;
}

bool OneStage(uint32_t fromRate, uint32_t toRate)
{
    const double ratio = static_cast<double>(toRate) / fromRate;
    return ratio <= MAX_STAGE_RATIO && ratio >= 1.0 / MAX_STAGE_RATIO;
}

bool ResampleInStages(const std::vector<float>& frames, unsigned channels, uint32_t fromRate, uint32_t toRate,
                      std::vector<float>& resampled)
{
    std::vector<float> stageInput = frames;
    double rate = fromRate;
    while (rate != toRate) {
        const double wanted = toRate / rate;
        const bool last = wanted <= MAX_STAGE_RATIO && wanted >= 1.0 / MAX_STAGE_RATIO;
        const double ratio = last ? wanted : wanted > 1.0 ? MAX_STAGE_RATIO : 1.0 / MAX_STAGE_RATIO;
        std::vector<float> stageOutput;
        if (!ResampleStage(stageInput.data(), stageInput.size() / channels, channels, ratio, stageOutput))
            return false;
        stageInput.swap(stageOutput);
        rate = last ? toRate : rate * ratio;
    }
    resampled.swap(stageInput);
    return true;
}

}  // namespace

bool Resample(const std::vector<float>& frames, unsigned channels, uint32_t fromRate, uint32_t toRate,
              std::vector<float>& resampled)
{
    const size_t inFrames = frames.size() / channels;
    const size_t outFrames = FramesAfter(inFrames, static_cast<double>(toRate) / fromRate);
    const bool split = OneStage(fromRate, toRate) && inFrames >= SPLIT_MIN_FRAMES &&
                       FramesPerMeeting(fromRate, toRate) * 4 <= inFrames / 2;
    const bool done = split ? ResampleInHalves(frames, channels, fromRate, toRate, resampled)
                            : ResampleInStages(frames, channels, fromRate, toRate, resampled);
    resampled.resize(outFrames * channels, 0.0f);
    return done;
}

// libsamplerate driven over whole sounds, in stages where a ratio lies beyond its range.
#include "bank/resample.h"

#include <samplerate.h>

#include <cmath>
#include <cstddef>

namespace {

// Its best sinc converter: the medium and fastest ones fall short of the passband the
// benchmark asks for (flat within 0.1 dB up to 0.9 times the output's Nyquist frequency).
const int CONVERTER = SRC_SINC_BEST_QUALITY;
// libsamplerate converts by at most this factor up or down in one pass.
const double MAX_STAGE_RATIO = 256.0;

size_t FramesAfter(size_t frames, double ratio)
{
    return static_cast<size_t>(std::llround(static_cast<double>(frames) * ratio));
}

// One pass of one ratio within libsamplerate's range; the output is cut or padded with
// silence to exactly round(frames x ratio) frames.
bool ResampleStage(const std::vector<float>& frames, unsigned channels, double ratio, std::vector<float>& out)
{
    int error = 0;
    SRC_STATE* state = src_new(CONVERTER, static_cast<int>(channels), &error);
    if (state == nullptr)
        return false;
    const size_t inFrames = frames.size() / channels;
    const size_t outFrames = FramesAfter(inFrames, ratio);
    // Room for what the converter may give beyond the rounded length.
    out.assign((outFrames + 1) * channels + channels, 0.0f);
    SRC_DATA data = {};
    data.data_in = frames.data();
    data.input_frames = static_cast<long>(inFrames);
    data.data_out = out.data();
    data.output_frames = static_cast<long>(outFrames + 1);
    data.end_of_input = 1;
    data.src_ratio = ratio;
    size_t made = 0;
    while (error == 0 && made < outFrames + 1) {
        error = src_process(state, &data);
        if (data.output_frames_gen == 0)
            break;
        made += static_cast<size_t>(data.output_frames_gen);
        data.data_in += data.input_frames_used * channels;
        data.input_frames -= data.input_frames_used;
        data.data_out += data.output_frames_gen * channels;
        data.output_frames -= data.output_frames_gen;
    }
    src_delete(state);
    out.resize(outFrames * channels, 0.0f);
    return error == 0;
}

}  // namespace

bool Resample(const std::vector<float>& frames, unsigned channels, uint32_t fromRate, uint32_t toRate,
              std::vector<float>& resampled)
{
    const size_t outFrames = FramesAfter(frames.size() / channels, static_cast<double>(toRate) / fromRate);
    std::vector<float> stageInput = frames;
    double rate = fromRate;
    while (rate != toRate) {
        const double wanted = toRate / rate;
        const bool last = wanted <= MAX_STAGE_RATIO && wanted >= 1.0 / MAX_STAGE_RATIO;
        const double ratio = last ? wanted : wanted > 1.0 ? MAX_STAGE_RATIO : 1.0 / MAX_STAGE_RATIO;
        std::vector<float> stageOutput;
        if (!ResampleStage(stageInput, channels, ratio, stageOutput))
            return false;
        stageInput.swap(stageOutput);
        rate = last ? toRate : rate * ratio;
    }
    stageInput.resize(outFrames * channels, 0.0f);
    resampled.swap(stageInput);
    return true;
}

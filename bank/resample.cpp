// speexdsp's resampler driven over whole sounds: in stages where a rate falls by more than
// one filter should stretch for, and a long sound of one stage in two halves at once, one per
// processor core.
#include "bank/resample.h"

#include <speex/speex_resampler.h>

#include <climits>
#include <cmath>
#include <cstddef>
#include <numeric>
#include <thread>

namespace {

// Its best quality. 6 and below fall short of the passband the benchmark asks for (flat
// within 0.1 dB up to 0.9 times the output's Nyquist frequency); 7 to 9 reject aliases less
// and save no time worth having, the reading and writing around them costing as much.
const int QUALITY = SPEEX_RESAMPLER_QUALITY_MAX;
// Its filter lengthens with the factor a rate falls by; a larger fall goes in stages, so that
// no filter outgrows a few hundred kilobytes.
const uint32_t MAX_STAGE_FALL = 256;
// Below this a second thread costs more than it saves.
const size_t SPLIT_MIN_FRAMES = 1 << 17;
// Frames handed to the resampler per call: its lengths are 32-bit.
const size_t MAX_CALL_FRAMES = UINT_MAX / 2;

size_t FramesAfter(size_t frames, uint32_t fromRate, uint32_t toRate)
{
    return static_cast<size_t>(std::llround(static_cast<double>(frames) * toRate / fromRate));
}

// One resampler of one rate pair over one run of input frames, its output lined up with its
// input: speexdsp would otherwise start with the silence its filter reaches back into.
class Resampler {
public:
    Resampler(unsigned channels, uint32_t fromRate, uint32_t toRate, const float* frames, size_t count)
        : channels_(channels), frames_(frames), count_(count)
    {
        int error = RESAMPLER_ERR_SUCCESS;
        state_ = speex_resampler_init(channels, fromRate, toRate, QUALITY, &error);
        if (state_ != nullptr)
            speex_resampler_skip_zeros(state_);
    }
    ~Resampler()
    {
        if (state_ != nullptr)
            speex_resampler_destroy(state_);
    }
    Resampler(const Resampler&) = delete;
    Resampler& operator=(const Resampler&) = delete;

    bool Ready() const { return state_ != nullptr; }
    // Input frames the filter reaches on either side of the frame it computes.
    size_t Reach() const { return static_cast<size_t>(speex_resampler_get_input_latency(state_)); }

    // The next outFrames frames at out: from the input, then from silence as far as the
    // filter reaches past its end.
    bool Produce(float* out, size_t outFrames)
    {
        for (size_t produced = 0; produced < outFrames;) {
            const bool silence = count_ == 0;
            const size_t offered = silence ? Reach() : count_ < MAX_CALL_FRAMES ? count_ : MAX_CALL_FRAMES;
            const size_t room = outFrames - produced < MAX_CALL_FRAMES ? outFrames - produced : MAX_CALL_FRAMES;
            spx_uint32_t inLength = static_cast<spx_uint32_t>(offered);
            spx_uint32_t outLength = static_cast<spx_uint32_t>(room);
            if (speex_resampler_process_interleaved_float(state_, silence ? nullptr : frames_, &inLength,
                                                          out + produced * channels_,
                                                          &outLength) != RESAMPLER_ERR_SUCCESS)
                return false;
            if (outLength == 0 && (silence || inLength == 0))
                return false;
            produced += outLength;
            if (!silence) {
                frames_ += static_cast<size_t>(inLength) * channels_;
                count_ -= inLength;
            }
        }
        return true;
    }

private:
    SpeexResamplerState* state_ = nullptr;
    unsigned channels_;
    const float* frames_;  // what is left of the input
    size_t count_;
};

// One pass over count frames, to exactly round(count x toRate / fromRate) frames.
bool ResampleStage(const float* frames, size_t count, unsigned channels, uint32_t fromRate, uint32_t toRate,
                   std::vector<float>& out)
{
    Resampler resampler(channels, fromRate, toRate, frames, count);
    out.assign(FramesAfter(count, fromRate, toRate) * channels, 0.0f);
    return resampler.Ready() && resampler.Produce(out.data(), out.size() / channels);
}

// Input frames at which both rates meet on a whole frame: a half may start only there.
size_t FramesPerMeeting(uint32_t fromRate, uint32_t toRate)
{
    return fromRate / std::gcd(fromRate, toRate);
}

// The two halves meet at input frame split (where both rates meet). The first is one pass
// that stops there; the second starts as far before it as the filter reaches and drops what
// it makes before it. Both follow the same steps over the same input after it, so the seam
// gives the very frames one pass would.
bool ResampleInHalves(const std::vector<float>& frames, unsigned channels, uint32_t fromRate, uint32_t toRate,
                      std::vector<float>& resampled)
{
    const size_t step = FramesPerMeeting(fromRate, toRate);
    const size_t inFrames = frames.size() / channels;
    const size_t split = inFrames / 2 / step * step;
    Resampler first(channels, fromRate, toRate, frames.data(), inFrames);
    if (!first.Ready())
        return false;
    const size_t overlap = (first.Reach() + step) / step * step;
    const size_t secondStart = split > overlap ? split - overlap : 0;
    Resampler second(channels, fromRate, toRate, frames.data() + secondStart * channels, inFrames - secondStart);
    if (!second.Ready())
        return false;
    const size_t outFrames = FramesAfter(inFrames, fromRate, toRate);
    const size_t firstKeep = FramesAfter(split, fromRate, toRate);
    std::vector<float> secondSkipped(FramesAfter(split - secondStart, fromRate, toRate) * channels);
    resampled.assign(outFrames * channels, 0.0f);
    bool secondDone = false;
    std::thread other([&] {
        secondDone = second.Produce(secondSkipped.data(), secondSkipped.size() / channels) &&
                     second.Produce(resampled.data() + firstKeep * channels, outFrames - firstKeep);
    });
    const bool firstDone = first.Produce(resampled.data(), firstKeep);
    other.join();
    return firstDone && secondDone;
}

bool OneStage(uint32_t fromRate, uint32_t toRate)
{
    return fromRate <= static_cast<uint64_t>(toRate) * MAX_STAGE_FALL;
}

// The rate of the next stage: toRate, or as far down towards it as one stage goes.
uint32_t NextRate(uint32_t rate, uint32_t toRate)
{
    return OneStage(rate, toRate) ? toRate : (rate + MAX_STAGE_FALL - 1) / MAX_STAGE_FALL;
}

bool ResampleInStages(const std::vector<float>& frames, unsigned channels, uint32_t fromRate, uint32_t toRate,
                      std::vector<float>& resampled)
{
    const float* input = frames.data();
    size_t count = frames.size() / channels;
    std::vector<float> stageOutput;
    for (uint32_t rate = fromRate; rate != toRate;) {
        const uint32_t next = NextRate(rate, toRate);
        if (!ResampleStage(input, count, channels, rate, next, resampled))
            return false;
        stageOutput.swap(resampled);
        input = stageOutput.data();
        count = stageOutput.size() / channels;
        rate = next;
    }
    resampled.swap(stageOutput);
    return true;
}

}  // namespace

bool Resample(const std::vector<float>& frames, unsigned channels, uint32_t fromRate, uint32_t toRate,
              std::vector<float>& resampled)
{
    const size_t inFrames = frames.size() / channels;
    const size_t outFrames = FramesAfter(inFrames, fromRate, toRate);
    const bool split = OneStage(fromRate, toRate) && inFrames >= SPLIT_MIN_FRAMES &&
                       FramesPerMeeting(fromRate, toRate) * 4 <= inFrames / 2;
    const bool done = split ? ResampleInHalves(frames, channels, fromRate, toRate, resampled)
                            : ResampleInStages(frames, channels, fromRate, toRate, resampled);
    resampled.resize(outFrames * channels, 0.0f);
    return done;
}

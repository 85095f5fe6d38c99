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
// within 0.1 dB up to 0.9 times the output's Nyquist frequency); 7 to 9 meet it with less to
// spare and save no time worth having, the decoding and writing around it costing as much.
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

// One resampler of one rate pair, its output lined up with its input: speexdsp would
// otherwise start with the silence its filter reaches back into.
class Resampler {
public:
    Resampler(unsigned channels, uint32_t fromRate, uint32_t toRate) : channels_(channels)
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

    // outFrames frames from count input frames, the input followed by silence as far as the
    // filter reaches past its end.
    bool Run(const float* frames, size_t count, size_t outFrames, std::vector<float>& out)
    {
        out.assign(outFrames * channels_, 0.0f);
        produced_ = 0;
        while (count > 0 && produced_ < outFrames) {
            const size_t before = produced_;
            const size_t used = Feed(frames, count < MAX_CALL_FRAMES ? count : MAX_CALL_FRAMES, out);
            if (used == 0 && produced_ == before)
                return false;
            frames += used * channels_;
            count -= used;
        }
        // Silence in, until the last frame's filter has passed the end of the input.
        while (produced_ < outFrames) {
            const size_t before = produced_;
            Feed(nullptr, Reach(), out);
            if (produced_ == before)
                return false;
        }
        return true;
    }

private:
    // Input frames used; null frames are silence.
    size_t Feed(const float* frames, size_t count, std::vector<float>& out)
    {
        spx_uint32_t inLength = static_cast<spx_uint32_t>(count);
        spx_uint32_t outLength = static_cast<spx_uint32_t>(out.size() / channels_ - produced_);
        if (speex_resampler_process_interleaved_float(state_, frames, &inLength, &out[produced_ * channels_],
                                                      &outLength) != RESAMPLER_ERR_SUCCESS)
            return 0;
        produced_ += outLength;
        return inLength;
    }

    SpeexResamplerState* state_ = nullptr;
    unsigned channels_;
    size_t produced_ = 0;
};

// One pass over count frames, to exactly round(count x toRate / fromRate) frames.
bool ResampleStage(const float* frames, size_t count, unsigned channels, uint32_t fromRate, uint32_t toRate,
                   std::vector<float>& out)
{
    Resampler resampler(channels, fromRate, toRate);
    return resampler.Ready() && resampler.Run(frames, count, FramesAfter(count, fromRate, toRate), out);
}

// Input frames at which both rates meet on a whole frame: a half may start only there.
size_t FramesPerMeeting(uint32_t fromRate, uint32_t toRate)
{
    return fromRate / std::gcd(fromRate, toRate);
}

// The two halves meet at input frame split (where both rates meet); each is converted with
// as much of the other as the filter reaches and keeps only its own output. Both follow the
// same steps over the same input there, so the seam gives the very frames one pass would.
bool ResampleInHalves(const std::vector<float>& frames, unsigned channels, uint32_t fromRate, uint32_t toRate,
                      std::vector<float>& resampled)
{
    Resampler firstResampler(channels, fromRate, toRate);
    Resampler secondResampler(channels, fromRate, toRate);
    if (!firstResampler.Ready() || !secondResampler.Ready())
        return false;
    const size_t step = FramesPerMeeting(fromRate, toRate);
    const size_t inFrames = frames.size() / channels;
    const size_t overlap = (firstResampler.Reach() + step) / step * step;
    const size_t split = inFrames / 2 / step * step;
    const size_t firstEnd = split + overlap < inFrames ? split + overlap : inFrames;
    const size_t secondStart = split > overlap ? split - overlap : 0;
    const size_t firstKeep = FramesAfter(split, fromRate, toRate);
    const size_t secondSkip = FramesAfter(split - secondStart, fromRate, toRate);
    const size_t secondCount = inFrames - secondStart;
    std::vector<float> first;
    std::vector<float> second;
    bool secondDone = false;
    std::thread other([&] {
        secondDone = secondResampler.Run(frames.data() + secondStart * channels, secondCount,
                                         FramesAfter(secondCount, fromRate, toRate), second);
    });
    const bool firstDone = firstResampler.Run(frames.data(), firstEnd, firstKeep, first);
    other.join();
    if (!firstDone || !secondDone)
        return false;
    resampled.swap(first);
    resampled.insert(resampled.end(), second.begin() + static_cast<std::ptrdiff_t>(secondSkip * channels),
                     second.end());
    return true;
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
    std::vector<float> stageInput = frames;
    for (uint32_t rate = fromRate; rate != toRate;) {
        const uint32_t next = NextRate(rate, toRate);
        std::vector<float> stageOutput;
        if (!ResampleStage(stageInput.data(), stageInput.size() / channels, channels, rate, next, stageOutput))
            return false;
        stageInput.swap(stageOutput);
        rate = next;
    }
    resampled.swap(stageInput);
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

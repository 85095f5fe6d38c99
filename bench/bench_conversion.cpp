// bench_conversion.exe make FOLDER | measure FOLDER BUILD RWVTOOL-SECONDS SOX-SECONDS
// The test sounds of the conversion benchmark and their figures. make writes, as 44.1 kHz
// stereo float waves, a 1 kHz sine, a 15 kHz sine and a multi-tone into FOLDER\waves, 60 s
// of music-like tones into FOLDER\speed, and a bank whose entries are 22.05 kHz mono 16-bit.
// measure reads what rwvtool pack made (the packages) and what sox made (FOLDER\sox) and
// prints one line per figure, rwvtool's beside sox's.
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bank/format.h"
#include "bank/wave.h"
#include "tools/bank_files.h"

namespace {

const double PI = 3.14159265358979323846;
const uint32_t IN_RATE = 44100;
const uint32_t OUT_RATE = 22050;
const double MINUS_1_DBFS = 0.8912509;
const double SINE_SECONDS = 1.5;
const double SPEED_SECONDS = 60.0;
const double THD_FREQUENCY = 1000.0;
const double ALIAS_FREQUENCY = 15000.0;
const double IMAGE_FREQUENCY = OUT_RATE - ALIAS_FREQUENCY;
// Tones from 20 Hz to 0.9 times the output's Nyquist frequency, each at -22 dBFS.
const double PASS_TONES[] = {20, 50, 100, 250, 500, 1000, 2000, 3000, 4000, 5000, 6000, 7000, 8000, 9000, 9922};
const double PASS_LEVEL = 0.08;
const char* const SOUNDS[] = {"thd.wav", "alias.wav", "pass.wav"};
const char SPEED_SOUND[] = "speed.wav";

using Signal = double (*)(double seconds);

double ThdSine(double t) { return MINUS_1_DBFS * std::sin(2 * PI * THD_FREQUENCY * t); }
double AliasSine(double t) { return MINUS_1_DBFS * std::sin(2 * PI * ALIAS_FREQUENCY * t); }
double MultiTone(double t)
{
    double sum = 0;
    for (double f : PASS_TONES)
        sum += PASS_LEVEL * std::sin(2 * PI * f * t);
    return sum;
}
double MusicLike(double t)
{
    return 0.3 * std::sin(2 * PI * 220 * t) + 0.2 * std::sin(2 * PI * 1318.5 * t + std::sin(3 * t)) +
           0.1 * std::sin(2 * PI * 5274 * t);
}

void PutLe16(Bytes& out, unsigned value)
{
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void PutLe(Bytes& out, uint32_t value)
{
    PutLe16(out, value & 0xFFFF);
    PutLe16(out, value >> 16);
}

// 44.1 kHz stereo 32-bit float, the same signal in both channels.
Bytes FloatWave(Signal signal, double seconds)
{
    const size_t frames = static_cast<size_t>(seconds * IN_RATE);
    Bytes wave = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' '};
    PutLe(wave, 18);
    PutLe16(wave, 3);
    PutLe16(wave, 2);
    PutLe(wave, IN_RATE);
    PutLe(wave, IN_RATE * 8);
    PutLe16(wave, 8);
    PutLe16(wave, 32);
    PutLe16(wave, 0);  // no extension: a float record carries its size field all the same
    wave.insert(wave.end(), {'d', 'a', 't', 'a'});
    PutLe(wave, static_cast<uint32_t>(frames * 8));
    wave.reserve(wave.size() + frames * 8);
    for (size_t i = 0; i < frames; ++i) {
        const float value = static_cast<float>(signal(static_cast<double>(i) / IN_RATE));
        uint8_t bytes[sizeof value];
        std::memcpy(bytes, &value, sizeof value);
        for (int channel = 0; channel < 2; ++channel)
            wave.insert(wave.end(), bytes, bytes + sizeof bytes);
    }
    PutLe32(wave.data() + 4, static_cast<uint32_t>(wave.size() - 8));
    return wave;
}

int Make(const std::string& folder)
{
    CreateDirectoryA((folder + "waves").c_str(), nullptr);
    CreateDirectoryA((folder + "speed").c_str(), nullptr);
    CreateDirectoryA((folder + "sox").c_str(), nullptr);
    const Signal signals[] = {ThdSine, AliasSine, MultiTone};
    std::vector<RwvEntry> entries;
    int32_t at = static_cast<int32_t>(RWV_HEADER_SIZE + RWV_ENTRY_SIZE * 4);
    for (size_t i = 0; i < 3; ++i) {
        WriteWholeFile(folder + "waves\\" + SOUNDS[i], FloatWave(signals[i], SINE_SECONDS));
        entries.push_back(MakeEntry(SOUNDS[i], at, 2));
        at += 2;
    }
    WriteWholeFile(folder + "speed\\" + SPEED_SOUND, FloatWave(MusicLike, SPEED_SECONDS));
    entries.push_back(MakeEntry(SPEED_SOUND, at, 2));
    return WriteBankFile(folder + "soundz.rwv", entries, static_cast<uint64_t>(at) + 2) ? 0 : 1;
}

std::vector<double> Samples16(const uint8_t* bytes, size_t size)
{
    std::vector<double> samples;
    for (size_t i = 0; i + 1 < size; i += 2)
        samples.push_back(static_cast<int16_t>(ReadLe16(bytes + i)) / 32768.0);
    return samples;
}

// The named entry's sound in a package that rwvtool pack wrote.
std::vector<double> PackageSound(const std::string& package, const char* name)
{
    const Bytes bytes = ReadWholeFile(package);
    if (bytes.size() < RWV_HEADER_SIZE)
        return {};
    const int32_t count = static_cast<int32_t>(ReadLe32(bytes.data() + 4));
    for (int32_t i = 0; i < count; ++i) {
        RwvEntry entry;
        std::memcpy(&entry, bytes.data() + RWV_HEADER_SIZE + RWV_ENTRY_SIZE * i, sizeof entry);
        if (std::strcmp(NameOf(entry).text, name) == 0)
            return Samples16(bytes.data() + RWV_HEADER_SIZE + entry.offset, static_cast<size_t>(entry.size));
    }
    return {};
}

// What sox wrote: a 16-bit wave.
std::vector<double> WaveSound(const std::string& path)
{
    const Bytes file = ReadWholeFile(path);
    const WaveByteReader read = [&file](int64_t at, uint8_t* bytes, size_t count) {
        if (at < 0 || static_cast<size_t>(at) + count > file.size())
            return false;
        std::memcpy(bytes, file.data() + at, count);
        return true;
    };
    const WaveLayout layout = FindWaveChunks(read, static_cast<int64_t>(file.size()));
    if (!layout.isWave)
        return {};
    return Samples16(file.data() + layout.soundAt, static_cast<size_t>(layout.soundSize));
}

// A sine of frequency fitted to one second of the middle: its sine and cosine parts, the
// mean, and the power of what the fit leaves.
struct SineFit {
    double sinePart;
    double cosinePart;
    double residualPower;
};

SineFit FitSine(const std::vector<double>& samples, double frequency)
{
    const size_t from = OUT_RATE / 4;
    const size_t count = OUT_RATE;
    SineFit fit = {0, 0, 0};
    if (samples.size() < from + count)
        return {0, 0, 1};
    double mean = 0;
    for (size_t i = from; i < from + count; ++i) {
        const double angle = 2 * PI * frequency * static_cast<double>(i) / OUT_RATE;
        fit.sinePart += 2 * samples[i] * std::sin(angle) / count;
        fit.cosinePart += 2 * samples[i] * std::cos(angle) / count;
        mean += samples[i] / count;
    }
    for (size_t i = from; i < from + count; ++i) {
        const double angle = 2 * PI * frequency * static_cast<double>(i) / OUT_RATE;
        const double rest = samples[i] - mean - fit.sinePart * std::sin(angle) - fit.cosinePart * std::cos(angle);
        fit.residualPower += rest * rest / count;
    }
    return fit;
}

double Amplitude(const SineFit& fit) { return std::hypot(fit.sinePart, fit.cosinePart); }

double ThdPlusNoise(const std::vector<double>& samples)
{
    const SineFit fit = FitSine(samples, THD_FREQUENCY);
    const double signalPower = Amplitude(fit) * Amplitude(fit) / 2;
    return 10 * std::log10(fit.residualPower / signalPower);
}

// The output lags the input by this many output samples (negative: it leads).
double Delay(const std::vector<double>& samples)
{
    const SineFit fit = FitSine(samples, THD_FREQUENCY);
    const double phase = std::atan2(fit.cosinePart, fit.sinePart);
    return -phase / (2 * PI * THD_FREQUENCY) * OUT_RATE;
}

double AliasLevel(const std::vector<double>& samples)
{
    return 20 * std::log10(Amplitude(FitSine(samples, IMAGE_FREQUENCY)) / MINUS_1_DBFS);
}

double PassbandDeviation(const std::vector<double>& samples)
{
    double worst = 0;
    for (double f : PASS_TONES) {
        const double deviation = std::fabs(20 * std::log10(Amplitude(FitSine(samples, f)) / PASS_LEVEL));
        worst = deviation > worst ? deviation : worst;
    }
    return worst;
}

struct Sounds {
    std::vector<double> thd, alias, pass;
};

int Measure(const std::string& folder, const char* build, double rwvtoolSeconds, double soxSeconds)
{
    const std::string package = folder + "waves\\NewPack.rwv";
    const Sounds ours = {PackageSound(package, SOUNDS[0]), PackageSound(package, SOUNDS[1]),
                         PackageSound(package, SOUNDS[2])};
    const std::string sox = folder + "sox\\";
    const Sounds theirs = {WaveSound(sox + SOUNDS[0]), WaveSound(sox + SOUNDS[1]), WaveSound(sox + SOUNDS[2])};
    if (ours.thd.empty() || theirs.thd.empty()) {
        std::printf("Conversion: no converted sounds to measure (%s)\n", build);
        return 1;
    }
    const long inFrames = static_cast<long>(SINE_SECONDS * IN_RATE);
    std::printf("Conversion THD+N, 1 kHz: rwvtool %.1f dB, sox %.1f dB (%s)\n", ThdPlusNoise(ours.thd),
                ThdPlusNoise(theirs.thd), build);
    std::printf("Conversion alias rejection, 15 kHz to 7.05 kHz: rwvtool %.1f dB, sox %.1f dB (%s)\n",
                AliasLevel(ours.alias), AliasLevel(theirs.alias), build);
    std::printf("Conversion passband, 20 Hz to 9.92 kHz: rwvtool +-%.3f dB, sox +-%.3f dB (%s)\n",
                PassbandDeviation(ours.pass), PassbandDeviation(theirs.pass), build);
    std::printf("Conversion length, %ld frames to %ld: rwvtool %zu, sox %zu (%s)\n", inFrames,
                std::lround(inFrames * static_cast<double>(OUT_RATE) / IN_RATE), ours.thd.size(),
                theirs.thd.size(), build);
    std::printf("Conversion delay: rwvtool %.2f samples, sox %.2f samples (%s)\n", Delay(ours.thd),
                Delay(theirs.thd), build);
    std::printf("Conversion speed, 60 s: rwvtool %.2f s, sox %.2f s, ratio %.1f (%s)\n", rwvtoolSeconds,
                soxSeconds, rwvtoolSeconds / soxSeconds, build);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "make") == 0)
        return Make(argv[2]);
    if (argc == 6 && std::strcmp(argv[1], "measure") == 0)
        return Measure(argv[2], argv[3], std::atof(argv[4]), std::atof(argv[5]));
    std::fprintf(stderr, "usage: bench_conversion make FOLDER | measure FOLDER BUILD RWVTOOL-SECONDS SOX-SECONDS\n");
    return 2;
}

// make_demo.exe <folder>: a demo bank and a folder of replacement waves to try all three operations on.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tools/bank_files.h"

namespace {

struct DemoSound {
    const char* name;
    int32_t bankBytes;  // data held by the bank
    int32_t waveBytes;  // data of the replacement wave, 0 for none
};

// Shorter replacements are merged in place (REPLACE), longer ones at the end (APPEND).
const DemoSound SOUNDS[] = {
    {"shot.wav", 8000, 6000},   {"engine.wav", 20000, 30000}, {"horn.wav", 12000, 12000},
    {"crash.wav", 16000, 0},    {"siren.wav", 10000, 14000},  {"rain.wav", 24000, 0},
};
// Bytes between two entries' data that no entry covers, so the statistics show some waste.
const int32_t GAP = 4096;

std::string WithBackslash(std::string folder)
{
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/')
        folder += '\\';
    return folder;
}

bool MakeFolder(const std::string& folder)
{
    return CreateDirectoryA(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool WriteDemoBank(const std::string& path)
{
    const size_t count = sizeof SOUNDS / sizeof SOUNDS[0];
    Bytes directory, data;
    int32_t offset = static_cast<int32_t>(RWV_HEADER_SIZE + RWV_ENTRY_SIZE * count);
    int seed = 0;
    for (const DemoSound& sound : SOUNDS) {
        RwvEntry entry = MakeEntry(sound.name, offset, sound.bankBytes);
        const Bytes format = WaveFormatBytes();
        std::copy(format.begin(), format.end(), entry.format);
        const Bytes record = EntryBytes(entry);
        directory.insert(directory.end(), record.begin(), record.end());
        const Bytes tone = ToneData(static_cast<size_t>(sound.bankBytes), seed++);
        data.insert(data.end(), tone.begin(), tone.end());
        data.insert(data.end(), GAP, 0);
        offset += sound.bankBytes + GAP;
    }
    Bytes bank = GoodHeaderBytes(static_cast<int32_t>(count));
    bank.insert(bank.end(), directory.begin(), directory.end());
    bank.insert(bank.end(), data.begin(), data.end());
    if (!WriteWholeFile(path, bank))
        return false;
    std::printf("%s: %u entries, %u bytes\n", path.c_str(), static_cast<unsigned>(count),
                static_cast<unsigned>(bank.size()));
    for (const DemoSound& sound : SOUNDS)
        std::printf("  %-12s %6d bytes\n", sound.name, sound.bankBytes);
    return true;
}

bool WriteDemoWaves(const std::string& waves)
{
    int seed = 10;
    for (const DemoSound& sound : SOUNDS) {
        if (sound.waveBytes == 0)
            continue;
        const char* action = sound.waveBytes > sound.bankBytes ? "APPEND" : "REPLACE";
        if (!WriteWaveFile(waves + sound.name, 16, ToneData(static_cast<size_t>(sound.waveBytes), seed++)))
            return false;
        std::printf("%s%s: wave of %d bytes (Insert Package will %s)\n", waves.c_str(), sound.name,
                    sound.waveBytes, action);
    }
    const Bytes list = {'I', 'N', 'F', 'O'};
    if (!WriteWaveFile(waves + "unknown.wav", 16, ToneData(5000, seed), &list))
        return false;
    std::printf("%sunknown.wav: wave whose name the bank lacks (NOT OK)\n", waves.c_str());
    const std::string text = "This file only carries the .wav extension.\r\n";
    if (!WriteWholeFile(waves + "notawave.wav", Bytes(text.begin(), text.end())))
        return false;
    std::printf("%snotawave.wav: text, no wave (NOT OK)\n", waves.c_str());
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_demo.exe <folder>\n");
        return 2;
    }
    const std::string folder = WithBackslash(argv[1]);
    const std::string waves = folder + "waves\\";
    if (!MakeFolder(folder) || !MakeFolder(waves)) {
        std::fprintf(stderr, "cannot create %s\n", waves.c_str());
        return 1;
    }
    if (!WriteDemoBank(folder + "soundz.rwv") || !WriteDemoWaves(waves)) {
        std::fprintf(stderr, "cannot write the demo files in %s\n", folder.c_str());
        return 1;
    }
    std::printf("Create Package: waves folder %s, bank folder %s\n", waves.c_str(), folder.c_str());
    std::printf("Insert Package: the folder holding NewPack.rwv (%s), bank folder %s\n", waves.c_str(),
                folder.c_str());
    return 0;
}

// Wave heads parsed and written from byte arrays, and format records told in words.
#include "bank/wave.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

const size_t TAG_SIZE = 4;
const size_t RIFF_AT = 0;
const size_t WAVE_AT = 8;
const size_t FMT_AT = 12;
const size_t FMT_LENGTH_AT = 16;
const size_t FORMAT_AT = 20;
const size_t LENGTH_FIELD_SIZE = 4;
// "RIFF", its size and "WAVE" come before the first chunk.
const int64_t FIRST_CHUNK_AT = 12;
const int64_t CHUNK_HEAD_SIZE = 8;
// A package carries 16 format bytes; a shorter record would lend it bytes of the next chunk.
const int32_t FORMAT_RECORD_MIN_LENGTH = 16;
// The length a writer streaming to a pipe leaves in "data": it could not go back to fill it in.
const uint32_t STREAMED_LENGTH = 0xFFFFFFFF;
// "WAVE", the whole 16-byte "fmt " chunk, "data" and its size: what the RIFF size counts
// besides the sound.
const uint32_t RIFF_HEAD_AFTER_SIZE = 36;
const size_t DATA_AT = 36;
const size_t DATA_SIZE_AT = 40;
const uint32_t CHUNK_ALIGNMENT = 2;
// Chunk ids are four printable ASCII characters.
const uint8_t FIRST_PRINTABLE = 0x20;
const uint8_t LAST_PRINTABLE = 0x7E;

// Where the format record keeps its fields.
const size_t TAG_FIELD_AT = 0;
const size_t CHANNELS_AT = 2;
const size_t SAMPLES_PER_SECOND_AT = 4;
const size_t BYTES_PER_SECOND_AT = 8;
const size_t BLOCK_ALIGN_AT = 12;
const size_t BITS_PER_SAMPLE_AT = 14;

const unsigned PCM_TAG = 1;
const double HERTZ_PER_KILOHERTZ = 1000.0;

struct TagName {
    unsigned tag;
    const char* name;
};
const TagName TAG_NAMES[] = {{PCM_TAG, "PCM"}, {2, "ADPCM"}, {3, "float"}, {6, "A-law"},
                             {7, "mu-law"}, {0x11, "IMA ADPCM"}, {0xFFFE, "extensible"}};

// Tags are compared with A-Z folded, as the window always compared them.
bool TagMatches(const uint8_t* bytes, const char* tag)
{
    for (size_t i = 0; i < TAG_SIZE; ++i) {
        if (FoldAsciiLetter(static_cast<char>(bytes[i])) != FoldAsciiLetter(tag[i]))
            return false;
    }
    return true;
}

struct ChunkHead {
    uint8_t id[TAG_SIZE];
    uint32_t length;
    int64_t at;
};

bool ReadChunkHead(const WaveByteReader& read, int64_t at, ChunkHead& chunk)
{
    uint8_t head[CHUNK_HEAD_SIZE];
    if (!read(at, head, sizeof head))
        return false;
    std::memcpy(chunk.id, head, TAG_SIZE);
    chunk.length = ReadLe32(head + TAG_SIZE);
    chunk.at = at;
    return true;
}

bool IsChunkId(const uint8_t* id)
{
    for (size_t i = 0; i < TAG_SIZE; ++i) {
        if (id[i] < FIRST_PRINTABLE || id[i] > LAST_PRINTABLE)
            return false;
    }
    return true;
}

bool ChunkIdAt(const WaveByteReader& read, int64_t at)
{
    uint8_t id[TAG_SIZE];
    return read(at, id, sizeof id) && IsChunkId(id);
}

int64_t BodyEnd(const ChunkHead& chunk)
{
    return chunk.at + CHUNK_HEAD_SIZE + chunk.length;
}

// RIFF pads a body of odd length with one byte, a zero. Some writers leave the pad out: where
// the byte after the body is no zero but starts a chunk id, the next chunk starts there.
int64_t NextChunkAt(const WaveByteReader& read, const ChunkHead& chunk)
{
    const int64_t end = BodyEnd(chunk);
    if (chunk.length % CHUNK_ALIGNMENT == 0)
        return end;
    uint8_t pad = 0;
    if (read(end, &pad, 1) && pad != 0 && ChunkIdAt(read, end))
        return end;
    return end + 1;
}

// Whether the bytes from at on are whole chunks up to the file's end: then an empty "data"
// before them is an empty sound, not one whose writer streamed it to a pipe.
bool WholeChunksFrom(const WaveByteReader& read, int64_t at, int64_t fileSize)
{
    while (at + CHUNK_HEAD_SIZE <= fileSize) {
        ChunkHead chunk;
        if (!ReadChunkHead(read, at, chunk) || !IsChunkId(chunk.id))
            return false;
        at = BodyEnd(chunk) + chunk.length % CHUNK_ALIGNMENT;
    }
    return at >= fileSize && at <= fileSize + 1;
}

bool TakeFormatRecord(const WaveByteReader& read, const ChunkHead& chunk, int64_t fileSize, WaveLayout& layout)
{
    if (static_cast<int32_t>(chunk.length) < FORMAT_RECORD_MIN_LENGTH || BodyEnd(chunk) > fileSize)
        return false;
    layout.recordLength = chunk.length < WAVE_FORMAT_RECORD_MAX ? chunk.length : WAVE_FORMAT_RECORD_MAX;
    if (!read(chunk.at + CHUNK_HEAD_SIZE, layout.record, layout.recordLength))
        return false;
    std::memcpy(layout.format, layout.record, sizeof layout.format);
    return true;
}

// A streamed sound is the rest of the file, cut to whole frames.
void TakeSound(const WaveByteReader& read, const ChunkHead& chunk, int64_t fileSize, WaveLayout& layout)
{
    layout.soundAt = chunk.at + CHUNK_HEAD_SIZE;
    const bool streamed = chunk.length == STREAMED_LENGTH ||
                          (chunk.length == 0 && !WholeChunksFrom(read, layout.soundAt, fileSize));
    if (streamed) {
        const uint16_t blockAlign = ReadLe16(layout.format + BLOCK_ALIGN_AT);
        const int64_t rest = fileSize - layout.soundAt;
        layout.soundSize = blockAlign == 0 ? rest : rest - rest % blockAlign;
    } else {
        layout.soundSize = chunk.length;
    }
    layout.isWave = layout.soundSize <= INT32_MAX && layout.soundAt + layout.soundSize <= fileSize;
}

std::string Printed(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Printed(const char* format, ...)
{
    char text[64];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

std::string TagWords(unsigned tag)
{
    for (const TagName& known : TAG_NAMES) {
        if (known.tag == tag)
            return known.name;
    }
    return Printed("format 0x%04X", tag);
}

}  // namespace

std::string ChannelWords(unsigned channels)
{
    if (channels == 1)
        return "mono";
    if (channels == 2)
        return "stereo";
    return Printed("%u channels", channels);
}

uint16_t ReadLe16(const uint8_t* at)
{
    return static_cast<uint16_t>(at[0] | (at[1] << 8));
}

uint32_t ReadLe32(const uint8_t* at)
{
    return static_cast<uint32_t>(at[0]) | (static_cast<uint32_t>(at[1]) << 8) |
           (static_cast<uint32_t>(at[2]) << 16) | (static_cast<uint32_t>(at[3]) << 24);
}

void PutLe32(uint8_t* at, uint32_t value)
{
    for (size_t i = 0; i < LENGTH_FIELD_SIZE; ++i)
        at[i] = static_cast<uint8_t>(value >> (8 * i));
}

WaveLayout FindWaveChunks(const WaveByteReader& read, int64_t fileSize)
{
    WaveLayout layout = {};
    uint8_t riff[FIRST_CHUNK_AT];
    if (!read(RIFF_AT, riff, sizeof riff) || !TagMatches(riff + RIFF_AT, "RIFF") ||
        !TagMatches(riff + WAVE_AT, "WAVE"))
        return layout;
    bool formatSeen = false;
    for (int64_t at = FIRST_CHUNK_AT; at + CHUNK_HEAD_SIZE <= fileSize;) {
        ChunkHead chunk;
        if (!ReadChunkHead(read, at, chunk))
            return layout;
        if (TagMatches(chunk.id, "data")) {
            if (formatSeen)
                TakeSound(read, chunk, fileSize, layout);
            return layout;
        }
        if (!formatSeen && TagMatches(chunk.id, "fmt ")) {
            if (!TakeFormatRecord(read, chunk, fileSize, layout))
                return layout;
            formatSeen = true;
        }
        at = NextChunkAt(read, chunk);
    }
    return layout;
}

uint32_t WavePadOf(uint32_t soundSize)
{
    return soundSize % CHUNK_ALIGNMENT;
}

void MakeWaveHead(const uint8_t (&format)[RWV_FORMAT_SIZE], uint32_t soundSize,
                  uint8_t (&head)[WRITTEN_WAVE_HEAD_SIZE])
{
    std::memcpy(head + RIFF_AT, "RIFF", TAG_SIZE);
    PutLe32(head + RIFF_AT + TAG_SIZE, RIFF_HEAD_AFTER_SIZE + soundSize + WavePadOf(soundSize));
    std::memcpy(head + WAVE_AT, "WAVE", TAG_SIZE);
    std::memcpy(head + FMT_AT, "fmt ", TAG_SIZE);
    PutLe32(head + FMT_LENGTH_AT, static_cast<uint32_t>(RWV_FORMAT_SIZE));
    std::memcpy(head + FORMAT_AT, format, RWV_FORMAT_SIZE);
    std::memcpy(head + DATA_AT, "data", TAG_SIZE);
    PutLe32(head + DATA_SIZE_AT, soundSize);
}

WaveFormat DecodeWaveFormat(const uint8_t (&format)[RWV_FORMAT_SIZE])
{
    return {ReadLe16(format + TAG_FIELD_AT), ReadLe16(format + CHANNELS_AT), ReadLe32(format + SAMPLES_PER_SECOND_AT),
            ReadLe32(format + BYTES_PER_SECOND_AT), ReadLe16(format + BITS_PER_SAMPLE_AT)};
}

bool PlaysAlike(const WaveFormat& a, const WaveFormat& b)
{
    return a.formatTag == b.formatTag && a.channels == b.channels && a.samplesPerSecond == b.samplesPerSecond &&
           a.bitsPerSample == b.bitsPerSample;
}

std::string DescribeFormat(const WaveFormat& format)
{
    // "%g" drops the zeros a rate in whole kilohertz would carry: 22.05, 44.1, 8.
    return TagWords(format.formatTag) + Printed(" %u-bit ", format.bitsPerSample) + ChannelWords(format.channels) +
           Printed(" %g kHz", static_cast<double>(format.samplesPerSecond) / HERTZ_PER_KILOHERTZ);
}

std::string DescribeFormatFigures(const WaveFormat& format)
{
    const std::string tag = format.formatTag == PCM_TAG ? "" : TagWords(format.formatTag) + " ";
    return tag + Printed("%lu Hz %u channel%s %u bit", format.samplesPerSecond, format.channels,
                         format.channels == 1 ? "" : "s", format.bitsPerSample);
}

double PlayingSeconds(const WaveFormat& format, int64_t bytes)
{
    if (format.bytesPerSecond == 0)
        return -1.0;
    return static_cast<double>(bytes) / static_cast<double>(format.bytesPerSecond);
}

// Sizes, playing times and text widths for rwvtool's tables.
#include "cli/sound_figures.h"

#include <cstdio>

namespace {

const double BYTES_PER_KILOBYTE = 1024.0;
const unsigned char CONTINUATION_MASK = 0xC0;
const unsigned char CONTINUATION_VALUE = 0x80;

}  // namespace

double Kilobytes(int64_t bytes)
{
    return static_cast<double>(bytes) / BYTES_PER_KILOBYTE;
}

std::string Duration(double seconds)
{
    if (seconds < 0)
        return "?";
    char text[32];
    std::snprintf(text, sizeof text, "%.2f s", seconds);
    return text;
}

std::string DurationOf(const uint8_t (&format)[RWV_FORMAT_SIZE], int64_t bytes)
{
    return Duration(PlayingSeconds(DecodeWaveFormat(format), bytes));
}

int ColumnsOf(const std::string& text)
{
    int columns = 0;
    for (const char c : text)
        columns += (static_cast<unsigned char>(c) & CONTINUATION_MASK) == CONTINUATION_VALUE ? 0 : 1;
    return columns;
}

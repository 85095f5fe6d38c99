// Figures of sounds as rwvtool's tables show them: sizes in KB, playing times, name widths.
#pragma once

#include <cstdint>
#include <string>

#include "bank/wave.h"

double Kilobytes(int64_t bytes);
// "0.36 s", or "?" when the format gives no rate.
std::string Duration(double seconds);
std::string DurationOf(const uint8_t (&format)[RWV_FORMAT_SIZE], int64_t bytes);
// The columns a UTF-8 text takes: its continuation bytes take none.
int ColumnsOf(const std::string& text);

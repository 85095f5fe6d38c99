// Messages and progress on standard error.
#include "cli/console.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>

namespace {

const int NOTHING_SHOWN = -1;
// Room for one listed entry or one report (the statistics report is the longest).
const size_t RESULT_LINE_SIZE = 512;
const int64_t PERCENT = 100;
// Wide enough for the longest activity name and its percentage.
const int PROGRESS_LINE_WIDTH = 40;

// Set once a result could not be written in full; standard output's own error flag tells
// the rest.
bool resultLost = false;

bool StandardErrorIsConsole()
{
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != FALSE;
}

}  // namespace

void PrintResult(const char* format, ...)
{
    char text[RESULT_LINE_SIZE];
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (length <= 0)
        return;
    const size_t size = static_cast<size_t>(length) < sizeof text ? static_cast<size_t>(length) : sizeof text - 1;
    if (std::fwrite(text, 1, size, stdout) != size)
        resultLost = true;
}

bool FinishResults()
{
    const bool flushed = std::fflush(stdout) == 0;
    return flushed && !resultLost && !std::ferror(stdout);
}

void PrintMessage(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
}

ConsoleObserver::ConsoleObserver(const char* activity)
    : activity_(activity), console_(StandardErrorIsConsole()), shown_(NOTHING_SHOWN)
{
}

ConsoleObserver::~ConsoleObserver()
{
    ClearProgress();
}

void ConsoleObserver::ClearProgress()
{
    if (shown_ == NOTHING_SHOWN)
        return;
    std::fprintf(stderr, "\r%*s\r", PROGRESS_LINE_WIDTH, "");
    std::fflush(stderr);
    shown_ = NOTHING_SHOWN;
}

void ConsoleObserver::Problem(const std::string& line)
{
    ClearProgress();
    PrintMessage("%s", line.c_str());
}

void ConsoleObserver::Progress(int64_t done, int64_t total)
{
    if (!console_ || total <= 0)
        return;
    const int percent = static_cast<int>(done * PERCENT / total);
    if (percent == shown_)
        return;
    shown_ = percent;
    std::fprintf(stderr, "\r%s: %3d%%", activity_, percent);
    std::fflush(stderr);
}

// Where rwvtool's words go: results on standard output, messages and progress on standard
// error, progress only when standard error is a console.
#pragma once

#include <cstdint>
#include <string>

#include "bank/work_observer.h"

// Formatted text on standard output. Formatted here and written as a whole, since formatting
// straight into the stream is many times slower for listings of many lines.
void PrintResult(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Flushes standard output; false when anything written there since the start was lost.
bool FinishResults();
// One message line on standard error.
void PrintMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Prints each problem as a message line and, on a console, a percentage that rewrites its
// own line; redirected, nothing but the problems.
class ConsoleObserver : public WorkObserver {
public:
    explicit ConsoleObserver(const char* activity);
    ~ConsoleObserver() override;
    void Problem(const std::string& line) override;
    void Progress(int64_t done, int64_t total) override;

private:
    void ClearProgress();

    const char* activity_;
    bool console_;
    int shown_;  // percentage on screen, or NOTHING_SHOWN
};

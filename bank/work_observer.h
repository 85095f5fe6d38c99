// What long file work tells its caller while it runs: entries it passes over, and progress.
#pragma once

#include <cstdint>
#include <string>

class WorkObserver {
public:
    virtual ~WorkObserver() = default;
    // One entry refused or skipped (or one reason the whole work was refused); work goes on.
    virtual void Problem(const std::string& line) = 0;
    // done of total bytes copied so far.
    virtual void Progress(int64_t done, int64_t total) = 0;
};

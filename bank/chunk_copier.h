// Copying byte ranges between files through one bounded buffer, so that banks of any size
// are copied in the memory of a 32-bit program.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "bank/work_observer.h"

const DWORD COPY_CHUNK_SIZE = 4u << 20;

class ChunkCopier {
public:
    // total: the bytes all calls of Copy will copy together, for the progress figures.
    ChunkCopier(WorkObserver& observer, int64_t total);
    // false when the buffer could not be had; Copy then copies nothing.
    bool HasBuffer() const { return buffer_ != nullptr; }
    // Copies length bytes from position at of source to target's current position, after
    // headLength bytes of head written in the same first write (one write per small file);
    // false unless every byte was read and written.
    bool Copy(HANDLE source, int64_t at, int64_t length, HANDLE target, const void* head = nullptr,
              DWORD headLength = 0);

private:
    WorkObserver& observer_;
    std::unique_ptr<uint8_t[]> buffer_;
    int64_t done_;
    int64_t total_;
};

// Bounded-buffer copying with progress after every chunk.
#include "bank/chunk_copier.h"

#include <new>

#include "bank/file_io.h"

ChunkCopier::ChunkCopier(WorkObserver& observer, int64_t total)
    : observer_(observer), buffer_(new (std::nothrow) uint8_t[COPY_CHUNK_SIZE]), done_(0), total_(total)
{
}

bool ChunkCopier::Copy(HANDLE source, int64_t at, int64_t length, HANDLE target)
{
    if (!buffer_ || !SeekTo(source, at))
        return false;
    while (length > 0) {
        const DWORD chunk = length < COPY_CHUNK_SIZE ? static_cast<DWORD>(length) : COPY_CHUNK_SIZE;
        if (!ReadExactly(source, buffer_.get(), chunk) || !WriteExactly(target, buffer_.get(), chunk))
            return false;
        length -= chunk;
        done_ += chunk;
        observer_.Progress(done_, total_);
    }
    return true;
}

// Bounded-buffer copying with progress after every chunk.
#include "bank/chunk_copier.h"

#include <cstring>
#include <new>

#include "bank/file_io.h"

ChunkCopier::ChunkCopier(WorkObserver& observer, int64_t total)
    : observer_(observer), buffer_(new (std::nothrow) uint8_t[COPY_CHUNK_SIZE]), done_(0), total_(total)
{
}

bool ChunkCopier::Copy(HANDLE source, int64_t at, int64_t length, HANDLE target, const void* head, DWORD headLength)
{
    if (!buffer_ || headLength >= COPY_CHUNK_SIZE || !SeekTo(source, at))
        return false;
    if (headLength > 0)
        std::memcpy(buffer_.get(), head, headLength);
    DWORD filled = headLength;
    do {
        const DWORD room = COPY_CHUNK_SIZE - filled;
        const DWORD chunk = length < room ? static_cast<DWORD>(length) : room;
        if (!ReadExactly(source, buffer_.get() + filled, chunk) || !WriteExactly(target, buffer_.get(), filled + chunk))
            return false;
        length -= chunk;
        done_ += chunk;
        filled = 0;
        observer_.Progress(done_, total_);
    } while (length > 0);
    return true;
}

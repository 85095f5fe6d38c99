// Blocks that grow in place inside a reserved address range, moving only when it runs out.
#include "bank/growing_block.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

// The block's bookkeeping sits in front of its contents, in the block's first page, so
// that the pointer alone leads back to it as a global block's pointer leads to its handle.
struct RangeHeader {
    size_t rangeBytes;      // reserved, header included
    size_t committedBytes;  // committed from the range's start, header included
    size_t size;            // the block's size as its owner sees it
};
const size_t HEADER_BYTES = 32;  // keeps the contents 16-byte aligned
static_assert(sizeof(RangeHeader) <= HEADER_BYTES, "header fits its slot");

size_t PageSize()
{
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwPageSize;
}

// Rounds n up to whole pages; false when that does not fit a size_t.
bool PagesFor(size_t contentBytes, size_t& total)
{
    const size_t page = PageSize();
    if (contentBytes > SIZE_MAX - HEADER_BYTES - page)
        return false;
    total = (HEADER_BYTES + contentBytes + page - 1) / page * page;
    return true;
}

RangeHeader* HeaderOf(const void* block)
{
    return reinterpret_cast<RangeHeader*>(static_cast<char*>(const_cast<void*>(block)) - HEADER_BYTES);
}

void* ContentsOf(RangeHeader* header)
{
    return reinterpret_cast<char*>(header) + HEADER_BYTES;
}

// Reserves room for contentBytes and commits the first page; null when it cannot.
RangeHeader* ReserveRange(size_t contentBytes)
{
    size_t rangeBytes = 0;
    if (!PagesFor(contentBytes, rangeBytes))
        return nullptr;
    void* base = VirtualAlloc(nullptr, rangeBytes, MEM_RESERVE, PAGE_NOACCESS);
    if (base == nullptr)
        return nullptr;
    const size_t page = PageSize();
    if (VirtualAlloc(base, page, MEM_COMMIT, PAGE_READWRITE) == nullptr) {
        VirtualFree(base, 0, MEM_RELEASE);
        return nullptr;
    }
    RangeHeader* header = static_cast<RangeHeader*>(base);
    header->rangeBytes = rangeBytes;
    header->committedBytes = page;
    header->size = 0;
    return header;
}

// Commits or decommits pages so that they just cover newSize bytes of contents.
bool CommitFor(RangeHeader* header, size_t newSize)
{
    size_t wanted = 0;
    if (!PagesFor(newSize, wanted) || wanted > header->rangeBytes)
        return false;
    char* base = reinterpret_cast<char*>(header);
    if (wanted > header->committedBytes) {
        if (VirtualAlloc(base + header->committedBytes, wanted - header->committedBytes,
                         MEM_COMMIT, PAGE_READWRITE) == nullptr)
            return false;
    } else if (wanted < header->committedBytes) {
        VirtualFree(base + wanted, header->committedBytes - wanted, MEM_DECOMMIT);
    }
    header->committedBytes = wanted;
    header->size = newSize;
    return true;
}

// Growth past the range: a new range, twice as large when the process can spare it.
bool MoveToLargerRange(void*& block, size_t newSize)
{
    RangeHeader* old = HeaderOf(block);
    const size_t doubled = (old->rangeBytes <= SIZE_MAX / 2) ? old->rangeBytes * 2 : newSize;
    RangeHeader* moved = ReserveRange(std::max(newSize, doubled));
    if (moved == nullptr)
        moved = ReserveRange(newSize);
    if (moved == nullptr)
        return false;
    if (!CommitFor(moved, newSize)) {
        VirtualFree(moved, 0, MEM_RELEASE);
        return false;
    }
    std::memcpy(ContentsOf(moved), block, std::min(old->size, newSize));
    VirtualFree(old, 0, MEM_RELEASE);
    block = ContentsOf(moved);
    return true;
}

}  // namespace

void* CreateGrowingBlock(size_t reserveHint)
{
    RangeHeader* header = ReserveRange(std::max<size_t>(reserveHint, 1));
    if (header == nullptr)
        header = ReserveRange(1);
    if (header == nullptr)
        return nullptr;
    header->size = 1;
    return ContentsOf(header);
}

bool ResizeGrowingBlock(void*& block, size_t newSize)
{
    newSize = std::max<size_t>(newSize, 1);
    RangeHeader* header = HeaderOf(block);
    if (newSize <= header->rangeBytes - HEADER_BYTES)
        return CommitFor(header, newSize);
    return MoveToLargerRange(block, newSize);
}

size_t GrowingBlockSize(const void* block)
{
    return HeaderOf(block)->size;
}

size_t GrowingBlockReserved(const void* block)
{
    return HeaderOf(block)->rangeBytes - HEADER_BYTES;
}

size_t GrowingBlockCommitted(const void* block)
{
    return HeaderOf(block)->committedBytes - HEADER_BYTES;
}

void FreeGrowingBlock(void* block)
{
    if (block != nullptr)
        VirtualFree(HeaderOf(block), 0, MEM_RELEASE);
}

// Plain global memory blocks: moveable, kept locked, freed from the pointer.
#include "bank/global_block.h"

#include <windows.h>

namespace {

void* AllocLocked(UINT flags, size_t size)
{
    HGLOBAL handle = GlobalAlloc(flags, size > 0 ? size : 1);
    if (handle == nullptr)
        return nullptr;
    void* block = GlobalLock(handle);
    if (block == nullptr)
        GlobalFree(handle);
    return block;
}

}  // namespace

void* AllocLockedBlock(size_t size)
{
    return AllocLocked(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
}

void* AllocLockedBlockForRead(size_t size)
{
    volatile BYTE* block = static_cast<BYTE*>(AllocLocked(GMEM_MOVEABLE, size));
    if (block == nullptr)
        return nullptr;
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    for (size_t at = 0; at < size; at += info.dwPageSize)
        block[at] = 0;
    return const_cast<BYTE*>(block);
}

void FreeLockedBlock(void* block)
{
    if (block == nullptr)
        return;
    HGLOBAL handle = GlobalHandle(block);
    GlobalUnlock(handle);
    GlobalFree(handle);
}

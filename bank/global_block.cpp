// Plain global memory blocks: moveable, zero-filled, kept locked, freed from the pointer.
#include "bank/global_block.h"

#include <windows.h>

void* AllocLockedBlock(size_t size)
{
    HGLOBAL handle = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size > 0 ? size : 1);
    if (handle == nullptr)
        return nullptr;
    void* block = GlobalLock(handle);
    if (block == nullptr)
        GlobalFree(handle);
    return block;
}

void FreeLockedBlock(void* block)
{
    if (block == nullptr)
        return;
    HGLOBAL handle = GlobalHandle(block);
    GlobalUnlock(handle);
    GlobalFree(handle);
}

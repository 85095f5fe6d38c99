// Plain global memory blocks: moveable, zero-filled, locked at once, freed from the pointer.
#pragma once

#include <cstddef>

// A locked block of size bytes (at least 1), all zero; null when it could not be had.
void* AllocLockedBlock(size_t size);
// Frees a block from AllocLockedBlock through the handle got back from its pointer.
void FreeLockedBlock(void* block);

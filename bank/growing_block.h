// Blocks that grow in place inside an address range reserved in advance.
#pragma once

#include <cstddef>

// Growing a global block copies it whole at every growth, which makes building a package
// quadratic in its size. A growing block reserves address space once (reserveHint bytes,
// as far as the process can spare them) and commits pages as its size grows; its committed
// pages always just cover its exact size. Growth past the reserved range moves the block
// to a larger range, so it is never worse than moving reallocation.

// A block of 1 byte, all zero, with room reserved for reserveHint bytes; null on failure.
void* CreateGrowingBlock(size_t reserveHint);
// Sets the block's size to exactly newSize (at least 1), growing or shrinking it. Bytes
// added need not be zero. On success block may have moved; on failure it is unchanged.
bool ResizeGrowingBlock(void*& block, size_t newSize);
size_t GrowingBlockSize(const void* block);
// Bytes of address space reserved for the block's contents and bytes committed for them.
size_t GrowingBlockReserved(const void* block);
size_t GrowingBlockCommitted(const void* block);
void FreeGrowingBlock(void* block);

// Entries that share a name, as name matching sees them: only the first is ever found.
#pragma once

#include <cstdint>
#include <vector>

#include "bank/format.h"

// For every entry, the index of the first entry whose name matches its name (letter case
// folded as matching folds it): its own index unless an earlier entry shadows it. Names
// without a NUL never match anything and stay their own first.
std::vector<int32_t> FirstEntriesByName(const RwvEntry* entries, int32_t count);

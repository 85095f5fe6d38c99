// One directory search, its handle closed by its owner.
#include "bank/directory_search.h"

#include <cstring>

DirectorySearch::DirectorySearch(const char* pattern)
    : search(INVALID_HANDLE_VALUE), found(false)
{
    if (std::strlen(pattern) >= MAX_PATH)
        return;
    search = FindFirstFileA(pattern, &match);
    found = search != INVALID_HANDLE_VALUE;
}

DirectorySearch::~DirectorySearch()
{
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
}

bool DirectorySearch::Next()
{
    found = found && FindNextFileA(search, &match);
    return found;
}

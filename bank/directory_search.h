// One directory search: the owner of its search handle, which closes it on every path.
#pragma once

#include <windows.h>

// Walks the names matching a pattern (wildcards allowed in its last part) in the order the
// file system delivers them:
//     for (DirectorySearch search(pattern); search.Found(); search.Next()) ...
class DirectorySearch {
public:
    // A pattern that does not fit MAX_PATH matches nothing.
    explicit DirectorySearch(const char* pattern);
    ~DirectorySearch();
    DirectorySearch(const DirectorySearch&) = delete;
    DirectorySearch& operator=(const DirectorySearch&) = delete;

    // true while Match() holds a name.
    bool Found() const { return found; }
    const WIN32_FIND_DATAA& Match() const { return match; }
    // Moves to the next name; false (and Found() false) when there is none.
    bool Next();

private:
    HANDLE search;
    WIN32_FIND_DATAA match;
    bool found;
};

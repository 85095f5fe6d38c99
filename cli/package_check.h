// What rwvtool checks of a package before it merges it: the window merges whatever it is given.
#pragma once

#include <cstdint>

enum class PackageProblem { NONE, NOT_READ, NOT_A_PACKAGE, DAMAGED };

struct PackageCheck {
    PackageProblem problem;
    int32_t claimed;  // entries the header claims
    int64_t held;     // whole directory records the file holds
};

// The package's header tags, and whether its file holds the directory its header claims.
PackageCheck CheckPackageFile(const char* path);

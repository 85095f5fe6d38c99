// The three operations behind the main dialog's buttons. Each asks its folder questions,
// does its file work and shows its final message; 1 when it ran to its end, 0 when the
// user cancelled a box.
#pragma once

int CreatePackage();
int InsertPackage();
int RebuildStatistics();

// Package header tags and directory length, read from the file before any merge.
#include "cli/package_check.h"

#include "bank/file_io.h"
#include "bank/format.h"

namespace {

PackageCheck CheckHeader(const RwvHeader& header, int64_t fileSize)
{
    const int64_t afterHeader = fileSize - static_cast<int64_t>(RWV_HEADER_SIZE);
    const int64_t held = afterHeader / static_cast<int64_t>(RWV_ENTRY_SIZE);
    if (header.magic != RWV_MAGIC || header.fixed1 != RWV_FIXED1 || header.fixed2 != RWV_FIXED2)
        return {PackageProblem::NOT_A_PACKAGE, header.entryCount, held};
    // A package holds at least its directory; an empty one is its header alone.
    if (header.entryCount < 0 || DirectoryBytes(header.entryCount) > afterHeader)
        return {PackageProblem::DAMAGED, header.entryCount, held};
    return {PackageProblem::NONE, header.entryCount, held};
}

}  // namespace

PackageCheck CheckPackageFile(const char* path)
{
    const FileHandle file = OpenExistingFile(path, GENERIC_READ, FILE_SHARE_READ);
    if (!file.IsOpen())
        return {PackageProblem::NOT_READ, 0, 0};
    RwvHeader header;
    if (!ReadExactly(file.Get(), &header, sizeof header))
        return {PackageProblem::NOT_A_PACKAGE, 0, 0};
    return CheckHeader(header, SizeOfFile(file.Get()));
}

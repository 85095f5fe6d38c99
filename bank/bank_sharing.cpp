// What holds a bank, learned from which openings the other handles still allow.
#include "bank/bank_sharing.h"

#include "bank/compaction_files.h"
#include "bank/file_io.h"

namespace {

bool OpensForReading(const char* path, DWORD sharing)
{
    return OpenExistingFile(path, GENERIC_READ, sharing).IsOpen();
}

}  // namespace

FileHandle OpenAsWriter(const char* path)
{
    return OpenExistingFile(path, GENERIC_READ | GENERIC_WRITE, BANK_WRITER_SHARING);
}

BankHold WhoHoldsBank(const char* bankFile)
{
    if (CompactionRunning(bankFile))
        return BankHold::BEING_CHANGED;
    const DWORD attributes = GetFileAttributesA(bankFile);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        return BankHold::READ_ONLY;
    const FileHandle writer = OpenAsWriter(bankFile);
    if (writer.IsOpen() || GetLastError() != ERROR_SHARING_VIOLATION)
        return BankHold::NONE;
    // A holder that denies writing to a reader that denies it too only reads; one that
    // lets readers read beside its own writing is changing the bank.
    if (OpensForReading(bankFile, FILE_SHARE_READ | FILE_SHARE_DELETE))
        return BankHold::IN_USE;
    return OpensForReading(bankFile, BANK_READER_SHARING) ? BankHold::BEING_CHANGED : BankHold::IN_USE;
}

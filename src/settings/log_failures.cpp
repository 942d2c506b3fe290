#include "log_failures.h"

#include <mutex>

namespace tavelin::settings {

namespace {
// One record per process, like the files it is about; the lock keeps it whole
// should a writer ever run on another thread.
std::mutex recordLock;
LogWriteFailures record;
} // namespace

LogWriteFailures LogWriteFailuresSoFar()
{
    const std::lock_guard guard(recordLock);
    return record;
}

void ForgetLogWriteFailures()
{
    const std::lock_guard guard(recordLock);
    record = {};
}

void NoteResultWrite(bool written)
{
    const std::lock_guard guard(recordLock);
    record.result = !written;
}

void NoteHistoryLineLost()
{
    const std::lock_guard guard(recordLock);
    ++record.historyLines;
}

void NoteHistoryKept()
{
    const std::lock_guard guard(recordLock);
    record.historyKept = true;
}

} // namespace tavelin::settings

// SPDX-License-Identifier: MIT
// What a batch run takes over from whoever started it (a scheduler, a shell,
// a desktop) and must not be at the mercy of: standard descriptors that are
// closed or whose reader has gone, and limits on the size of files and on
// the number of open files.
#pragma once

#include <string>
#include <vector>

namespace tavelin::app {

// Standard input, output and error that are closed at start are opened on
// the null device, so that no file the program opens later takes their
// numbers and receives what is written to them. On Windows, where the
// program has no console of its own, missing output and error go to the
// console of whoever started it, if any. Call before anything opens.
void OpenMissingStandardDescriptors();

// A write to a pipe or socket whose reader has gone fails instead of ending
// the process: standard output and error carry copies of what the files
// record, and losing them must never cost the run.
void IgnoreBrokenPipes();

// A write past a file-size limit (`ulimit -f`) fails with an I/O error
// instead of ending the process: the transfer under way fails with its
// history line, its temporary file goes, and RESULT.DAT is still written
// where it fits. Killed by the signal, the run would leave none of that.
void IgnoreFileSizeLimitSignal();

// The descriptors a run needs free at its start: what it keeps open at once
// (the port, the lock, a log, a file on its way, a trace) and what Qt and
// GLib open under it, found by running the program under lower and lower
// `ulimit -n`. A batch run needs 9, and one more for a trace; the window 14
// to come up, and one more for a trace and one for a file a dialog opens.
// Short of them GLib ends the process (SIGTRAP) in the middle of a run.
inline constexpr int kDescriptorsForABatchRun = 10;
inline constexpr int kDescriptorsForTheWindow = 16;

// How many more descriptors the process can open, counted up to `enough`
// (tried, then closed again). Windows has no limit this low: `enough`.
int FreeDescriptors(int enough);

// The files of a run in workDir that other programs read or write, and the
// one-copy lock at lockPath: no trace may be written into any of them.
std::vector<std::string> FilesOfTheRun(const std::string& workDir, const std::string& lockPath);

} // namespace tavelin::app

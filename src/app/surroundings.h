// SPDX-License-Identifier: MIT
// What a batch run takes over from whoever started it (a scheduler, a shell,
// a desktop) and must not be at the mercy of: standard descriptors that are
// closed or whose reader has gone.
#pragma once

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

} // namespace tavelin::app

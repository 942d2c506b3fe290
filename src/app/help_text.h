// SPDX-License-Identifier: MIT
// What --help, --version and a refused option print. They answer before
// anything else: no lock, no work folder, no file written.
#pragma once

#include <string>

namespace tavelin::app {

// The help text on standard output, then the devices the COM names open now.
void PrintHelp();

// "tavelin 1.17" and the Qt the program was built with, on standard output.
// The first line is what a packager's script reads.
void PrintVersion();

// What was wrong with the command line and the usage line, on standard error.
void PrintUsage(const std::string& problem);

} // namespace tavelin::app

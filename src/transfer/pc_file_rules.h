// SPDX-License-Identifier: MIT
// What the engines ask of PC file names: whether a name offered by a
// hand-held is a plain file name here, and whether it is one of the
// program's own. The attribute tests that decide whether an existing file
// may be replaced are in pc_file_attributes.h.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tavelin::transfer {

// False for names that would leave the target directory or that the PC cannot
// hold as one plain file: empty, "." or "..", path separators, a drive colon,
// control characters, characters Windows forbids, or a reserved device name
// (CON, NUL, COM1, LPT1 ... with or without an extension), or a name ending
// in ".~tmp", which the next start would take for a leftover staged copy.
bool IsSafePcFileName(std::string_view utf8Name);

// The program's own files, which a hand-held must never replace in the work
// directory: the parameter files, the logs, the remembered window state and
// the temporary files of the transfers. Any letter case.
bool IsProgramFileName(std::string_view utf8Name);

// An upload of a file of that name into `directory` is refused whatever is
// there: the name is no plain PC file name, or it would replace one of the
// program's own files in the work directory `workDir`.
bool IsRefusedUploadName(const std::string& utf8Name, const std::string& directory, const std::string& workDir);

// Removes the file if present; failures are of no interest to the caller.
void RemoveQuietly(const std::filesystem::path& path);

} // namespace tavelin::transfer

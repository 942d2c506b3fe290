// SPDX-License-Identifier: MIT
// Moving a completely received temporary file to its target, and the names of
// the temporary files. Received data only ever reaches a target through here.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tavelin::transfer {

// WorkDir + "DATA.TMP": the single upload's temporary file.
std::filesystem::path DataTempPath(const std::string& workDir);
// WorkDir + "UPTMP.00", "UPTMP.01" ... ("UPTMP.100" from index 100 on).
std::filesystem::path UpTempPath(const std::string& workDir, int index);

// The target takes the temporary file's place in one step, so that at every
// moment one of the two complete files exists, and the data is on the disk
// before the name moves. Works across volumes by staging a copy beside the
// target. False when the target was not replaced.
bool ReplaceWithTemp(const std::filesystem::path& temp, const std::filesystem::path& target);

// A copy staged beside its target is named target + kStagedSuffix. A run
// killed during that copy leaves it; RemoveStagedCopies(directory) removes
// such leftovers from a directory at the next start, and only files of that
// shape (the name of a hand-held file, at most 12 bytes, and the suffix).
inline constexpr std::string_view kStagedSuffix = ".~tmp";
bool IsStagedCopyName(std::string_view utf8Name);
void RemoveStagedCopies(const std::string& directory);

// Appends the temporary file to the target (created when missing); a final
// Ctrl-Z of the target is overwritten by the first appended byte. The joined
// file is made beside the temporary file (its name + kStagedSuffix) and
// replaces the target as ReplaceWithTemp does, so at every moment the target
// is the old file or the whole new one. False when a read or write failed,
// and then the target is as it was before.
bool AppendTemp(const std::filesystem::path& temp, const std::filesystem::path& target);

} // namespace tavelin::transfer

// SPDX-License-Identifier: MIT
// The PC pane's files: the plain files a directory shows, and deleting and
// renaming one of them. Hidden files (dot files here, hidden or system files
// on Windows) and directories are never listed.
#pragma once

#include <string>
#include <vector>

namespace tavelin::modes {

// Names of the directory's plain files, sorted without regard to case; empty
// when the directory cannot be read.
std::vector<std::string> ListPcFiles(const std::string& directory);

// False when the file could not be deleted.
bool DeletePcFile(const std::string& directory, const std::string& name);

// Renames within the directory and never replaces another file: a new name
// that exists already, or that is no safe PC file name (the rule the uploads
// follow: no separator, control character, forbidden character or device
// name) fails and changes nothing. A change of letter case alone on a
// file system that ignores case is a rename of the same file and works.
bool RenamePcFile(const std::string& directory, const std::string& oldName, const std::string& newName);

// The directory the PC pane opens with: the remembered one while it exists,
// else the current directory.
std::string StartDirectory(const std::string& remembered, const std::string& currentDirectory);

// The directory while it exists, else the nearest of its parents that does
// (the root at last): where a pane goes whose directory was deleted.
std::string NearestExistingDirectory(const std::string& directory);

} // namespace tavelin::modes

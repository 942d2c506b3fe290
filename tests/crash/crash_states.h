// SPDX-License-Identifier: MIT
// Every state a power cut could leave, under this persistence model (the
// model of a journalling file system with delayed allocation, as ext4, and
// of a lazy writer, as NTFS's):
// - An operation issued before the last completed flush that covers it is on
//   the disk: fsync of a file covers the writes and truncations of that file;
//   fsync of a folder covers the names made, renamed or removed in it (a
//   rename is covered by its target's folder); sync covers everything.
// - Of the rest, any prefix in the order issued is on the disk.
// - And the last operation of that prefix (a rename, an append) may have
//   reached the disk without the data written before it unless that data was
//   flushed: the data is then lost altogether (the file as it was) or its
//   size kept with zeros in it.
// On Windows (NTFS, as recorder_win32.c writes it down): FlushFileBuffers
// on a file covers its data and size, on a folder's handle its names; a
// rename with MOVEFILE_WRITE_THROUGH returns once it is on the disk (the
// rename and a flush of the folders it touches), one without it is a change
// of names the lazy writer brings later; a handle opened with
// FILE_FLAG_WRITE_THROUGH flushes each write.
// A crash is tried after every operation, with every prefix since the last
// sync before it.
#pragma once

#include "record.h"

#include <cstddef>
#include <functional>
#include <map>
#include <set>
#include <string>

namespace tavelin::crash {

// Names (paths relative to the root) to inodes, and the files' bytes.
struct FileTree {
    std::map<std::string, int> names;
    std::map<int, std::string> data;
    std::set<int> directories;

    const std::string* Bytes(const std::string& path) const;
};

FileTree InitialTree(const std::vector<InitialEntry>& initial);

enum class DataFate { Kept, Lost, Zeroed };

// Applies one operation; unflushed data may meet another fate.
void Apply(FileTree& tree, const Operation& op, DataFate fate = DataFate::Kept);

struct CrashState {
    std::size_t crashAt;        // operations issued before the cut
    std::size_t prefix;         // of which the first `prefix` reached the disk, beside the flushed ones
    DataFate unflushedData;     // what became of unflushed data in that prefix
    const std::vector<bool>& durable; // per operation before crashAt
    const std::vector<bool>& flushed; // per operation: durable through a flush, data and all
    const FileTree& tree;       // what the disk holds
};

// Calls `visit` for every crash state of the run; returns how many there were.
std::size_t ForEachCrashState(const RecordedRun& run, const FileTree& initial,
                              const std::function<void(const CrashState&)>& visit);

} // namespace tavelin::crash

// SPDX-License-Identifier: MIT
// A recorded run (recorder.c's entries) as a list of operations on names and
// file contents, the descriptors already resolved: the explorer replays any
// subset of them. Paths are relative to the recorded root.
#pragma once

#include "settings/status.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tavelin::crash {

struct Operation {
    enum class Kind {
        Create,    // path: a new empty file, inode
        Mkdir,     // path
        Write,     // inode, offset, bytes (path: its name when opened)
        Truncate,  // inode, offset: the new length
        Rename,    // path to target, inode: what moves
        Unlink,    // path
        FlushFile, // inode: its data is on the disk
        FlushDir,  // path: the names in that folder are on the disk
        SyncAll,   // everything issued before is on the disk
        Line,      // bytes told to the hand-held
    };
    Kind kind;
    std::string path;
    std::string target;
    int inode = -1;
    std::int64_t offset = 0;
    std::string bytes;

    bool ChangesData() const { return kind == Kind::Write || kind == Kind::Truncate; }
    bool ChangesNames() const
    {
        return kind == Kind::Create || kind == Kind::Mkdir || kind == Kind::Rename || kind == Kind::Unlink;
    }
    std::string Describe() const;
};

// The folder a path's name lives in ("" for the root itself).
std::string ParentOf(const std::string& path);

// A file or folder under the root before the record began.
struct InitialEntry {
    std::string path;
    bool directory = false;
    std::string bytes;
};

// The operations of the record, for a root that held `initial` at the start
// (inodes 0..n-1 in that order). Fails on an entry that cannot be read or an
// operation the record cannot carry.
struct RecordedRun {
    std::vector<Operation> operations;
    int inodes = 0; // inodes used, the initial files' included
};
Result<RecordedRun> ReadRecord(const std::string& recordBytes, const std::string& root,
                               const std::vector<InitialEntry>& initial);

} // namespace tavelin::crash

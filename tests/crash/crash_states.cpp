// SPDX-License-Identifier: MIT
#include "crash_states.h"

#include <algorithm>

namespace tavelin::crash {

namespace {

using Kind = Operation::Kind;

// The folder whose flush makes a name operation durable.
std::string NameFolder(const Operation& op) { return ParentOf(op.kind == Kind::Rename ? op.target : op.path); }

bool Covers(const Operation& barrier, const Operation& op)
{
    switch (barrier.kind) {
    case Kind::SyncAll: return true;
    case Kind::FlushFile: return op.ChangesData() && op.inode == barrier.inode;
    case Kind::FlushDir: return op.ChangesNames() && NameFolder(op) == barrier.path;
    default: return false;
    }
}

// Flushes and lines leave the disk as it was.
bool ChangesDisk(const Operation& op) { return op.ChangesData() || op.ChangesNames(); }

void Write(std::string& bytes, const Operation& op, DataFate fate)
{
    const auto offset = static_cast<std::size_t>(op.offset);
    const std::size_t end = offset + op.bytes.size();
    if (bytes.size() < end)
        bytes.resize(end, '\0');
    if (fate == DataFate::Kept)
        std::copy(op.bytes.begin(), op.bytes.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset));
}

} // namespace

const std::string* FileTree::Bytes(const std::string& path) const
{
    const auto name = names.find(path);
    if (name == names.end() || directories.contains(name->second))
        return nullptr;
    const auto bytes = data.find(name->second);
    return bytes == data.end() ? nullptr : &bytes->second;
}

FileTree InitialTree(const std::vector<InitialEntry>& initial)
{
    FileTree tree;
    int inode = 0;
    for (const InitialEntry& entry : initial) {
        tree.names[entry.path] = inode;
        if (entry.directory)
            tree.directories.insert(inode);
        else
            tree.data[inode] = entry.bytes;
        ++inode;
    }
    return tree;
}

void Apply(FileTree& tree, const Operation& op, DataFate fate)
{
    switch (op.kind) {
    case Kind::Create:
        tree.names[op.path] = op.inode;
        tree.data.try_emplace(op.inode);
        break;
    case Kind::Mkdir:
        tree.names[op.path] = op.inode;
        tree.directories.insert(op.inode);
        break;
    case Kind::Write:
        if (fate != DataFate::Lost)
            Write(tree.data[op.inode], op, fate);
        break;
    case Kind::Truncate:
        if (fate != DataFate::Lost)
            tree.data[op.inode].resize(static_cast<std::size_t>(op.offset), '\0');
        break;
    case Kind::Rename:
        tree.names.erase(op.path);
        tree.names[op.target] = op.inode;
        tree.data.try_emplace(op.inode);
        break;
    case Kind::Unlink: tree.names.erase(op.path); break;
    default: break;
    }
}

std::size_t ForEachCrashState(const RecordedRun& run, const FileTree& initial,
                              const std::function<void(const CrashState&)>& visit)
{
    const std::vector<Operation>& ops = run.operations;
    std::vector<bool> forced(ops.size(), false);
    FileTree base = initial; // everything before the last sync
    std::size_t lastSync = 0;
    std::size_t states = 0;
    for (std::size_t crashAt = 0; crashAt <= ops.size(); ++crashAt) {
        if (crashAt > 0) {
            const Operation& barrier = ops[crashAt - 1];
            for (std::size_t j = 0; j + 1 < crashAt; ++j)
                forced[j] = forced[j] || Covers(barrier, ops[j]);
            if (barrier.kind == Kind::SyncAll) {
                for (std::size_t j = lastSync; j < crashAt; ++j)
                    Apply(base, ops[j]);
                lastSync = crashAt;
            }
        }
        for (std::size_t prefix = lastSync; prefix <= crashAt; ++prefix) {
            // A prefix whose last operation changed nothing new is the state before.
            if (prefix > lastSync && (forced[prefix - 1] || !ChangesDisk(ops[prefix - 1])))
                continue;
            std::vector<bool> durable(crashAt);
            bool unflushedData = false;
            for (std::size_t j = 0; j < crashAt; ++j) {
                durable[j] = forced[j] || j < prefix;
                unflushedData = unflushedData || (durable[j] && !forced[j] && j + 1 != prefix && ops[j].ChangesData());
            }
            for (const DataFate fate : {DataFate::Kept, DataFate::Lost, DataFate::Zeroed}) {
                if (fate != DataFate::Kept && !unflushedData)
                    break;
                FileTree tree = base;
                for (std::size_t j = lastSync; j < crashAt; ++j)
                    if (durable[j])
                        Apply(tree, ops[j], forced[j] || j + 1 == prefix ? DataFate::Kept : fate);
                visit({crashAt, prefix, fate, durable, forced, tree});
                ++states;
            }
        }
    }
    return states;
}

} // namespace tavelin::crash

// SPDX-License-Identifier: MIT
#include "promises.h"

#include <algorithm>

namespace tavelin::crash {

namespace {

using Kind = Operation::Kind;

constexpr std::string_view kLineEnd = "\r\n";

std::optional<std::string> Copy(const std::string* bytes)
{
    return bytes == nullptr ? std::nullopt : std::optional<std::string>(*bytes);
}

// Whether an operation leaves the file at `path` in a version the program
// stands by: moved there or away, or flushed. A removal is no such version:
// the old file must stay until the new one takes its place.
bool Settles(const Operation& op, const std::string& path, const FileTree& before)
{
    switch (op.kind) {
    case Kind::Rename: return op.path == path || op.target == path;
    case Kind::FlushFile: {
        const auto name = before.names.find(path);
        return name != before.names.end() && name->second == op.inode;
    }
    default: return false;
    }
}

std::string Shown(const std::optional<std::string>& version)
{
    return version ? std::to_string(version->size()) + " bytes" : "no file";
}

} // namespace

PromiseChecker::Version PromiseChecker::History::At(std::size_t state) const
{
    Version version;
    for (const auto& [from, bytes] : changes)
        if (from <= state)
            version = bytes;
    return version;
}

PromiseChecker::PromiseChecker(const RecordedRun& run, const FileTree& initial, Promises promises)
    : promises_(std::move(promises))
{
    const std::string prefix = promises_.dataFolder + "/";
    FileTree tree = initial;
    auto note = [&](std::size_t state) {
        for (const auto& [path, inode] : tree.names) {
            if (!path.starts_with(prefix) || tree.directories.contains(inode))
                continue;
            History& history = dataFiles_[path];
            const Version now = Copy(tree.Bytes(path));
            if (history.changes.empty() || history.changes.back().second != now)
                history.changes.emplace_back(state, now);
        }
        for (auto& [path, history] : dataFiles_)
            if (!tree.names.contains(path) && history.changes.back().second)
                history.changes.emplace_back(state, std::nullopt);
        for (const std::string& log : promises_.logs)
            if (const std::string* bytes = tree.Bytes(log))
                for (std::size_t at = 0, end; (end = bytes->find(kLineEnd, at)) != std::string::npos; at = end + 2)
                    logLines_[log].insert(bytes->substr(at, end - at));
    };
    note(0);
    lastLine_.push_back(0);
    for (std::size_t i = 0; i < run.operations.size(); ++i) {
        const Operation& op = run.operations[i];
        for (auto& [path, history] : dataFiles_)
            if (Settles(op, path, tree))
                history.settled.push_back(i + 1);
        if (op.kind == Kind::Rename && op.target.starts_with(prefix))
            dataFiles_[op.target].settled.push_back(i + 1);
        Apply(tree, op);
        note(i + 1);
        lastLine_.push_back(op.kind == Kind::Line ? i + 1 : lastLine_.back());
    }
}

std::vector<std::string> PromiseChecker::Check(const CrashState& state) const
{
    std::vector<std::string> broken;
    for (const auto& [path, history] : dataFiles_)
        if (!std::regex_match(path, promises_.leftovers))
            CheckDataFile(path, history, state, broken);
    for (const auto& [path, inode] : state.tree.names)
        if (path.starts_with(promises_.dataFolder + "/") && !dataFiles_.contains(path) &&
            !state.tree.directories.contains(inode))
            broken.push_back(path + " is there, though the run never made it");
    for (const std::string& log : promises_.logs)
        CheckLog(log, state, broken);
    return broken;
}

void PromiseChecker::CheckDataFile(const std::string& path, const History& history, const CrashState& state,
                                   std::vector<std::string>& broken) const
{
    const std::size_t told = lastLine_[state.crashAt];
    const Version onDisk = Copy(state.tree.Bytes(path));
    if (onDisk == history.At(told))
        return;
    for (const std::size_t settled : history.settled)
        if (settled > told && onDisk == history.At(settled)) // the new one, even before it is flushed
            return;
    const Version expected = history.At(told);
    const bool sameSize = onDisk && expected && onDisk->size() == expected->size();
    broken.push_back(path + " holds " + (sameSize ? "other " : "") + Shown(onDisk) +
                     ", where the program last told of " + Shown(expected));
}

void PromiseChecker::CheckLog(const std::string& path, const CrashState& state, std::vector<std::string>& broken) const
{
    const std::string* bytes = state.tree.Bytes(path);
    if (bytes == nullptr)
        return;
    const auto lines = logLines_.find(path);
    std::size_t at = 0;
    for (std::size_t end; (end = bytes->find(kLineEnd, at)) != std::string::npos; at = end + 2) {
        const std::string line = bytes->substr(at, end - at);
        if (lines == logLines_.end() || !lines->second.contains(line))
            broken.push_back(path + " holds a line the program never wrote (" + std::to_string(line.size()) +
                             " bytes at " + std::to_string(at) + ")");
    }
    if (at < bytes->size())
        broken.push_back(path + " ends in a torn line (" + std::to_string(bytes->size() - at) + " bytes)");
}

} // namespace tavelin::crash

// SPDX-License-Identifier: MIT
#include "record.h"

#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

namespace tavelin::crash {

namespace {

// One entry as recorder.c wrote it: a kind, numbers, and payloads.
struct Entry {
    char kind = 0;
    std::vector<long long> numbers;
    std::vector<std::string> payloads;
};

// How many of an entry's numbers (counted from the end, or one in the middle)
// give the lengths of its payloads.
std::vector<std::size_t> PayloadLengths(const Entry& entry)
{
    const auto& n = entry.numbers;
    auto at = [&n](std::size_t i) { return i < n.size() ? static_cast<std::size_t>(n[i]) : 0; };
    switch (entry.kind) {
    case 'O': return {at(3)};
    case 'W': return {at(2)};
    case 'L': case 'U': case 'M': return {at(0)};
    case 'P': return {at(1)};
    case 'R': return {at(0), at(1)};
    default: return {};
    }
}

Result<std::vector<Entry>> ReadEntries(const std::string& bytes)
{
    std::vector<Entry> entries;
    std::size_t at = 0;
    while (at < bytes.size()) {
        const std::size_t end = bytes.find('\n', at);
        if (end == std::string::npos)
            return Result<std::vector<Entry>>::Failed("an entry is cut short at byte " + std::to_string(at));
        Entry entry;
        std::istringstream header(bytes.substr(at, end - at));
        header >> entry.kind;
        for (long long n = 0; header >> n;)
            entry.numbers.push_back(n);
        at = end + 1;
        for (const std::size_t length : PayloadLengths(entry)) {
            if (length > bytes.size() - at)
                return Result<std::vector<Entry>>::Failed("a payload is cut short at byte " + std::to_string(at));
            entry.payloads.push_back(bytes.substr(at, length));
            at += length;
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

// Turns the entries into operations, following names and descriptors as the
// run saw them.
class Resolver {
public:
    Resolver(std::string root, const std::vector<InitialEntry>& initial) : root_(std::move(root))
    {
        for (const InitialEntry& entry : initial) {
            if (entry.directory)
                directories_.insert(run_.inodes);
            names_[entry.path] = run_.inodes++;
        }
    }

    Status Take(const Entry& e)
    {
        using K = Operation::Kind;
        const auto fd = e.numbers.empty() ? -1 : static_cast<int>(e.numbers[0]);
        switch (e.kind) {
        case 'O': Open(fd, e.numbers.at(2) != 0, Relative(e.payloads.at(0))); return Status::Ok();
        case 'C': fds_.erase(fd); return Status::Ok();
        case 'W':
            if (const auto f = fds_.find(fd); f != fds_.end())
                Emit({K::Write, f->second.path, {}, f->second.inode, e.numbers.at(1), e.payloads.at(0)});
            return Status::Ok();
        case 'T':
            if (const auto f = fds_.find(fd); f != fds_.end())
                Emit({K::Truncate, f->second.path, {}, f->second.inode, e.numbers.at(1), {}});
            return Status::Ok();
        case 'P':
            if (const auto n = names_.find(Relative(e.payloads.at(0))); n != names_.end())
                Emit({K::Truncate, n->first, {}, n->second, e.numbers.at(0), {}});
            return Status::Ok();
        case 'S':
            if (const auto f = fds_.find(fd); f != fds_.end())
                Emit(f->second.directory ? Operation{K::FlushDir, f->second.path, {}, -1, 0, {}}
                                         : Operation{K::FlushFile, f->second.path, {}, f->second.inode, 0, {}});
            return Status::Ok();
        case 'R': return Rename(Relative(e.payloads.at(0)), Relative(e.payloads.at(1)));
        case 'U': Unlink(Relative(e.payloads.at(0))); return Status::Ok();
        case 'M': {
            const std::string path = Relative(e.payloads.at(0));
            names_[path] = run_.inodes;
            directories_.insert(run_.inodes++);
            Emit({K::Mkdir, path, {}, names_[path], 0, {}});
            return Status::Ok();
        }
        case 'Y': Emit({K::SyncAll, {}, {}, -1, 0, {}}); return Status::Ok();
        case 'L': Emit({K::Line, {}, {}, -1, 0, e.payloads.at(0)}); return Status::Ok();
        case 'X': return Status::Failed("the run copied into a recorded file inside the kernel");
        default: return Status::Failed(std::string("an entry of unknown kind '") + e.kind + "'");
        }
    }

    RecordedRun Run() && { return std::move(run_); }

private:
    struct OpenFile {
        int inode;
        bool directory;
        std::string path;
    };

    std::string Relative(const std::string& absolute) const
    {
        const std::string normal = std::filesystem::path(absolute).lexically_normal().generic_string();
        std::string inside = normal.size() > root_.size() ? normal.substr(root_.size() + 1) : std::string();
        while (!inside.empty() && inside.back() == '/')
            inside.pop_back();
        return inside;
    }

    bool IsDirectory(const std::string& path) const
    {
        if (path.empty())
            return true;
        const auto n = names_.find(path);
        return n != names_.end() && directories_.contains(n->second);
    }

    void Open(int fd, bool truncated, const std::string& path)
    {
        using K = Operation::Kind;
        auto n = names_.find(path);
        if (n == names_.end() && !path.empty()) {
            // Created now, or there before the record began without being
            // in the initial files: either way it starts empty here.
            n = names_.emplace(path, run_.inodes++).first;
            Emit({K::Create, path, {}, n->second, 0, {}});
        } else if (truncated && !path.empty()) {
            Emit({K::Truncate, path, {}, n->second, 0, {}});
        }
        fds_[fd] = {path.empty() ? -1 : n->second, IsDirectory(path), path};
    }

    Status Rename(const std::string& from, const std::string& to)
    {
        const auto source = names_.find(from);
        if (source == names_.end())
            return Status::Failed("a rename from " + from + ", which the record never made");
        const int inode = source->second;
        // A folder takes every name under it along.
        std::map<std::string, int> moved;
        for (auto it = names_.begin(); it != names_.end();) {
            if (it->first == from || it->first.starts_with(from + "/")) {
                moved[to + it->first.substr(from.size())] = it->second;
                it = names_.erase(it);
            } else {
                ++it;
            }
        }
        names_.erase(to); // replaced in the same step
        names_.merge(moved);
        Emit({Operation::Kind::Rename, from, to, inode, 0, {}});
        return Status::Ok();
    }

    void Unlink(const std::string& path)
    {
        if (names_.erase(path) > 0)
            Emit({Operation::Kind::Unlink, path, {}, -1, 0, {}});
    }

    void Emit(Operation op) { run_.operations.push_back(std::move(op)); }

    std::string root_;
    RecordedRun run_;
    std::map<std::string, int> names_;
    std::set<int> directories_;
    std::map<int, OpenFile> fds_;
};

} // namespace

std::string ParentOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string Operation::Describe() const
{
    switch (kind) {
    case Kind::Create: return "create " + path;
    case Kind::Mkdir: return "mkdir " + path;
    case Kind::Write:
        return "write " + std::to_string(bytes.size()) + " bytes at " + std::to_string(offset) + " of " + path;
    case Kind::Truncate: return "truncate " + path + " to " + std::to_string(offset);
    case Kind::Rename: return "rename " + path + " -> " + target;
    case Kind::Unlink: return "unlink " + path;
    case Kind::FlushFile: return "fsync " + path;
    case Kind::FlushDir: return "fsync folder " + (path.empty() ? std::string(".") : path);
    case Kind::SyncAll: return "sync";
    case Kind::Line: {
        std::string shown;
        for (const unsigned char c : bytes.substr(0, 16)) {
            char escaped[8] = {static_cast<char>(c)};
            if (c < 0x20 || c >= 0x7F)
                std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            shown += escaped;
        }
        return "told the hand-held " + shown + (bytes.size() > 16 ? "..." : "");
    }
    }
    return {};
}

Result<RecordedRun> ReadRecord(const std::string& recordBytes, const std::string& root,
                               const std::vector<InitialEntry>& initial)
{
    const Result<std::vector<Entry>> entries = ReadEntries(recordBytes);
    if (!entries)
        return Result<RecordedRun>::Failed(entries.Reason());
    std::string normalRoot = std::filesystem::path(root).lexically_normal().generic_string();
    if (normalRoot.size() > 1 && normalRoot.back() == '/')
        normalRoot.pop_back();
    Resolver resolver(normalRoot, initial);
    for (const Entry& entry : *entries)
        if (const Status taken = resolver.Take(entry); !taken)
            return Result<RecordedRun>::Failed(taken.Reason());
    return std::move(resolver).Run();
}

} // namespace tavelin::crash

// SPDX-License-Identifier: MIT
// The files of one simulated hand-held: the regular files of its directory
// whose names, upper-cased, are 8.3 names the hand-held can hold. Names match
// without regard to case, and are shown upper-case. A download is written
// under a temporary name that no listing shows and renamed when complete.
#pragma once

#include "link/serial_port.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace tavelin::sim {

struct StoredFile {
    std::string name; // upper-case 8.3
    std::int64_t size = 0;
};

// Largest size the 7-digit size fields can carry.
constexpr std::int64_t kMaxListedSize = 9'999'999;

// An 8.3 name of printable ASCII without " * + , / : ; < = > ? | (the PC's
// rule), and, because the name becomes a path here, without a backslash and
// not made of dots alone.
bool IsStorableName(const std::string& name);
std::string UpperAscii(std::string text);

class HhtStore {
public:
    explicit HhtStore(std::filesystem::path dir);

    const std::filesystem::path& Dir() const { return dir_; }
    // Sorted by name; files too large for the size field are left out.
    std::vector<StoredFile> List() const;
    std::int64_t FreeBytes(std::int64_t capacity) const;

    std::optional<link::Bytes> Read(const std::string& name) const;
    bool Erase(const std::string& name);
    bool Rename(const std::string& from, const std::string& to);
    bool Exists(const std::string& name) const { return Find(name).has_value(); }

    // One download at a time.
    bool BeginWrite();
    bool Append(std::span<const std::uint8_t> bytes);
    bool Commit(const std::string& name); // replaces a file of that name
    void Abandon();

private:
    std::optional<std::filesystem::path> Find(const std::string& name) const;
    std::filesystem::path TempPath() const { return dir_ / "incoming.partial"; }

    std::filesystem::path dir_;
    std::ofstream out_;
};

} // namespace tavelin::sim

// SPDX-License-Identifier: MIT
#include "hht_store.h"

#include <algorithm>
#include <string_view>

namespace tavelin::sim {

namespace fs = std::filesystem;

bool IsStorableName(const std::string& name)
{
    if (name.empty() || name.find_first_not_of('.') == std::string::npos)
        return false;
    const std::size_t dot = name.find('.');
    const std::size_t stem = dot == std::string::npos ? name.size() : dot;
    if (stem > 8 || (dot != std::string::npos && name.size() - dot - 1 > 3))
        return false;
    constexpr std::string_view kForbidden = "\"*+,/:;<=>?|\\";
    return std::all_of(name.begin(), name.end(), [&](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte > 0x20 && byte < 0x7F && kForbidden.find(c) == std::string_view::npos;
    });
}

std::string UpperAscii(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; });
    return text;
}

HhtStore::HhtStore(fs::path dir) : dir_(std::move(dir))
{
    std::error_code error;
    fs::create_directories(dir_, error);
}

std::vector<StoredFile> HhtStore::List() const
{
    std::vector<StoredFile> files;
    std::error_code error;
    for (fs::directory_iterator it(dir_, error), end; !error && it != end; it.increment(error)) {
        if (!it->is_regular_file(error))
            continue;
        const std::string name = UpperAscii(it->path().filename().string());
        const auto size = static_cast<std::int64_t>(it->file_size(error));
        if (!error && IsStorableName(name) && size <= kMaxListedSize)
            files.push_back({name, size});
    }
    std::sort(files.begin(), files.end(), [](const StoredFile& a, const StoredFile& b) { return a.name < b.name; });
    return files;
}

std::int64_t HhtStore::FreeBytes(std::int64_t capacity) const
{
    std::int64_t used = 0;
    for (const StoredFile& file : List())
        used += file.size;
    return std::clamp<std::int64_t>(capacity - used, 0, kMaxListedSize);
}

std::optional<fs::path> HhtStore::Find(const std::string& name) const
{
    const std::string wanted = UpperAscii(name);
    if (!IsStorableName(wanted))
        return std::nullopt;
    std::error_code error;
    for (fs::directory_iterator it(dir_, error), end; !error && it != end; it.increment(error)) {
        if (it->is_regular_file(error) && UpperAscii(it->path().filename().string()) == wanted)
            return it->path();
    }
    return std::nullopt;
}

std::optional<link::Bytes> HhtStore::Read(const std::string& name) const
{
    const auto path = Find(name);
    if (!path)
        return std::nullopt;
    std::ifstream in(*path, std::ios::binary);
    if (!in)
        return std::nullopt;
    link::Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return std::nullopt;
    return bytes;
}

bool HhtStore::Erase(const std::string& name)
{
    const auto path = Find(name);
    std::error_code error;
    return path && fs::remove(*path, error);
}

bool HhtStore::Rename(const std::string& from, const std::string& to)
{
    const auto source = Find(from);
    const std::string target = UpperAscii(to);
    if (!source || !IsStorableName(target))
        return false;
    const auto existing = Find(target);
    if (existing && *existing != *source)
        return false; // never overwrite another file
    std::error_code error;
    fs::rename(*source, dir_ / target, error);
    return !error;
}

bool HhtStore::BeginWrite()
{
    Abandon();
    out_.open(TempPath(), std::ios::binary | std::ios::trunc);
    return out_.is_open();
}

bool HhtStore::Append(std::span<const std::uint8_t> bytes)
{
    out_.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out_);
}

bool HhtStore::Commit(const std::string& name)
{
    out_.close();
    if (out_.fail())
        return false;
    const std::string target = UpperAscii(name);
    std::error_code error;
    if (const auto old = Find(target); old && old->filename() != target)
        fs::remove(*old, error); // the same name in another case
    fs::rename(TempPath(), dir_ / target, error);
    return !error;
}

void HhtStore::Abandon()
{
    if (out_.is_open())
        out_.close();
    out_.clear();
    std::error_code error;
    fs::remove(TempPath(), error);
}

} // namespace tavelin::sim

// SPDX-License-Identifier: MIT
#include "text_file.h"

#include "codepage.h"
#include "file_system.h"
#include "paths.h"
#include "text_file_io.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <system_error>

namespace tavelin::settings {

namespace {

std::string LinesAsCp932(const std::vector<std::string>& lines)
{
    std::string bytes;
    for (const auto& line : lines)
        bytes += Utf8ToCp932(line) + "\r\n";
    return bytes;
}

} // namespace

std::optional<std::string> ReadFileBytes(std::string_view utf8Path, std::size_t limit)
{
    try {
        int error = 0;
        return ReadRegularFile(FsPath(utf8Path), limit, error);
    } catch (const std::exception&) { // out of memory, or a path the system cannot take
        return std::nullopt;
    }
}

namespace {

std::string CannotBeRead(int error)
{
    std::string words = std::generic_category().message(error);
    if (!words.empty() && words[0] >= 'A' && words[0] <= 'Z')
        words[0] = char(words[0] - 'A' + 'a');
    return "cannot be read (" + words + ")";
}

// Done for a regular file (or a link to one) and for nothing at all, else
// failed with why what stands at the name is no file that can be read.
Status FileToRead(const std::filesystem::path& path)
{
    std::error_code error;
    const auto own = std::filesystem::symlink_status(path, error).type();
    if (own == std::filesystem::file_type::not_found)
        return Status::Ok();
    if (error) // a folder on the way that may not be searched
        return Status::Failed(CannotBeRead(error.value()));
    const auto type = std::filesystem::status(path, error).type();
    if (type == std::filesystem::file_type::not_found)
        return Status::Failed("is a symbolic link to nothing");
    if (error) // a loop of links
        return Status::Failed(CannotBeRead(error.value()));
    if (type == std::filesystem::file_type::directory)
        return Status::Failed("is a folder, not a file");
    if (type != std::filesystem::file_type::regular)
        return Status::Failed("is not a regular file (a FIFO, socket or device)");
    return Status::Ok();
}

} // namespace

TextFileRead ReadTextFileOrWhy(std::string_view utf8Path)
{
    try {
        const std::filesystem::path path = FsPath(utf8Path);
        if (const Status there = FileToRead(path); !there)
            return TextFileRead::Failed(there.Reason());
        int error = 0;
        const auto bytes = ReadRegularFile(path, static_cast<std::size_t>(-1), error);
        if (bytes)
            return std::optional<std::string>(Cp932ToUtf8(*bytes));
        if (error != 0 && error != ENOENT) // gone since it was looked at: missing
            return TextFileRead::Failed(CannotBeRead(error));
        const Status there = error == 0 ? FileToRead(path) : Status::Ok(); // swapped for something else meanwhile
        if (!there)
            return TextFileRead::Failed(there.Reason());
        return std::optional<std::string>();
    } catch (const std::exception& e) { // out of memory, or a path the system cannot take
        return TextFileRead::Failed(std::string("cannot be read (") + e.what() + ")");
    }
}

std::optional<std::string> ReadTextFile(std::string_view utf8Path)
{
    try {
        const auto bytes = ReadFileBytes(utf8Path);
        if (!bytes)
            return std::nullopt;
        return Cp932ToUtf8(*bytes);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::string WithoutControlCharacters(std::string_view utf8)
{
    const auto byte = [&](std::size_t i) { return i < utf8.size() ? static_cast<unsigned char>(utf8[i]) : 0; };
    std::string text;
    text.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const unsigned char c = byte(i);
        if (c < 0x20 || c == 0x7F) {
            text += '?';
        } else if (c == 0xC2 && byte(i + 1) >= 0x80 && byte(i + 1) <= 0x9F) { // U+0080..U+009F, NEL among them
            text += '?';
            i += 1;
        } else if (c == 0xE2 && byte(i + 1) == 0x80 && (byte(i + 2) == 0xA8 || byte(i + 2) == 0xA9)) { // U+2028, U+2029
            text += '?';
            i += 2;
        } else {
            text += utf8[i];
        }
    }
    return text;
}

bool WriteTextLines(std::string_view utf8Path, const std::vector<std::string>& lines, WriteMode mode)
{
    try {
        return WriteRegularFile(FsPath(utf8Path), LinesAsCp932(lines), mode);
    } catch (const std::exception&) { // out of memory, or a path the system cannot take
        return false;
    }
}

namespace {

constexpr std::string_view kAtomicTempSuffix = ".new";

// The system's words for the call that failed last, or none.
std::string SystemWords()
{
    return errno != 0 ? std::generic_category().message(errno) : std::string();
}

} // namespace

Status WriteTextLinesAtomically(std::string_view utf8Path, const std::vector<std::string>& lines)
{
    return WriteBytesAtomically(utf8Path, LinesAsCp932(lines));
}

Status WriteBytesAtomically(std::string_view utf8Path, const std::string& bytes)
{
    const std::filesystem::path target = FsPath(utf8Path);
    std::filesystem::path temp = target;
    temp += kAtomicTempSuffix;
    std::error_code error;
    errno = 0;
    if (!WriteDurably(temp, bytes)) {
        const Status failed = Status::Failed(SystemWords()); // before the clean-up sets errno of its own
        std::filesystem::remove(temp, error);
        return failed;
    }
    if (!ReplaceByRename(temp, target, error)) { // the new name on the disk too, before the caller says it is saved
        const Status failed = Status::Failed(error.message());
        std::filesystem::remove(temp, error);
        return failed;
    }
    return Status::Ok();
}

void RemoveAtomicWriteLeftover(std::string_view utf8Path)
{
    std::filesystem::path temp = FsPath(utf8Path);
    temp += kAtomicTempSuffix;
    std::error_code error;
    if (std::filesystem::symlink_status(temp, error).type() == std::filesystem::file_type::regular)
        std::filesystem::remove(temp, error);
}

std::optional<std::string> CharReader::Read(std::size_t count)
{
    const std::size_t start = pos_;
    for (std::size_t n = 0; n < count; ++n) {
        if (pos_ >= text_.size()) {
            return std::nullopt;
        }
        ++pos_; // one UTF-8 character: a lead byte and its continuation bytes
        while (pos_ < text_.size() && (static_cast<unsigned char>(text_[pos_]) & 0xC0) == 0x80)
            ++pos_;
    }
    return text_.substr(start, pos_ - start);
}

namespace {
bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }
} // namespace

void FieldReader::SkipDelimiter()
{
    if (pos_ >= text_.size())
        return;
    if (text_[pos_] == ',') {
        ++pos_;
    } else if (text_[pos_] == '\r') {
        ++pos_;
        if (pos_ < text_.size() && text_[pos_] == '\n')
            ++pos_;
    } else if (text_[pos_] == '\n') {
        ++pos_;
    }
}

std::optional<std::string> FieldReader::Read()
{
    while (pos_ < text_.size() && (IsBlank(text_[pos_]) || IsLineEnd(text_[pos_])))
        ++pos_;
    if (pos_ >= text_.size())
        return std::nullopt;
    std::string field;
    if (text_[pos_] == '"') {
        const std::size_t close = text_.find('"', pos_ + 1);
        const std::size_t end = close == std::string::npos ? text_.size() : close;
        field = text_.substr(pos_ + 1, end - pos_ - 1);
        pos_ = close == std::string::npos ? end : close + 1;
        // Anything between the closing quote and the delimiter is dropped.
        while (pos_ < text_.size() && text_[pos_] != ',' && !IsLineEnd(text_[pos_]))
            ++pos_;
    } else {
        while (pos_ < text_.size() && text_[pos_] != ',' && !IsLineEnd(text_[pos_]))
            field += text_[pos_++];
        while (!field.empty() && IsBlank(field.back()))
            field.pop_back();
    }
    SkipDelimiter();
    return field;
}

std::optional<std::string> LineReader::Read()
{
    if (pos_ >= text_.size())
        return std::nullopt;
    std::size_t end = pos_;
    while (end < text_.size() && !IsLineEnd(text_[end]))
        ++end;
    std::string line = text_.substr(pos_, end - pos_);
    pos_ = end;
    if (pos_ < text_.size() && text_[pos_] == '\r')
        ++pos_;
    if (pos_ < text_.size() && text_[pos_] == '\n')
        ++pos_;
    return line;
}

} // namespace tavelin::settings

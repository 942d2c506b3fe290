#include "text_file.h"

#include "codepage.h"
#include "paths.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace tavelin::settings {

namespace {

std::string LinesAsCp932(const std::vector<std::string>& lines)
{
    std::string bytes;
    for (const auto& line : lines)
        bytes += Utf8ToCp932(line) + "\r\n";
    return bytes;
}

// Written and on the disk, not only in a buffer, before the file is renamed.
bool WriteDurably(const std::filesystem::path& path, const std::string& bytes)
{
#ifdef _WIN32
    std::FILE* file = _wfopen(path.c_str(), L"wb");
#else
    std::FILE* file = std::fopen(path.c_str(), "wb");
#endif
    if (!file)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && std::fflush(file) == 0;
#ifdef _WIN32
    ok = ok && _commit(_fileno(file)) == 0;
#else
    ok = ok && fsync(fileno(file)) == 0;
#endif
    return std::fclose(file) == 0 && ok;
}

} // namespace

std::optional<std::string> ReadTextFile(std::string_view utf8Path)
{
    std::ifstream file(FsPath(utf8Path), std::ios::binary);
    if (!file)
        return std::nullopt;
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad())
        return std::nullopt;
    return Cp932ToUtf8(bytes);
}

bool WriteTextLines(std::string_view utf8Path, const std::vector<std::string>& lines, WriteMode mode)
{
    const auto flags = std::ios::binary | (mode == WriteMode::Append ? std::ios::app : std::ios::trunc);
    std::ofstream file(FsPath(utf8Path), flags);
    if (!file)
        return false;
    const std::string bytes = LinesAsCp932(lines);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.close();
    return !file.fail();
}


bool WriteTextLinesAtomically(std::string_view utf8Path, const std::vector<std::string>& lines)
{
    const std::filesystem::path target = FsPath(utf8Path);
    std::filesystem::path temp = target;
    temp += ".new";
    std::error_code error;
    if (!WriteDurably(temp, LinesAsCp932(lines))) {
        std::filesystem::remove(temp, error);
        return false;
    }
    std::filesystem::rename(temp, target, error);
    if (error)
        std::filesystem::remove(temp, error);
    return !error;
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

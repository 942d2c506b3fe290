#include "text_file.h"

#include "codepage.h"
#include "paths.h"

#include <fstream>
#include <iterator>

namespace tavelin::settings {

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
    std::string bytes;
    for (const auto& line : lines)
        bytes += Utf8ToCp932(line) + "\r\n";
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.close();
    return !file.fail();
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

// SPDX-License-Identifier: MIT
// Text files on disk: code page 932 with CR LF line ends. In memory, UTF-8.
// The three readers match the three reading styles of the parameter files:
// fixed-count characters, delimited fields and whole lines.
#pragma once

#include "status.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavelin::settings {

// The bytes of a regular file as they stand, at most `limit` of them, or
// nothing when it cannot be opened or read. Only a regular file is opened: a
// directory, a FIFO or a device counts as a file that cannot be opened, since
// reading one would fail, wait for a writer or take bytes from hardware.
std::optional<std::string> ReadFileBytes(std::string_view utf8Path, std::size_t limit = static_cast<std::size_t>(-1));

// The whole file as UTF-8, or nothing when it cannot be opened (as above).
// Never throws.
std::optional<std::string> ReadTextFile(std::string_view utf8Path);

// The text with each control character (C0, DEL, C1) and each Unicode line or
// paragraph separator replaced by "?": a log line built from names that come
// from outside (a PC file name may hold CR LF) stays one line.
std::string WithoutControlCharacters(std::string_view utf8);

// A file read for its text (UTF-8), or nothing when nothing is there at all
// (no file, no link): only that is a missing file. Failed when a name that
// stands for something gave no text, with why, to follow the file's name:
// "is a folder, not a file", "cannot be read (permission denied)" and the like.
using TextFileRead = Result<std::optional<std::string>>;
TextFileRead ReadTextFileOrWhy(std::string_view utf8Path);

enum class WriteMode { Replace, Append };

// Writes each line followed by CR LF, in code page 932. An append starts on
// a line of its own when the file's last line has no CR LF. False when the
// file could not be opened or written.
bool WriteTextLines(std::string_view utf8Path, const std::vector<std::string>& lines, WriteMode mode);

// Replaces the file whole: the lines go to a temporary file beside it, which
// is flushed to the disk and then renamed over the file, and the rename is
// flushed too: once this says so, a power cut leaves the new file. A failure leaves the
// old file as it was; its reason is the system's words for the step that
// failed, empty when the system gave none.
Status WriteTextLinesAtomically(std::string_view utf8Path, const std::vector<std::string>& lines);
// The same for bytes as they are to stand in the file.
Status WriteBytesAtomically(std::string_view utf8Path, const std::string& bytes);

// Removes the temporary file of WriteTextLinesAtomically for this path that
// a run killed before its rename left behind (a plain file only).
void RemoveAtomicWriteLeftover(std::string_view utf8Path);

// Takes characters (not bytes: a double-byte character counts once) as they
// stand, line ends included.
class CharReader {
public:
    explicit CharReader(std::string utf8) : text_(std::move(utf8)) {}
    // The next `count` characters; nothing when fewer remain (the rest is used up).
    std::optional<std::string> Read(std::size_t count);

private:
    std::string text_;
    std::size_t pos_ = 0;
};

// Fields that end at a comma or a line end. Blanks and empty lines before a
// field are skipped; a field may be enclosed in double quotes.
class FieldReader {
public:
    explicit FieldReader(std::string utf8) : text_(std::move(utf8)) {}
    std::optional<std::string> Read(); // nothing at the end of the file

private:
    void SkipDelimiter();
    std::string text_;
    std::size_t pos_ = 0;
};

// Whole lines without their line end (CR LF, CR or LF).
class LineReader {
public:
    explicit LineReader(std::string utf8) : text_(std::move(utf8)) {}
    std::optional<std::string> Read(); // nothing at the end of the file

private:
    std::string text_;
    std::size_t pos_ = 0;
};

} // namespace tavelin::settings

// SPDX-License-Identifier: MIT
// The hand-held's file commands of the manual window: read its file list and
// free space, erase a file, rename a file. Each sends its command at most 20
// times and answers with an integer result; the list box and the free-space
// text box it fills are reached through the small views below.
#pragma once

#include "link/frame.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tavelin::modes {

constexpr int kHhtFileCapacity = 129;

struct HhtFileEntry {
    std::string Name; // 1 to 12 characters, no spaces
    std::int64_t Size = 0;
};

// The last list read; entries 0 .. Count-1 are valid.
struct HhtFileTable {
    std::array<HhtFileEntry, kHhtFileCapacity> HhtFiles{};
    int Count = 0;
    std::int64_t HhtFreeBytes = 0;
    bool Truncated = false; // the hand-held's list went on past the table
};

// The hand-held pane's list: item text the name, item data the size.
class FileListView {
public:
    virtual ~FileListView() = default;
    virtual void Clear() = 0;
    virtual void AddItem(const std::string& text, std::int64_t itemData) = 0;
};

class TextView {
public:
    virtual ~TextView() = default;
    virtual void SetText(std::string_view text) = 0;
};

// 0 list read, table and views replaced; -1 refused or no valid header after
// 20 tries; -2 stopped by StopRequest (the hand-held is sent "E"/CAN); -3 too
// many failed receives (or repeated frames) while the entries came. On
// failure the table and the views keep what they held.
//
// A list longer than the table is cut there: the hand-held is sent "E"/CAN,
// the result is 0 and the table says Truncated. Late answers to earlier
// commands and list headers sent again never become entries.
int GetHhtFileList(link::Link& link, HhtFileTable& table, FileListView& list, TextView& freeSpace);

// 0 done; -1 failed, refused or unanswered; -2 stopped by StopRequest after a
// try that got no answer; -4 the hand-held is in the wrong mode.
int DeleteHhtFile(link::Link& link, std::string_view name);
int RenameHhtFile(link::Link& link, std::string_view oldName, std::string_view newName);

} // namespace tavelin::modes

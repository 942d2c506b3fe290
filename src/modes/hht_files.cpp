// SPDX-License-Identifier: MIT
#include "hht_files.h"

#include "settings/codepage.h"
#include "transfer/exchange.h"
#include "transfer/frame_fields.h"

namespace tavelin::modes {

namespace {

using transfer::FirstDataChar;
using transfer::FrameData;
using transfer::FrameKind;

constexpr int kMaxTries = 20;
constexpr std::size_t kEntryLength = 19; // name 12, size 7
constexpr std::size_t kNameField = 12;
constexpr std::size_t kSizeField = 7;

void Acknowledge(link::Link& link, int digit)
{
    link.port.DiscardInput();
    link::SendFrame(link, "A", digit, std::string(1, static_cast<char>(link::ACK)));
}

// Clamped: a frame whose length is no multiple of 19 ends in a short entry.
std::string_view Field(std::string_view data, std::size_t from, std::size_t length)
{
    return from >= data.size() ? std::string_view{} : data.substr(from, length);
}

// Adds the entries of one list frame. The hand-held's count is rounded to the
// nearest whole entry, so a trailing part of at least half an entry counts,
// with whatever of its fields arrived.
void TakeEntries(std::string_view data, HhtFileTable& table)
{
    const std::size_t entries = (data.size() + kEntryLength / 2) / kEntryLength;
    for (std::size_t j = 0; j < entries; ++j) {
        const std::string_view field = Field(data, j * kEntryLength, kNameField);
        const std::size_t space = field.find(' ');
        if (space == 0 || field.empty())
            continue; // a name cannot begin with a space
        if (table.Count >= kHhtFileCapacity)
            continue; // the table is full: the rest never reach the list
        HhtFileEntry& entry = table.HhtFiles[static_cast<std::size_t>(table.Count++)];
        entry.Name = settings::Cp932ToUtf8(field.substr(0, space));
        entry.Size = transfer::FrameNumber(Field(data, j * kEntryLength + kNameField, kSizeField));
    }
}

// A number as the free-space box shows it: a blank in place of a plus sign.
std::string SignedText(std::int64_t value) { return (value >= 0 ? " " : "") + std::to_string(value); }

// The window is closing: the list exchange ends the way the hand-held
// understands, and whoever asked learns that it stopped.
int StopListing(link::Link& link)
{
    transfer::SendChar(link, "E", 0, link::CAN);
    transfer::ClearStop(link);
    return -2;
}

// Shared by erase and rename: send until a valid answer comes.
int SendFileCommand(link::Link& link, const std::string& data)
{
    link.port.SetInTimeout(link.state.settings.CommTimeout);
    std::string reply;
    for (int tries = 0;;) {
        link.port.DiscardInput();
        link::SendFrame(link, "C", 0, data);
        const int rc = link::RecvFrame(link, reply);
        if (rc == 0 && FrameKind(reply) == 'A')
            return FirstDataChar(reply) == static_cast<char>(link::ACK) ? 0 : -1;
        if (rc == 0 && FrameKind(reply) == 'R')
            return FirstDataChar(reply) == 'M' ? -4 : -1;
        if (transfer::StopRequested(link)) {
            transfer::ClearStop(link);
            return -2;
        }
        if (++tries >= kMaxTries)
            return -1;
    }
}

} // namespace

int GetHhtFileList(link::Link& link, HhtFileTable& table, FileListView& list, TextView& freeSpace)
{
    link.port.SetInTimeout(link.state.settings.CommTimeout);
    int tries = 0; // one budget for the whole call
    std::string frame;
    HhtFileTable fresh;
    for (;;) {
        link.port.DiscardInput();
        link::SendFrame(link, "C", 0, "F");
        const int rc = link::RecvFrame(link, frame);
        if (transfer::StopRequested(link))
            return StopListing(link);
        if (rc == 0 && FrameKind(frame) == 'D') {
            fresh.HhtFreeBytes = transfer::FrameNumber(Field(FrameData(frame), 3, kSizeField));
            break;
        }
        if ((rc == 0 && FrameKind(frame) == 'R') || ++tries >= kMaxTries)
            return -1;
    }
    Acknowledge(link, 0);
    int lastDigit = -1;
    for (;;) {
        const int rc = link::RecvFrame(link, frame);
        if (transfer::StopRequested(link))
            return StopListing(link);
        if (rc != 0) {
            if (++tries >= kMaxTries)
                return -3;
            continue;
        }
        switch (FrameKind(frame)) {
        case 'D': {
            const int digit = transfer::FrameDigit(frame);
            Acknowledge(link, digit);
            if (digit != lastDigit) // the same digit again: our acknowledgement was lost
                TakeEntries(FrameData(frame), fresh);
            lastDigit = digit;
            break;
        }
        case 'E':
            table = fresh;
            freeSpace.SetText(SignedText(table.HhtFreeBytes));
            list.Clear();
            for (int i = 0; i < table.Count; ++i)
                list.AddItem(table.HhtFiles[static_cast<std::size_t>(i)].Name, table.HhtFiles[static_cast<std::size_t>(i)].Size);
            return 0;
        case 'R': return -1;
        default: break; // anything else is passed over without using up a try
        }
    }
}

int DeleteHhtFile(link::Link& link, std::string_view name)
{
    return SendFileCommand(link, "E" + transfer::PaddedName(name));
}

int RenameHhtFile(link::Link& link, std::string_view oldName, std::string_view newName)
{
    return SendFileCommand(link, "N" + transfer::PaddedName(oldName) + transfer::PaddedName(newName));
}

} // namespace tavelin::modes

// SPDX-License-Identifier: MIT
#include "hht_files.h"

#include "link/commands.h"
#include "settings/codepage.h"
#include "transfer/exchange.h"
#include "transfer/frame_fields.h"

#include <algorithm>

namespace tavelin::modes {

namespace {

using transfer::FirstDataChar;
using transfer::FrameData;
using transfer::FrameKind;

constexpr int kMaxTries = 20;
constexpr std::size_t kEntryLength = 19; // name 12, size 7
constexpr std::size_t kNameField = 12;
constexpr std::size_t kSizeField = 7;
constexpr std::size_t kHeaderLength = 10; // count 3, free bytes 7
// Late answers read past while waiting for the answer to one "F": more than
// a long pause of polling leaves queued.
constexpr int kMaxLateAnswers = 64;

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
// with whatever of its fields arrived. False when an entry found the table
// full: the list is longer than the table holds.
bool TakeEntries(std::string_view data, HhtFileTable& table)
{
    const std::size_t entries = (data.size() + kEntryLength / 2) / kEntryLength;
    for (std::size_t j = 0; j < entries; ++j) {
        const std::string_view field = Field(data, j * kEntryLength, kNameField);
        const std::size_t space = field.find(' ');
        if (space == 0 || field.empty())
            continue; // a name cannot begin with a space
        if (table.Count >= kHhtFileCapacity)
            return false;
        HhtFileEntry& entry = table.HhtFiles[static_cast<std::size_t>(table.Count++)];
        entry.Name = settings::Cp932ToUtf8(field.substr(0, space));
        entry.Size = transfer::FrameNumber(Field(data, j * kEntryLength + kNameField, kSizeField));
    }
    return true;
}

// The list header's data: a 3-digit count and 7 digits of free bytes. No
// entry frame looks like it (entries are 19 characters, and ten digits make
// no 8.3 name), so a header that comes among the entries is known for one.
bool IsListHeader(std::string_view data)
{
    return data.size() == kHeaderLength &&
           std::all_of(data.begin(), data.end(), [](char c) { return c == ' ' || (c >= '0' && c <= '9'); });
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
        const int rc = link::ReceiveAnswer(link, reply);
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

// One reading of the list. A hand-held that was busy for a while answers
// the commands that queued up meanwhile all at once: late answers to earlier
// polls, and a header for every "F" that was sent again. Such answers are
// passed over: a late answer never costs a resend of "F", and a header
// among the entries starts the list over instead of becoming an entry or
// hiding the real first entry frame behind its digit.
class ListReader {
public:
    ListReader(link::Link& link, HhtFileTable& table) : link_(link), table_(table) {}

    // 0 read to its end frame (or cut at the table's size); -1, -2, -3 as
    // GetHhtFileList.
    int Run()
    {
        if (const int request = Request(); request != 0)
            return request;
        Acknowledge(link_, 0);
        return ReadEntries();
    }

private:
    int Request()
    {
        for (;;) {
            link_.port.DiscardInput();
            link::SendFrame(link_, "C", 0, "F");
            const int rc = AwaitAnswer();
            if (rc == 0 && FrameKind(frame_) == 'D') {
                TakeHeader();
                return 0;
            }
            if (rc == -2)
                return rc;
            if ((rc == 0 && FrameKind(frame_) == 'R') || ++tries_ >= kMaxTries)
                return -1;
        }
    }

    // The answer to the "F" just sent: late answers to earlier commands are
    // read past, up to a bound, since the answer to "F" may follow them.
    int AwaitAnswer()
    {
        for (int late = 0;; ++late) {
            const int rc = link::RecvFrame(link_, frame_);
            if (transfer::StopRequested(link_))
                return StopListing(link_);
            const char kind = rc == 0 ? FrameKind(frame_) : '\0';
            if (kind == 'D' || kind == 'R' || rc != 0 || late >= kMaxLateAnswers)
                return rc;
        }
    }

    void TakeHeader()
    {
        table_.HhtFreeBytes = transfer::FrameNumber(Field(FrameData(frame_), 3, kSizeField));
    }

    // Frames that are no news (the entry frame just taken, sent again, and
    // frames of no list) are passed over within the time allowed for the
    // next one: they use up no try.
    int ReadEntries()
    {
        link::ReplyWait wait(link_);
        for (;;) {
            const int rc = wait.Receive(frame_);
            if (transfer::StopRequested(link_))
                return StopListing(link_);
            if (rc != 0) {
                if (++tries_ >= kMaxTries)
                    return -3;
                wait.Restart();
                continue;
            }
            switch (FrameKind(frame_)) {
            case 'D':
                switch (TakeListFrame()) {
                case Taken::Yes: wait.Restart(); break;
                case Taken::Again: wait.PassOver(frame_.size()); break;
                case Taken::TableFull: return EndCut();
                }
                break;
            case 'E': return 0;
            case 'R': return -1;
            default: wait.PassOver(frame_.size()); break;
            }
        }
    }

    enum class Taken { Yes, Again, TableFull };

    Taken TakeListFrame()
    {
        const int digit = transfer::FrameDigit(frame_);
        const std::string_view data = FrameData(frame_);
        if (digit == lastDigit_ && !IsListHeader(data)) {
            // Our acknowledgement was lost, or the hand-held paused before
            // it read it: the same frame again. It is acknowledged again,
            // without dropping what may already follow it.
            link::SendFrame(link_, "A", digit, std::string(1, static_cast<char>(link::ACK)));
            return Taken::Again;
        }
        Acknowledge(link_, digit);
        if (IsListHeader(data)) { // the hand-held began the list again for a later "F"
            TakeHeader();
            table_.Count = 0;
            lastDigit_ = -1;
            entryFrames_ = 0;
            return Taken::Yes;
        }
        lastDigit_ = digit;
        // A list that fits the table never needs more frames than entries.
        if (++entryFrames_ > kHhtFileCapacity || !TakeEntries(data, table_))
            return Taken::TableFull;
        return Taken::Yes;
    }

    // The list goes on past what the table holds: what it holds is the list,
    // and the hand-held is told to stop sending.
    int EndCut()
    {
        table_.Truncated = true;
        transfer::SendChar(link_, "E", 0, link::CAN);
        return 0;
    }

    link::Link& link_;
    HhtFileTable& table_;
    std::string frame_;
    int tries_ = 0; // one budget for the whole reading
    int lastDigit_ = -1;
    int entryFrames_ = 0;
};

} // namespace

int GetHhtFileList(link::Link& link, HhtFileTable& table, FileListView& list, TextView& freeSpace)
{
    link.port.SetInTimeout(link.state.settings.CommTimeout);
    HhtFileTable fresh;
    ListReader reader(link, fresh);
    const int result = reader.Run();
    if (result != 0)
        return result;
    table = fresh;
    freeSpace.SetText(SignedText(table.HhtFreeBytes));
    list.Clear();
    for (int i = 0; i < table.Count; ++i)
        list.AddItem(table.HhtFiles[static_cast<std::size_t>(i)].Name, table.HhtFiles[static_cast<std::size_t>(i)].Size);
    return 0;
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

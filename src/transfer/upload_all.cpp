// SPDX-License-Identifier: MIT
#include "commit.h"
#include "settings/texts.h"
#include "engines.h"
#include "exchange.h"
#include "frame_fields.h"
#include "pc_file_attributes.h"
#include "pc_file_rules.h"

#include "settings/codepage.h"
#include "settings/paths.h"

#include <algorithm>
#include <bitset>
#include <fstream>
#include <limits>
#include <optional>

namespace tavelin::transfer {

namespace {

constexpr std::size_t kNameField = 12;
constexpr std::size_t kSizeField = 7;
constexpr int kTotalSilenceMs = 25000;

std::int32_t HistoryCount(std::int64_t size)
{
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(size, 0, std::numeric_limits<std::int32_t>::max()));
}

// A name as the hand-held sent it may hold control characters; they must not
// break the line structure of the history.
std::string Printable(std::string name)
{
    std::replace_if(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }, '?');
    return name;
}

std::string AsText(const link::Bytes& data) { return std::string(data.begin(), data.end()); }

class AllUploadRun {
public:
    AllUploadRun(link::Link& link, const std::string& directory, ProgressIndicator& progress, int mode,
                 UpFileList& upFiles, AutoWindowLines lines)
        : link_(link), directory_(settings::WithTrailingSeparator(directory)), progress_(progress), mode_(mode), upFiles_(upFiles), lines_(lines),
          waitLimit_(UploadWaitLimit(link.state.settings.CommTimeout))
    {
    }

    int Run()
    {
        if (const std::optional<int> early = Request())
            return *early;
        progress_.SetVisible(true);
        progress_.SetValue(0);
        while (NextHeader()) {
        }
        return Finish();
    }

private:
    // ---- the request: "U", answered by the number of files
    std::optional<int> Request()
    {
        std::string reply;
        for (;;) {
            link_.port.DiscardInput();
            link::SendFrame(link_, "C", 0, "U");
            ++requests_;
            const int rc = link::RecvFrame(link_, reply);
            if (StopRequested(link_)) {
                // The flag stays set: the automatic cycle ends its run on it.
                SendChar(link_, "E", 0, link::CAN);
                History("", 0, -2, texts::kUploadStopped);
                return -2;
            }
            if (rc == 0 && FrameKind(reply) == 'D') {
                count_ = FrameNumber(FrameData(reply).substr(0, 3));
                countFrame_ = reply;
                return std::nullopt;
            }
            if (rc == 0 && FrameKind(reply) == 'R') {
                const bool wrongMode = FirstDataChar(reply) == 'M';
                History("", 0, wrongMode ? -4 : -1, wrongMode ? texts::kModeError : texts::kUploadFailed);
                return wrongMode ? -4 : -1;
            }
            if (++waits_ >= waitLimit_) {
                History("", 0, -3, texts::kUploadFailed);
                return -1;
            }
        }
    }

    // ---- the header wait: true to wait for the next header, false to commit
    bool NextHeader()
    {
        std::string frame;
        for (;;) {
            const int rc = AwaitHeader(frame);
            if (StopRequested(link_)) {
                SendChar(link_, "E", 0, link::CAN);
                ClearStop(link_);
                History("", 0, -2, texts::kUploadStopped);
                return End(-2);
            }
            if (rc == 0 && FrameKind(frame) == 'D') {
                if (FirstDataChar(frame) == static_cast<char>(link::EOT))
                    return End(0);
                return TakeHeader(frame);
            }
            if (++waits_ < waitLimit_)
                continue;
            if (rc != 0 && index_ == count_) {
                // Every announced file was dealt with; only the closing frame
                // is missing. A slot this run did not fill holds an earlier
                // run's file and must not be reported.
                if (FilledThisRun(index_))
                    History(upFiles_[index_].name, upFiles_[index_].size, 0, texts::kUploadOk);
                return End(0);
            }
            History(FilledThisRun(index_) ? upFiles_[index_].name : "", 0, -3, texts::kUploadFailed);
            return End(-1);
        }
    }

    // A hand-held that paused sends again what it had sent before the PC's
    // answer reached it: the end frame of the file just taken (it is
    // acknowledged again, as the hand-held waits for that to go on), or the
    // count, when "U" went out more than once. Neither is a header, nor a
    // failed wait.
    int AwaitHeader(std::string& frame)
    {
        link::ReplyWait wait(link_);
        for (;;) {
            const int rc = wait.Receive(frame);
            if (rc != 0 || StopRequested(link_))
                return rc;
            if (IsEndAgain(frame))
                SendChar(link_, "A", 0, link::ACK);
            else if (!IsCountAgain(frame))
                return rc;
            wait.PassOver(frame.size());
        }
    }

    bool IsEndAgain(std::string_view frame) const
    {
        return endAcknowledged_ && FrameKind(frame) == 'E' && FirstDataChar(frame) == static_cast<char>(link::EOT);
    }

    // Only a request sent more than once can be answered more than once.
    bool IsCountAgain(std::string_view frame) const { return requests_ > 1 && frame == countFrame_; }
    bool IsCountAgain(const std::string& header, const link::Bytes& data) const
    {
        return requests_ > 1 && header + AsText(data) == std::string_view(countFrame_).substr(0, countFrame_.size() - 2);
    }

    // ---- a file header: refuse it, or acknowledge it and take the file
    bool TakeHeader(const std::string& frame)
    {
        endAcknowledged_ = false;
        headerFrame_ = frame;
        headerDigit_ = FrameDigit(frame);
        const std::string_view data = FrameData(frame);
        const std::string_view field = data.substr(0, kNameField);
        const std::string name = UnpaddedName(field);
        const std::string_view raw = field.substr(0, field.find(' '));
        if (index_ >= kUpFileCapacity) // no slot left in this run's table
            return Refuse('F', Printable(name), -1, texts::kUploadFailed, false);
        if (field.find(' ') == std::string_view::npos && field.size() < kNameField)
            return Refuse('F', "", -1, texts::kUploadFailed, true);
        if (!IsUsableName(name, raw))
            return Refuse('F', Printable(name), -5, texts::kNameNotUsable, true);
        const std::filesystem::path target = settings::FsPath(directory_ + name);
        if (IsProtectedPcFile(target))
            return Refuse('F', name, -1, texts::kProtectedFile, true);

        const std::int64_t size = FrameNumber(data.substr(std::min(data.size(), kNameField), kSizeField));
        upFiles_[index_] = {name, size};
        filled_.set(index_);
        if (lines_.message != nullptr)
            lines_.message->SetMessage("ID " + link_.state.CurHhtId + ": " + name + std::string(texts::kUploadingSuffix));
        progress_.SetValue(0);
        progress_.SetMin(0);
        if (size < 0) {
            link_.port.DiscardInput();
            return Refuse('F', name, -5, texts::kUploadFailed, true);
        }
        progress_.SetMax(size == 0 ? 1 : size);
        if (PlainFileExists(target) && mode_ == 3) {
            link_.port.DiscardInput();
            SendChar(link_, "R", headerDigit_, 'S');
            ++index_;
            settings::AddHistoryLine(link_.state, lines_.history, name, texts::kSameNameExists);
            return true;
        }
        total_ = 0;
        const std::filesystem::path temp = TempPath();
        RemoveQuietly(temp);
        out_.open(temp, std::ios::binary | std::ios::trunc);
        if (!out_) {
            out_.close();
            SendChar(link_, "R", headerDigit_, 'F');
            History(name, 0, -1, texts::kUploadFailed);
            return End(-1);
        }
        link_.port.DiscardInput();
        SendChar(link_, "A", headerDigit_, link::ACK);
        waits_ = 0;
        return FirstBlock();
    }

    // A name must stand for exactly the bytes the hand-held sent (two names
    // that do not convert must not meet in one PC file), and must not replace
    // one of the program's own files.
    bool IsUsableName(const std::string& name, std::string_view raw) const
    {
        return !IsRefusedUploadName(name, directory_, link_.state.settings.WorkDir) &&
               settings::Utf8ToCp932(name) == raw;
    }

    bool Refuse(char reason, const std::string& name, std::int16_t code, std::string_view text, bool advance)
    {
        SendChar(link_, "R", headerDigit_, static_cast<std::uint8_t>(reason));
        if (advance)
            ++index_;
        History(name, 0, code, text);
        return true;
    }

    // ---- the wait for the first block, seeing through repeated headers
    bool FirstBlock()
    {
        std::string header;
        link::Bytes data;
        int digit = headerDigit_;
        for (;;) {
            const int rc = AwaitFirstBlock(header, data);
            if (StopRequested(link_))
                return Stopped(digit);
            if (rc == 0) {
                digit = FrameDigit(header);
                if (digit == 0) {
                    // The first block. Any other digit is a stale frame, which
                    // counts as a failed wait: it must not keep the wait alive.
                    waits_ = 0;
                    last_ = -1;
                    return DataLoop(FrameKind(header), digit, data);
                }
            }
            if (++waits_ >= waitLimit_) {
                DropTemp();
                History("", 0, -3, texts::kUploadFailed);
                return End(-1);
            }
        }
    }

    // The header again (its acknowledgement was lost, or the hand-held paused
    // before it read it) is acknowledged again; a count sent again is passed
    // over: neither is the first block, nor a failed wait.
    int AwaitFirstBlock(std::string& header, link::Bytes& data)
    {
        link::ReplyWait wait(link_);
        for (;;) {
            const int rc = wait.ReceiveBin(header, data);
            if (rc != 0 || StopRequested(link_))
                return rc;
            if (IsHeaderAgain(header, data)) {
                link_.port.DiscardInput();
                SendChar(link_, "A", FrameDigit(header), link::ACK);
            } else if (index_ != 0 || !IsCountAgain(header, data)) {
                return rc;
            }
            wait.PassOver(link::kFrameOverhead + data.size());
        }
    }

    // A lost acknowledgement makes the hand-held send its header again. With
    // a digit other than 0 the digit tells; with 0 only the whole text does.
    bool IsHeaderAgain(const std::string& header, const link::Bytes& data) const
    {
        if (headerDigit_ != 0)
            return FrameDigit(header) == headerDigit_ && FrameKind(header) == 'D';
        return header + AsText(data) == std::string_view(headerFrame_).substr(0, headerFrame_.size() - 2);
    }

    // ---- the blocks of one file, starting with the frame in hand
    bool DataLoop(char kind, int digit, link::Bytes data)
    {
        std::string header;
        for (;;) {
            if (kind == 'D' && digit != last_) {
                if (!Write(digit, data))
                    return End(-1);
                SendChar(link_, "A", digit, link::ACK);
            } else if (kind == 'E') {
                return EndOfFile(data);
            } else if (kind == 'R') {
                DropTemp();
                History(upFiles_[index_].name, 0, -1, texts::kUploadFailed);
                ++index_;
                progress_.SetValue(0);
                waits_ = 1;
                return true;
            } else if (++waits_ >= waitLimit_) {
                return GiveUpOnFile();
            } else if (AsksAgain(waits_)) {
                SendChar(link_, "A", digit, kEnq);
            }
            const int rc = ReceiveAfterBlock(link_, last_, header, data);
            if (StopRequested(link_))
                return Stopped(digit);
            kind = rc == 0 ? FrameKind(header) : '\0';
            if (rc == 0)
                digit = FrameDigit(header);
        }
    }

    // Takes one block. More than the header announced is refused: a hand-held
    // that keeps sending must not fill the disk.
    bool Write(int digit, const link::Bytes& data)
    {
        const UpFileEntry& entry = upFiles_[index_];
        const auto n = static_cast<std::int64_t>(data.size());
        if (total_ + n > entry.size || !out_.write(reinterpret_cast<const char*>(data.data()), n)) {
            DropTemp(); // on a full disk the failure line needs the room
            SendChar(link_, "R", digit, 'F');
            History(entry.name, 0, -5, texts::kUploadFailed);
            return false;
        }
        total_ += n;
        progress_.SetValue(total_);
        last_ = digit;
        waits_ = 0;
        return true;
    }

    bool EndOfFile(const link::Bytes& data)
    {
        const UpFileEntry& entry = upFiles_[index_];
        if (!data.empty() && data.front() == link::CAN) {
            DropTemp();
            History(entry.name, 0, -2, texts::kUploadStopped);
            return End(-2);
        }
        if (total_ != entry.size) {
            DropTemp();
            History(entry.name, 0, -3, texts::kUploadFailed);
            return End(-1);
        }
        out_.close();
        const bool written = !out_.fail(); // the last bytes reached the disk
        // The hand-held is told the file was taken only once it stands under
        // its name, so a crash after the acknowledgement loses nothing.
        const bool committed = written && CommitOne(TempPath(), entry);
        DropTemp();
        if (!committed) {
            SendChar(link_, "R", 0, 'F');
            History(entry.name, 0, -5, written ? texts::kCommitFailed : texts::kUploadFailed);
            return End(-1);
        }
        SendChar(link_, "A", 0, link::ACK);
        endAcknowledged_ = true;
        History(entry.name, entry.size, 0, texts::kUploadOk);
        ++index_;
        waits_ = 1;
        return true;
    }

    // Silence after the data: a file whose bytes all came is still not kept,
    // and the next header takes the same slot.
    bool GiveUpOnFile()
    {
        DropTemp();
        if (total_ == upFiles_[index_].size) {
            progress_.SetVisible(false);
            return true;
        }
        History(upFiles_[index_].name, 0, -3, texts::kUploadFailed);
        return End(-1);
    }

    bool Stopped(int digit)
    {
        SendChar(link_, "E", digit, link::CAN);
        ClearStop(link_);
        DropTemp();
        History(upFiles_[index_].name, 0, -2, texts::kUploadStopped);
        return End(-2);
    }

    // ---- the end of the exchange: every complete file reached its target
    // when it came; what is left of a file under way goes.
    int Finish()
    {
        progress_.SetVisible(false);
        DropTemp();
        return result_;
    }

    std::filesystem::path TempPath() const { return UpTempPath(link_.state.settings.WorkDir, index_); }

    void DropTemp()
    {
        out_.close();
        if (index_ < kUpFileCapacity)
            RemoveQuietly(TempPath());
    }

    bool CommitOne(const std::filesystem::path& temp, const UpFileEntry& entry)
    {
        const std::filesystem::path target = settings::FsPath(directory_ + entry.name);
        switch (mode_) {
        case 1: return ReplaceWithTemp(temp, target);
        case 2: return AppendTemp(temp, target);
        case 3: {
            std::error_code error;
            if (std::filesystem::exists(std::filesystem::symlink_status(target, error)))
                return true; // an existing file is kept, as this mode asks
            return ReplaceWithTemp(temp, target);
        }
        default: return true;
        }
    }

    bool FilledThisRun(int index) const { return index >= 0 && index < kUpFileCapacity && filled_.test(index); }

    bool End(int result)
    {
        result_ = result;
        return false;
    }

    void History(const std::string& name, std::int64_t size, std::int16_t code, std::string_view text)
    {
        settings::WriteHistory(link_.state, lines_.history, name, HistoryCount(size), code, text);
    }

    link::Link& link_;
    const std::string directory_; // always a directory, whatever the caller's text ended in
    ProgressIndicator& progress_;
    const int mode_;
    UpFileList& upFiles_;
    AutoWindowLines lines_;
    const int waitLimit_;

    int waits_ = 0;       // failed waits, one budget for every wait
    int requests_ = 0;    // times "U" went out
    std::string countFrame_; // the answer to it
    bool endAcknowledged_ = false; // the last frame taken was a file's end, and acknowledged
    std::int64_t count_ = 0;
    int index_ = 0;       // slot of the next file
    int result_ = 0;
    std::bitset<kUpFileCapacity> filled_;
    std::string headerFrame_;
    int headerDigit_ = 0;
    std::ofstream out_;
    std::int64_t total_ = 0;
    int last_ = -1;
};

} // namespace

int UploadWaitLimit(int commTimeoutMs)
{
    const int timeout = std::max(commTimeoutMs, 1);
    const int quotient = kTotalSilenceMs / timeout;
    const int twiceRest = 2 * (kTotalSilenceMs % timeout);
    const bool roundUp = twiceRest > timeout || (twiceRest == timeout && quotient % 2 == 1);
    return std::max(quotient + (roundUp ? 1 : 0), 1);
}

int UploadAllFiles(link::Link& link, const std::string& directory, ProgressIndicator& progress, int mode,
                   UpFileList& upFiles, AutoWindowLines lines)
{
    link.port.SetInTimeout(link.state.settings.CommTimeout);
    ClearStop(link);
    return AllUploadRun(link, directory, progress, mode, upFiles, lines).Run();
}

} // namespace tavelin::transfer

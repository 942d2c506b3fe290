// SPDX-License-Identifier: MIT
#include "block_sender.h"
#include "settings/texts.h"
#include "engines.h"
#include "exchange.h"
#include "frame_fields.h"

#include "link/commands.h"
#include "settings/paths.h"

#include <fstream>
#include <limits>
#include <optional>

namespace tavelin::transfer {

namespace {

constexpr int kMaxRequests = 20;
constexpr double kPauseAfterFile = 0.05;
constexpr double kPauseBeforeClose = 0.1;

std::int32_t HistoryCount(std::int64_t size)
{
    return static_cast<std::int32_t>(std::min<std::int64_t>(size, std::numeric_limits<std::int32_t>::max()));
}

class FileSetRun {
public:
    FileSetRun(link::Link& link, const std::string& directory, ProgressIndicator& progress, AutoWindowLines lines)
        : link_(link), directory_(directory), progress_(progress), lines_(lines)
    {
    }

    int Run(std::span<const std::string> names)
    {
        const std::optional<int> refused = RequestSet(names.size());
        if (refused)
            return *refused;
        progress_.SetVisible(true);
        progress_.SetValue(0);
        for (const std::string& name : names) {
            if (const std::optional<int> result = SendOne(name)) {
                progress_.SetVisible(false);
                return *result;
            }
        }
        link::WaitSec(link_.pump, kPauseBeforeClose);
        link::SendFrame(link_, "D", 0, std::string(1, static_cast<char>(link::EOT)));
        progress_.SetVisible(false);
        return 0;
    }

private:
    void History(const std::string& name, std::int64_t size, std::int16_t code, std::string_view text)
    {
        settings::WriteHistory(link_.state, lines_.history, name, HistoryCount(size), code, text);
    }

    // "W" with the count; nothing when accepted, else the set's result.
    std::optional<int> RequestSet(std::size_t count)
    {
        char data[16];
        std::snprintf(data, sizeof data, "W%03zu", count);
        std::string reply;
        for (;;) {
            link_.port.DiscardInput();
            link::SendFrame(link_, "C", 0, data);
            const int rc = link::RecvFrame(link_, reply);
            if (StopRequested(link_)) {
                // The flag stays set: the automatic cycle ends its run on it.
                SendChar(link_, "E", 0, link::CAN);
                History("", 0, -2, texts::kDownloadStopped);
                return -2;
            }
            if (rc == 0 && FrameKind(reply) == 'A' && FirstDataChar(reply) == link::ACK)
                return std::nullopt;
            if (rc == 0 && FrameKind(reply) == 'R') {
                const bool wrongMode = FirstDataChar(reply) == 'M';
                History("", 0, wrongMode ? -4 : -1, wrongMode ? texts::kModeError : texts::kDownloadFailed);
                return wrongMode ? -4 : -1;
            }
            if (++counters_.attempts >= kMaxRequests) {
                History("", 0, -3, texts::kDownloadFailed);
                return -1;
            }
        }
    }

    enum class Request { Accepted, Skip, Stopped, GaveUp };

    // The file's own request; its attempts share the budget of the whole set.
    Request RequestFile(const std::string& name, const std::filesystem::path& path)
    {
        std::string reply;
        for (;;) {
            if (lines_.message != nullptr)
                lines_.message->SetMessage("ID " + link_.state.CurHhtId + ": " + name + std::string(texts::kDownloadingSuffix));
            link_.port.DiscardInput();
            link::SendFrame(link_, "C", 0, PaddedName(name) + SizeField(PcFileLength(path)));
            const int rc = link::RecvFrame(link_, reply);
            if (StopRequested(link_)) {
                SendChar(link_, "E", counters_.seq, link::CAN);
                ClearStop(link_);
                History(name, 0, -2, texts::kDownloadStopped);
                return Request::Stopped;
            }
            if (rc == 0 && FrameKind(reply) == 'A' && FirstDataChar(reply) == link::ACK)
                return Request::Accepted;
            if (rc == 0 && FrameKind(reply) == 'R' && FirstDataChar(reply) == 'F') {
                History(name, 0, -5, texts::kDownloadMax);
                return Request::Skip;
            }
            if (++counters_.attempts >= kMaxRequests) {
                History(name, 0, -3, texts::kDownloadFailed);
                return Request::GaveUp;
            }
        }
    }

    // One file of the set: nothing to go on with the next, else the set's result.
    std::optional<int> SendOne(const std::string& name)
    {
        if (!link::IsHhtFileName(name)) {
            SendChar(link_, "R", 0, 'F');
            History(name, 0, -5, texts::kNameNotUsable);
            return std::nullopt;
        }
        const std::filesystem::path path = settings::FsPath(directory_ + name);
        switch (RequestFile(name, path)) {
        case Request::Accepted: break;
        case Request::Skip: return std::nullopt;
        case Request::Stopped: return -2;
        case Request::GaveUp: return -1;
        }
        std::ifstream file(path, std::ios::binary);
        if (!file) {
            SendChar(link_, "R", 0, 'F');
            History(name, 0, -5, texts::kDownloadFailed);
            return std::nullopt;
        }
        counters_.seq = 0;
        const std::int64_t length = PcFileLength(path);
        if (length == 0) {
            SendChar(link_, "E", 0, link::EOT);
            History(name, 0, 0, texts::kDownloadOk);
            return std::nullopt;
        }
        const BlockOutcome outcome = SendBlocks(link_, file, length, progress_, counters_, false);
        file.close();
        return Conclude(name, length, outcome);
    }

    std::optional<int> Conclude(const std::string& name, std::int64_t length, BlockOutcome outcome)
    {
        switch (outcome.end) {
        case BlockEnd::ReadFailed:
            History(name, 0, -5, texts::kDownloadFailed);
            return std::nullopt;
        case BlockEnd::Stopped:
        case BlockEnd::HhtEnded:
            History(name, 0, -2, texts::kDownloadStopped);
            return -2;
        case BlockEnd::Refused:
            History(name, 0, -1, texts::kDownloadFailed);
            if (outcome.refusal == 'F')
                return std::nullopt;
            return -1;
        case BlockEnd::NotAcknowledged:
            History(name, 0, -3, texts::kDownloadFailed);
            return -1;
        case BlockEnd::AllAcknowledged: break;
        }
        if (RefusedAfterLastBlock(link_)) {
            History(name, 0, -5, texts::kDownloadFailed);
            return -1;
        }
        History(name, length, 0, texts::kDownloadOk);
        link::WaitSec(link_.pump, kPauseAfterFile);
        return std::nullopt;
    }

    link::Link& link_;
    const std::string& directory_;
    ProgressIndicator& progress_;
    AutoWindowLines lines_;
    BlockCounters counters_;
};

} // namespace

int DownloadFileSet(link::Link& link, const std::string& directory, std::span<const std::string> names,
                    ProgressIndicator& progress, AutoWindowLines lines)
{
    link.port.SetInTimeout(link.state.settings.CommTimeout);
    ClearStop(link);
    return FileSetRun(link, directory, progress, lines).Run(names);
}

} // namespace tavelin::transfer

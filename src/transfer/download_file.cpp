// SPDX-License-Identifier: MIT
#include "block_sender.h"
#include "engines.h"
#include "exchange.h"
#include "frame_fields.h"

#include "settings/paths.h"

#include <fstream>

namespace tavelin::transfer {

namespace {

constexpr int kMaxRequests = 20;
constexpr int kAccepted = 1; // beside the result codes: go on with the data

// Sends the request until the hand-held accepts it; kAccepted or a result.
int RequestDownload(link::Link& link, std::string_view kind, const std::string& fileName,
                    const std::filesystem::path& path)
{
    std::string reply;
    for (int attempts = 0;;) {
        const std::string data = std::string(kind) + PaddedName(fileName) + SizeField(PcFileLength(path));
        link.port.DiscardInput();
        link::SendFrame(link, "C", 0, data);
        const int rc = link::RecvFrame(link, reply);
        if (StopRequested(link)) {
            SendChar(link, "E", 0, link::CAN);
            ClearStop(link);
            return -2;
        }
        if (rc == 0 && FrameKind(reply) == 'A' && FirstDataChar(reply) == link::ACK)
            return kAccepted;
        if (rc == 0 && FrameKind(reply) == 'R')
            return FirstDataChar(reply) == 'M' ? -4 : -1;
        if (++attempts >= kMaxRequests)
            return -1;
    }
}

int ResultOf(link::Link& link, BlockOutcome outcome)
{
    switch (outcome.end) {
    case BlockEnd::AllAcknowledged: return RefusedAfterLastBlock(link) ? -5 : 0;
    case BlockEnd::Stopped:
    case BlockEnd::HhtEnded: return -2;
    case BlockEnd::Refused:
    case BlockEnd::NotAcknowledged:
    case BlockEnd::ReadFailed: break;
    }
    return -1;
}

} // namespace

int DownloadFile(link::Link& link, std::string_view kind, const std::string& directory, const std::string& fileName,
                 ProgressIndicator& progress)
{
    link.port.SetInTimeout(link.state.settings.CommTimeout);
    ClearStop(link);
    const std::filesystem::path path = settings::FsPath(directory + fileName);
    const int request = RequestDownload(link, kind, fileName, path);
    if (request != kAccepted)
        return request;
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return -1; // the hand-held hears nothing more and gives up on its own
    const std::int64_t length = PcFileLength(path);
    if (length == 0) {
        SendChar(link, "E", 0, link::EOT);
        return 0;
    }
    BlockCounters counters;
    const BlockOutcome outcome = SendBlocks(link, file, length, progress, counters, true);
    file.close();
    progress.SetVisible(false);
    return ResultOf(link, outcome);
}

} // namespace tavelin::transfer

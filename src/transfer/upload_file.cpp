// SPDX-License-Identifier: MIT
#include "commit.h"
#include "engines.h"
#include "exchange.h"
#include "frame_fields.h"
#include "pc_file_rules.h"

#include "settings/paths.h"

#include <fstream>

namespace tavelin::transfer {

namespace {

constexpr int kMaxResends = 20;    // the request goes out at most 21 times
constexpr int kMaxFailedWaits = 20; // in the data phase

enum class DataEnd { Complete, Stopped, Failed };

// The data phase of one named file: takes blocks into the temporary file,
// acknowledging each at once and asking again (ENQ) when nothing usable came.
class SingleUpload {
public:
    SingleUpload(link::Link& link, std::ofstream& out, std::int64_t size, ProgressIndicator& progress)
        : link_(link), out_(out), size_(size), progress_(progress)
    {
    }

    DataEnd Run(int firstDigit, const link::Bytes& firstData)
    {
        if (!Take(firstDigit, firstData))
            return DataEnd::Failed;
        SendChar(link_, "A", firstDigit, link::ACK);
        std::string header;
        link::Bytes data;
        for (int attempts = 0;;) {
            const int rc = ReceiveAfterBlock(link_, last_, header, data);
            if (StopRequested(link_))
                return OnStop();
            const char kind = rc == 0 ? FrameKind(header) : '\0';
            if (kind == 'D') {
                const int d = FrameDigit(header);
                SendChar(link_, "A", d, link::ACK);
                if (!Take(d, data))
                    return DataEnd::Failed;
                attempts = 0;
                continue;
            } else if (kind == 'E') {
                if (total_ == size_)
                    return DataEnd::Complete;
                return !data.empty() && data.front() == link::CAN ? DataEnd::Stopped : DataEnd::Failed;
            }
            if (++attempts >= kMaxFailedWaits)
                return total_ == size_ ? DataEnd::Complete : DataEnd::Failed;
            if (AsksAgain(attempts))
                SendChar(link_, "A", last_, kEnq);
        }
    }

    bool DiskFailed() const { return diskFailed_; }

private:
    // Writes one block. More data than the hand-held announced is refused
    // rather than written: a confused or hostile peer must not fill the disk.
    bool Take(int digit, const link::Bytes& data)
    {
        const auto n = static_cast<std::int64_t>(data.size());
        if (total_ + n > size_ || !out_.write(reinterpret_cast<const char*>(data.data()), n)) {
            diskFailed_ = !out_;
            SendChar(link_, "R", digit, 'F');
            return false;
        }
        total_ += n;
        last_ = digit;
        progress_.SetValue(total_);
        return true;
    }

    // A stop after the last byte has arrived completes the file instead.
    DataEnd OnStop()
    {
        if (total_ == size_)
            return DataEnd::Complete;
        SendChar(link_, "E", last_, link::CAN);
        ClearStop(link_);
        return DataEnd::Stopped;
    }

    link::Link& link_;
    std::ofstream& out_;
    std::int64_t size_;
    ProgressIndicator& progress_;
    std::int64_t total_ = 0;
    int last_ = -1;
    bool diskFailed_ = false;
};

// 0 when the first block has come (header and data hold it), else the result.
int RequestUpload(link::Link& link, const std::string& fileName, std::string& header, link::Bytes& data)
{
    for (int attempts = 0;;) {
        link.port.DiscardInput();
        link::SendFrame(link, "C", 0, "S" + PaddedName(fileName));
        const int rc = link::RecvFrameBin(link, header, data);
        if (StopRequested(link)) {
            SendChar(link, "E", 0, link::CAN);
            ClearStop(link);
            return -2;
        }
        const char first = data.empty() ? '\0' : static_cast<char>(data.front());
        if (rc == 0 && FrameKind(header) == 'D')
            return 0;
        if (rc == 0 && FrameKind(header) == 'R')
            return first == 'M' ? -4 : -1;
        if (rc == 0 && FrameKind(header) == 'E')
            return first == static_cast<char>(link::CAN) ? -2 : 0;
        if (++attempts > kMaxResends)
            return -1;
    }
}

// Mode 3 leaves the data in the temporary file for the caller to deal with.
bool Commit(const std::filesystem::path& temp, const std::filesystem::path& target, int mode)
{
    switch (mode) {
    case 1: return ReplaceWithTemp(temp, target);
    case 2:
        if (!AppendTemp(temp, target))
            return false; // the received data stays in the temporary file
        RemoveQuietly(temp);
        return true;
    default: return true;
    }
}

} // namespace

int UploadFile(link::Link& link, const std::string& directory, const std::string& fileName, std::int64_t size,
               ProgressIndicator& progress, int mode, PcSideFailure* why)
{
    PcSideFailure ignored;
    PcSideFailure& failure = why != nullptr ? *why : ignored;
    failure = PcSideFailure::None;
    const std::string targetDir = settings::WithTrailingSeparator(directory);
    if (IsRefusedUploadName(fileName, targetDir, link.state.settings.WorkDir)) {
        failure = PcSideFailure::NameNotUsable;
        return -1; // the program's own files are not the hand-held's to replace
    }
    link.port.SetInTimeout(link.state.settings.CommTimeout);
    ClearStop(link);
    std::string header;
    link::Bytes data;
    if (const int request = RequestUpload(link, fileName, header, data); request != 0)
        return request;

    const std::filesystem::path temp = DataTempPath(link.state.settings.WorkDir);
    progress.SetMin(0);
    RemoveQuietly(temp);
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (size > 0) {
        progress.SetMax(size);
        if (!out) {
            SendChar(link, "R", 0, 'F');
            failure = PcSideFailure::FileIo;
            return -1;
        }
        progress.SetValue(0);
        progress.SetVisible(true);
        SingleUpload upload(link, out, size, progress);
        const DataEnd end = upload.Run(FrameDigit(header), data);
        progress.SetVisible(false);
        if (upload.DiskFailed())
            failure = PcSideFailure::FileIo;
        if (end != DataEnd::Complete)
            return end == DataEnd::Stopped ? -2 : -1;
    }
    out.close();
    if (out.fail()) {
        failure = PcSideFailure::FileIo;
        return -1; // the data never fully reached the disk
    }
    if (!Commit(temp, settings::FsPath(targetDir + fileName), mode)) {
        failure = PcSideFailure::Commit;
        return -1;
    }
    return 0;
}

} // namespace tavelin::transfer

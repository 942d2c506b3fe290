// SPDX-License-Identifier: MIT
// Peak memory of the engines against file size: a download and an upload of
// 1 MB, then of 100 MB, in-process on the in-memory port and virtual time,
// with a minimal far side on a port that keeps no log of the bytes. Streaming
// engines show the same peak for both sizes.
//
//   transfer_memory_bench [megabytes of the large file]
#include "link/frame.h"
#include "link/serial_port.h"
#include "link/virtual_pump.h"
#include "transfer/engines.h"

#include <sys/resource.h>

#include <cstdio>
#include <deque>
#include <functional>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;
using namespace tavelin;

long PeakKilobytes()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The far side answers at once; a read that finds too few bytes has timed out.
class LoopPort final : public link::SerialPort {
public:
    std::function<void(const link::Bytes&)> peer;
    std::deque<std::uint8_t> input;

    void SetCommPort(int) override {}
    void SetSettings(const std::string&) override {}
    link::OpenResult Open() override { return {}; }
    void Close() override {}
    bool IsOpen() const override { return true; }
    void SetDtr(bool) override {}
    void SetRts(bool) override {}
    void SetInTimeout(int) override {}
    int InTimeout() const override { return 800; }
    std::size_t InBufferCount() override { return input.size(); }
    void DiscardInput() override { input.clear(); }
    link::ReadResult Read(std::size_t count, link::Bytes& out) override
    {
        if (input.size() < count)
            return link::ReadResult::TimedOut;
        out.assign(input.begin(), input.begin() + static_cast<std::ptrdiff_t>(count));
        input.erase(input.begin(), input.begin() + static_cast<std::ptrdiff_t>(count));
        return link::ReadResult::Ok;
    }
    void Write(std::span<const std::uint8_t> bytes) override { peer(link::Bytes(bytes.begin(), bytes.end())); }
    bool CtsHolding() override { return false; }
    std::size_t OutBufferCount() override { return 0; }
};

// Acknowledges every frame of a download; for an upload, sends `uploadSize`
// bytes in blocks, one per acknowledgement, then the end frame.
class FarSide {
public:
    FarSide(LoopPort& port, std::int64_t uploadSize) : port_(port), left_(uploadSize)
    {
        port_.peer = [this](const link::Bytes& bytes) { Take(bytes); };
    }

private:
    void Send(char kind, int digit, const link::Bytes& data)
    {
        const link::Bytes frame = link::BuildFrame(kind, "001", digit, data);
        port_.input.insert(port_.input.end(), frame.begin(), frame.end());
    }

    void Take(const link::Bytes& frame)
    {
        const char kind = static_cast<char>(frame[1]);
        const int digit = frame[5] - '0';
        if ((kind == 'C' && frame[10] == 'S') || (kind == 'A' && !download_))
            NextUploadBlock();
        else if (kind == 'C' || kind == 'D') {
            download_ = true;
            Send('A', digit, {link::ACK});
        }
    }

    void NextUploadBlock()
    {
        if (left_ <= 0) {
            Send('E', 0, {link::EOT});
            return;
        }
        const auto n = static_cast<std::size_t>(std::min<std::int64_t>(left_, 512));
        Send('D', digit_, link::Bytes(n, 0x5A));
        digit_ = (digit_ + 1) % 10;
        left_ -= static_cast<std::int64_t>(n);
    }

    LoopPort& port_;
    std::int64_t left_;
    int digit_ = 0;
    bool download_ = false;
};

void Run(const fs::path& root, std::int64_t size)
{
    link::VirtualPump pump;
    LoopPort port;
    settings::AppState state;
    state.settings.CommTimeout = 800;
    state.settings.WorkDir = root.string() + "/";
    link::Link line{port, pump, state};
    {
        std::ofstream out(root / "BIG.DAT", std::ios::binary);
        out.seekp(size - 1);
        out.put('x');
    }
    transfer::NoProgress progress;
    {
        FarSide far(port, 0);
        std::printf("download %4lld MB: result %d, ", static_cast<long long>(size >> 20),
                    transfer::DownloadFile(line, "D", state.settings.WorkDir, "BIG.DAT", progress));
        std::printf("peak %ld kB\n", PeakKilobytes());
    }
    FarSide far(port, size);
    std::printf("upload   %4lld MB: result %d, ", static_cast<long long>(size >> 20),
                transfer::UploadFile(line, state.settings.WorkDir, "UP.DAT", size, progress, 1));
    std::printf("peak %ld kB\n", PeakKilobytes());
    fs::remove(root / "BIG.DAT");
    fs::remove(root / "UP.DAT");
}

} // namespace

int main(int argc, char** argv)
{
    const std::int64_t large = (argc > 1 ? std::stoll(argv[1]) : 100) << 20;
    const fs::path root = fs::temp_directory_path() / "tavelin-memory-bench";
    fs::create_directories(root);
    Run(root, 1 << 20);
    Run(root, large);
    fs::remove_all(root);
    return 0;
}

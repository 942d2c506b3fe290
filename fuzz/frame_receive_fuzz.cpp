// SPDX-License-Identifier: MIT
// The frame receiver fed arbitrary bytes. The first byte chooses the line:
// the configured speed, how fast the bytes really come, the read time-out
// and which receive is used; the rest is what the line carries.
// Every frame delivered must be a whole, well-formed frame taken in order
// from the bytes sent, valid exactly when its check character and ID are, and
// no receive may outlast its allowance.
#include "fuzz_support.h"

#include <algorithm>

using namespace tavelin;

namespace {

constexpr int kLineRates[] = {0, 4800, 19200, 115200};
constexpr int kInTimeouts[] = {50, 200, 800, 0};

bool IsValid(std::string_view frame, std::string_view id)
{
    return link::CalcBcc(frame.substr(1, frame.size() - 2))[0] == frame.back() && frame.substr(2, 3) == id;
}

void CheckFrame(std::string_view frame, int result, std::string_view id)
{
    FUZZ_CHECK(frame.size() >= link::kFrameOverhead);
    FUZZ_CHECK(frame[0] == link::STX && frame[1] >= 'A' && frame[1] <= 'Z');
    for (std::size_t k = 2; k < link::kFrameHeaderSize; ++k)
        FUZZ_CHECK(frame[k] >= '0' && frame[k] <= '9');
    FUZZ_CHECK(std::stoul(std::string(frame.substr(6, 4))) + link::kFrameOverhead == frame.size());
    FUZZ_CHECK(frame[frame.size() - 2] == link::ETX);
    FUZZ_CHECK((result == link::kOk) == IsValid(frame, id));
}

// The first place from `from` where the header and data, ETX and a check
// character make a frame of the validity the receive reported.
std::size_t FindFrame(const std::string& stream, std::size_t from, const std::string& withEtx, int result,
                      std::string_view id)
{
    for (std::size_t at = stream.find(withEtx, from); at != std::string::npos; at = stream.find(withEtx, at + 1)) {
        if (at + withEtx.size() >= stream.size())
            return std::string::npos;
        if (IsValid(std::string_view(stream).substr(at, withEtx.size() + 1), id) == (result == link::kOk))
            return at;
    }
    return std::string::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::uint8_t line = data[0];
    const std::string stream(data + 1, data + size);

    link::VirtualPump pump;
    link::MemoryPort port{pump};
    settings::AppState state;
    state.settings.BaudCode = std::string(1, char('0' + line % 7)); // '6': a code the table lacks
    port.SetLineRate(kLineRates[(line >> 3) & 3]);
    port.SetInTimeout(kInTimeouts[(line >> 6) & 3]);
    port.Open();
    link::Link link{port, pump, state};
    const bool binary = (line & 0x20) != 0;
    port.SendFromPeer(std::span(data + 1, size - 1));

    // The longest a receive may take: its allowance for the largest frame,
    // the 2 ms settling wait and the millisecond a yield lets pass.
    const auto longest = link::ReceiveLimit(link, link::kMaxFrameData) + link::Millis(3);
    std::size_t consumed = 0; // the delivered frames lie in order in the stream
    for (std::size_t receives = 0; receives <= stream.size() + 1; ++receives) {
        const auto start = pump.Now();
        std::string frame;
        int result;
        if (binary) {
            std::string header;
            link::Bytes bytes;
            result = link::RecvFrameBin(link, header, bytes);
            if (result != link::kTimedOut) {
                FUZZ_CHECK(header.size() == link::kFrameHeaderSize);
                frame = header + fuzz::AsString(bytes);
            }
        } else {
            result = link::RecvFrame(link, frame);
        }
        FUZZ_CHECK(pump.Now() - start <= longest);
        FUZZ_CHECK(result == link::kOk || result == link::kFailed || result == link::kTimedOut);
        if (result == link::kTimedOut) {
            if (!pump.HasPending() && port.InBufferCount() == 0)
                break; // the stream is used up
            continue;
        }
        // The binary receive hands over no trailer: it is looked up.
        const std::size_t at = binary ? FindFrame(stream, consumed, frame + '\x03', result, state.CurHhtId)
                                      : stream.find(frame, consumed);
        FUZZ_CHECK(at != std::string::npos);
        if (binary)
            frame = stream.substr(at, frame.size() + 2);
        CheckFrame(frame, result, state.CurHhtId);
        consumed = at + frame.size();
    }
    return 0;
}

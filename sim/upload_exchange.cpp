// SPDX-License-Identifier: MIT
// Uploads: every file ("U": a count, then per file a header, its blocks and
// an end frame, and "D"/EOT after the last file) or one named file ("S": the
// blocks straight away, then the end frame).
//
// Blocks carry digits 0, 1, ... 9, 0, ...; headers carry 1 to 9, so that a
// header never shares its digit with the first block. An unacknowledged
// frame goes out again after the resend time. The PC's "A"/ENQ carries the
// digit of the last block it took: when that is the digit of the block now
// waiting, the PC already has it (only its acknowledgement was lost) and the
// next block follows; any other digit asks for the waiting frame again.
//
// The PC acknowledges the end frame of each file in an upload of all files.
// An "A"/ENQ then asks for the end frame again; silence over three resend
// times is taken as a lost acknowledgement and the next header follows.
//
// A babbling hand-held (FaultOptions::noiseAfterHeader, trickleAfterHeader)
// stops listening after its header: only a new command or the PC's stop
// ends the babble.
#include "exchange.h"

#include "link/frame.h"

#include <algorithm>

namespace tavelin::sim {

namespace {

constexpr std::size_t kBlock = 512;
constexpr int kEndFrameTries = 3;

// Line noise that never forms a frame: its STX is always followed by a byte
// that cannot be a frame kind, and a burst may follow a burst.
const link::Bytes kBabble = {0x00, 0x55, 0xFF, 0x13, link::STX, 'x', 0x80, 0x7F};
// A burst every 5 ms keeps a 19,200 bit/s line nearly full (1,600 of 1,920
// bytes a second); a slower line is kept full, and no fuller, so that the
// noise never piles up ahead of what the hand-held says later.
constexpr auto kNoiseEvery = std::chrono::milliseconds(5);
constexpr auto kTrickleEvery = std::chrono::milliseconds(900);

link::Clock::duration NoiseEvery(int lineBaud)
{
    if (lineBaud <= 0)
        return kNoiseEvery;
    const auto lineTime = std::chrono::duration<double>(10.0 * double(kBabble.size()) / lineBaud);
    return std::max<link::Clock::duration>(kNoiseEvery, std::chrono::ceil<link::Clock::duration>(lineTime));
}

// The blocks of one file, each waiting for its acknowledgement.
class BlockSender {
public:
    enum class Answer { Waiting, AllTaken, Refused, Stopped, NotMine };

    BlockSender(ExchangeContext& ctx, link::Bytes data) : ctx_(ctx), data_(std::move(data)) {}

    // False when the file is empty and there is nothing to send.
    bool Begin() { return SendCurrent(); }

    Answer OnFrame(const ReceivedFrame& frame)
    {
        if (frame.kind == 'R')
            return Answer::Refused;
        if (frame.kind == 'E' && frame.DataIs(link::CAN))
            return Answer::Stopped;
        if (frame.kind != 'A')
            return Answer::NotMine;
        const bool forCurrent = frame.digit == pending_.Digit();
        if (forCurrent && frame.DataIs(link::ACK) && ShouldRepeat()) {
            ctx_.Log("fault: data frame " + std::to_string(ordinal_) + " sent again after its acknowledgement");
            pending_.Resend(ctx_);
            return Answer::Waiting;
        }
        if (forCurrent && (frame.DataIs(link::ACK) || frame.DataIs(ENQ))) {
            ++block_;
            return SendCurrent() ? Answer::Waiting : Answer::AllTaken;
        }
        if (frame.DataIs(ENQ))
            pending_.Resend(ctx_);
        return Answer::Waiting; // an acknowledgement of an earlier frame
    }

    bool OnTimer() { return pending_.Resend(ctx_); }
    std::size_t Size() const { return data_.size(); }

private:
    bool SendCurrent()
    {
        const std::size_t from = block_ * kBlock;
        if (from >= data_.size()) {
            ctx_.Disarm();
            return false;
        }
        const std::size_t to = std::min(data_.size(), from + kBlock);
        ordinal_ = ++ctx_.Counters().dataFramesSent;
        repeated_ = false;
        ctx_.AtDataBlock();
        pending_.Send(ctx_, 'D', static_cast<int>(block_ % 10),
                      link::Bytes(data_.begin() + static_cast<std::ptrdiff_t>(from),
                                  data_.begin() + static_cast<std::ptrdiff_t>(to)));
        return true;
    }

    bool ShouldRepeat()
    {
        if (repeated_ || !ctx_.Config().faults.repeatBlock.contains(ordinal_))
            return false;
        repeated_ = true;
        return true;
    }

    ExchangeContext& ctx_;
    link::Bytes data_;
    PendingFrame pending_;
    std::size_t block_ = 0;
    int ordinal_ = 0;
    bool repeated_ = false;
};

std::string Described(const StoredFile& file)
{
    return "upload " + file.name + " (" + std::to_string(file.size) + " bytes)";
}

class UploadAllExchange final : public Exchange {
public:
    explicit UploadAllExchange(ExchangeContext& ctx) : ctx_(ctx), unit_(ctx.Unit()) {}

    void Start() override
    {
        files_ = unit_.store.List();
        if (files_.size() > 999)
            files_.resize(999);
        ctx_.SendText('D', 0, Digits(static_cast<std::int64_t>(files_.size()), 3)); // not acknowledged
        NextFile();
    }

    bool OnFrame(const ReceivedFrame& frame) override
    {
        switch (state_) {
        case State::Header: return HeaderAnswer(frame);
        case State::Blocks: return BlockAnswer(frame);
        case State::EndOfFile: return EndAnswer(frame);
        case State::Babbling: Stop(frame); return true; // deaf to all but the PC's stop
        }
        return false;
    }

    void OnTimer() override
    {
        if (state_ == State::Babbling)
            return Babble();
        if (state_ == State::EndOfFile && ++endTries_ >= kEndFrameTries) {
            ++ctx_.Counters().assumedAcks;
            return FileTaken();
        }
        const bool again = state_ == State::Blocks ? blocks_->OnTimer() : pending_.Resend(ctx_);
        if (!again)
            End(Described(Current()) + ": given up, no acknowledgement");
    }

private:
    enum class State { Header, Blocks, EndOfFile, Babbling };

    const StoredFile& Current() const { return files_[index_]; }

    std::string OfferedName() const
    {
        const auto& aliases = ctx_.Config().faults.offeredNames;
        const auto alias = aliases.find(Current().name);
        return alias == aliases.end() ? Current().name : alias->second;
    }

    void NextFile()
    {
        for (; index_ < files_.size(); ++index_) {
            auto data = unit_.store.Read(Current().name);
            if (!data)
                continue; // gone since the count was sent
            blocks_ = std::make_unique<BlockSender>(ctx_, std::move(*data));
            const std::string header = Padded(OfferedName(), 12) + Digits(Current().size, 7);
            headerOrdinal_ = ++ctx_.Counters().filesOffered;
            headerRepeated_ = false;
            state_ = State::Header;
            pending_.Send(ctx_, 'D', static_cast<int>(index_ % 9) + 1, link::Bytes(header.begin(), header.end()));
            StartBabbleIfAsked();
            return;
        }
        ctx_.SendByte('D', 0, link::EOT); // not acknowledged
        End("upload all: " + std::to_string(files_.size()) + " files offered, " + std::to_string(taken_) + " taken");
    }

    void StartBabbleIfAsked()
    {
        const FaultOptions& faults = ctx_.Config().faults;
        const bool noise = faults.noiseAfterHeader.contains(headerOrdinal_);
        if (!noise && !faults.trickleAfterHeader.contains(headerOrdinal_))
            return;
        ctx_.Log("fault: " + std::string(noise ? "line noise" : "a byte every 900 ms") + " after header " +
                 std::to_string(headerOrdinal_));
        state_ = State::Babbling;
        babbleChunk_ = noise ? kBabble.size() : 1;
        babbleEvery_ = noise ? NoiseEvery(ctx_.Config().lineBaud) : link::Clock::duration(kTrickleEvery);
        ctx_.Arm(babbleEvery_);
    }

    void Babble()
    {
        link::Bytes bytes;
        for (std::size_t i = 0; i < babbleChunk_; ++i)
            bytes.push_back(kBabble[babbleAt_++ % kBabble.size()]);
        ctx_.SendNoise(bytes);
        ctx_.Arm(babbleEvery_);
    }

    bool HeaderAnswer(const ReceivedFrame& frame)
    {
        if (frame.kind == 'A' && frame.digit == pending_.Digit() && frame.DataIs(link::ACK)) {
            if (!headerRepeated_ && ctx_.Config().faults.repeatHeader.contains(headerOrdinal_)) {
                headerRepeated_ = true;
                ctx_.Log("fault: header " + std::to_string(headerOrdinal_) + " sent again after its acknowledgement");
                pending_.Resend(ctx_);
                return true;
            }
            state_ = State::Blocks;
            if (!blocks_->Begin())
                SendEndOfFile();
            return true;
        }
        if (frame.kind == 'A') {
            if (frame.DataIs(ENQ))
                pending_.Resend(ctx_);
            return true;
        }
        if (frame.kind == 'R') {
            ctx_.Log(Described(Current()) + ": declined by the PC (" + frame.Text().substr(0, 1) + ")");
            ++index_;
            NextFile();
            return true;
        }
        return Stop(frame);
    }

    bool BlockAnswer(const ReceivedFrame& frame)
    {
        switch (blocks_->OnFrame(frame)) {
        case BlockSender::Answer::Waiting: return true;
        case BlockSender::Answer::AllTaken: SendEndOfFile(); return true;
        case BlockSender::Answer::Refused: End(Described(Current()) + ": refused by the PC during the data"); return true;
        case BlockSender::Answer::Stopped: End(Described(Current()) + ": stopped by the PC"); return true;
        case BlockSender::Answer::NotMine: return false;
        }
        return false;
    }

    bool EndAnswer(const ReceivedFrame& frame)
    {
        if (frame.kind == 'A' && frame.DataIs(link::ACK) && frame.digit == 0) {
            FileTaken();
            return true;
        }
        if (frame.kind == 'A') {
            if (frame.DataIs(ENQ))
                pending_.Resend(ctx_);
            return true;
        }
        if (frame.kind == 'R') {
            End(Described(Current()) + ": refused by the PC at its end");
            return true;
        }
        return Stop(frame);
    }

    bool Stop(const ReceivedFrame& frame)
    {
        if (frame.kind != 'E' || !frame.DataIs(link::CAN))
            return false;
        End(Described(Current()) + ": stopped by the PC");
        return true;
    }

    void SendEndOfFile()
    {
        state_ = State::EndOfFile;
        endTries_ = 0;
        pending_.Send(ctx_, 'E', 0, link::Bytes{link::EOT});
    }

    void FileTaken()
    {
        ++taken_;
        ++ctx_.Counters().filesSent;
        ctx_.Log(Described(Current()) + ": taken");
        ++index_;
        NextFile();
    }

    void End(const std::string& line)
    {
        ctx_.Log(line);
        ctx_.Disarm();
        Finish();
    }

    ExchangeContext& ctx_;
    HhtUnit& unit_;
    std::vector<StoredFile> files_;
    std::size_t index_ = 0;
    int taken_ = 0;
    State state_ = State::Header;
    PendingFrame pending_; // the header or the end frame
    std::unique_ptr<BlockSender> blocks_;
    int headerOrdinal_ = 0;
    bool headerRepeated_ = false;
    int endTries_ = 0;
    std::size_t babbleChunk_ = 0;
    std::size_t babbleAt_ = 0;
    link::Clock::duration babbleEvery_{};
};

// The PC acknowledges neither the end frame nor an empty file's only frame;
// the exchange stays to send the end frame again when an "A"/ENQ asks.
class UploadOneExchange final : public Exchange {
public:
    UploadOneExchange(ExchangeContext& ctx, const ReceivedFrame& command)
        : ctx_(ctx), name_(UpperAscii(NameField(command.Text(), 1, 12)))
    {
    }

    void Start() override
    {
        auto data = ctx_.Unit().store.Read(name_);
        if (!data) {
            ctx_.SendByte('R', 0, 'F');
            ctx_.Log("upload " + name_ + ": no such file");
            return Finish();
        }
        file_ = {name_, static_cast<std::int64_t>(data->size())};
        blocks_ = std::make_unique<BlockSender>(ctx_, std::move(*data));
        if (!blocks_->Begin())
            SendEndOfFile();
    }

    bool OnFrame(const ReceivedFrame& frame) override
    {
        if (ended_) {
            if (frame.kind == 'A' && frame.DataIs(ENQ)) {
                ++ctx_.Counters().resends;
                ctx_.SendByte('E', 0, link::EOT);
            }
            return frame.kind == 'A';
        }
        switch (blocks_->OnFrame(frame)) {
        case BlockSender::Answer::Waiting: return true;
        case BlockSender::Answer::AllTaken: SendEndOfFile(); return true;
        case BlockSender::Answer::Refused: return End(Described(file_) + ": refused by the PC during the data");
        case BlockSender::Answer::Stopped: return End(Described(file_) + ": stopped by the PC");
        case BlockSender::Answer::NotMine: return false;
        }
        return false;
    }

    void OnTimer() override
    {
        if (!blocks_->OnTimer())
            End(Described(file_) + ": given up, no acknowledgement");
    }

private:
    void SendEndOfFile()
    {
        ctx_.SendByte('E', 0, link::EOT);
        ++ctx_.Counters().filesSent;
        ctx_.Log(Described(file_) + ": sent");
        ended_ = true;
    }

    bool End(const std::string& line)
    {
        ctx_.Log(line);
        ctx_.Disarm();
        Finish();
        return true;
    }

    ExchangeContext& ctx_;
    std::string name_;
    StoredFile file_;
    std::unique_ptr<BlockSender> blocks_;
    bool ended_ = false;
};

} // namespace

std::unique_ptr<Exchange> MakeUploadAllExchange(ExchangeContext& ctx)
{
    return std::make_unique<UploadAllExchange>(ctx);
}

std::unique_ptr<Exchange> MakeUploadOneExchange(ExchangeContext& ctx, const ReceivedFrame& command)
{
    return std::make_unique<UploadOneExchange>(ctx, command);
}

} // namespace tavelin::sim

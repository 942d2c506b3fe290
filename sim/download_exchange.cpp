// SPDX-License-Identifier: MIT
// Downloads: one file ("D" data, "A" application) or a set ("W" with a count,
// then per file a request of name and size, and a closing "D"/EOT).
//
// Each block is acknowledged with its own digit; a block that repeats the
// digit of the last one taken (its acknowledgement was lost) is acknowledged
// again and not written twice. Once the announced size has arrived the file
// is stored and one more "A"/ACK follows, with the last block's digit, so
// that a PC that lost the block's acknowledgement still reads it as one; if
// the file cannot be stored an "R"/"F" follows instead. The PC's "E"/EOT
// then closes the file.
//
// A PC whose answer to a request came late sends the request again; until
// the first block arrives the same request is answered again, not taken
// for a new command.
#include "exchange.h"

#include "link/frame.h"

#include <utility>

namespace tavelin::sim {

namespace {

// One file coming in, from its request to the PC's end frame.
class FileReceiver {
public:
    enum class Step { Going, Done, Stopped };

    explicit FileReceiver(ExchangeContext& ctx) : ctx_(ctx), unit_(ctx.Unit()) {}
    ~FileReceiver()
    {
        if (open_) // a new command cut the file short
            unit_.store.Abandon();
    }
    FileReceiver(const FileReceiver&) = delete;
    FileReceiver& operator=(const FileReceiver&) = delete;

    // Answers the request (the command's text, for knowing it again when it
    // is repeated): true when the file is accepted.
    bool Request(std::string request, const std::string& name, std::int64_t size)
    {
        request_ = std::move(request);
        name_ = UpperAscii(name);
        size_ = size;
        HhtUnit& unit = unit_;
        const SimConfig& config = ctx_.Config();
        const char* refusal = nullptr;
        if (!IsStorableName(name_))
            refusal = "name not usable";
        else if (config.faults.fullAfter >= 0 && unit.filesStored >= config.faults.fullAfter)
            refusal = "full";
        else if (size_ > unit.store.FreeBytes(config.freeSpace))
            refusal = "no room";
        else if (!unit.store.BeginWrite())
            refusal = "cannot write";
        if (refusal != nullptr) {
            ++ctx_.Counters().filesRejected;
            ctx_.SendByte('R', 0, 'F');
            ctx_.Log(Describe() + ": refused, " + refusal);
            return false;
        }
        open_ = true;
        ctx_.SendByte('A', 0, link::ACK);
        return true;
    }

    // The request again before any block: its answer was lost or late.
    bool Repeats(const ReceivedFrame& frame) const
    {
        return open_ && last_ < 0 && frame.kind == 'C' && frame.Text() == request_;
    }
    bool Stored() const { return stored_; }

    Step OnFrame(const ReceivedFrame& frame)
    {
        if (Repeats(frame)) {
            ++ctx_.Counters().resends;
            ctx_.SendByte('A', 0, link::ACK);
            ctx_.Log(Describe() + ": request repeated, answered again");
            return Step::Going;
        }
        if (frame.kind == 'D')
            return Block(frame);
        if (frame.kind == 'E' && frame.DataIs(link::CAN))
            return Fail("stopped by the PC", Step::Stopped);
        if (frame.kind == 'E') {
            if (stored_)
                return Step::Done;
            if (size_ == 0 && total_ == 0)
                return Store() ? Step::Done : Fail("cannot store", Step::Done);
            return Fail("ended after " + std::to_string(total_) + " bytes", Step::Done);
        }
        if (frame.kind == 'R')
            return Fail("the PC cannot supply it", Step::Done);
        ++ctx_.Counters().unexpectedFrames;
        return Step::Going;
    }

    std::string Describe() const { return "download " + name_ + " (" + std::to_string(size_) + " bytes)"; }

private:
    Step Block(const ReceivedFrame& frame)
    {
        ++ctx_.Counters().dataFramesReceived;
        if (frame.digit == last_) { // its acknowledgement was lost
            ++ctx_.Counters().repeatedBlocksReceived;
            ctx_.SendByte('A', frame.digit, link::ACK);
            return Step::Going;
        }
        if (stored_) {
            ++ctx_.Counters().lengthViolations;
            ctx_.SendByte('R', frame.digit, 'F');
            ctx_.Log(Describe() + ": data beyond the announced size refused");
            return Step::Done;
        }
        if (frame.digit != (last_ + 1) % 10)
            ++ctx_.Counters().sequenceViolations;
        if (total_ + static_cast<std::int64_t>(frame.data.size()) > size_) {
            ++ctx_.Counters().lengthViolations;
            ctx_.SendByte('R', frame.digit, 'F');
            return Fail("more data than announced", Step::Done);
        }
        if (!unit_.store.Append(frame.data)) {
            ctx_.SendByte('R', frame.digit, 'F');
            return Fail("write error", Step::Done);
        }
        total_ += static_cast<std::int64_t>(frame.data.size());
        last_ = frame.digit;
        ctx_.AtDataBlock();
        ctx_.SendByte('A', frame.digit, link::ACK);
        if (total_ == size_) {
            if (!Store()) {
                ctx_.SendByte('R', frame.digit, 'F');
                return Fail("cannot store", Step::Done);
            }
            if (!ctx_.Config().faults.silentAfterLast)
                ctx_.SendByte('A', frame.digit, link::ACK);
        }
        return Step::Going;
    }

    bool Store()
    {
        if (!unit_.store.Commit(name_))
            return false;
        open_ = false;
        stored_ = true;
        ++unit_.filesStored;
        ++ctx_.Counters().filesStored;
        ctx_.Log(Describe() + ": stored");
        return true;
    }

    Step Fail(const std::string& why, Step step)
    {
        open_ = false;
        unit_.store.Abandon();
        ++ctx_.Counters().filesRejected;
        ctx_.Log(Describe() + ": not stored, " + why);
        return step;
    }

    ExchangeContext& ctx_;
    HhtUnit& unit_;
    std::string request_;
    std::string name_;
    std::int64_t size_ = 0;
    std::int64_t total_ = 0;
    int last_ = -1;
    bool stored_ = false;
    bool open_ = false; // the temporary file is being written
};

// With no frame from the PC for this long the hand-held stops waiting.
link::Clock::duration IdleLimit(const SimConfig& config) { return config.resendAfter * (config.maxResends + 1); }

class DownloadExchange final : public Exchange {
public:
    DownloadExchange(ExchangeContext& ctx, const ReceivedFrame& command) : ctx_(ctx), file_(ctx), text_(command.Text())
    {
    }

    void Start() override
    {
        if (!file_.Request(text_, NameField(text_, 1, 12), NumberField(text_, 13)))
            return Finish();
        ctx_.Arm(IdleLimit(ctx_.Config()));
    }

    bool TakesCommand(const ReceivedFrame& frame) const override { return file_.Repeats(frame); }

    bool OnFrame(const ReceivedFrame& frame) override
    {
        if (file_.OnFrame(frame) != FileReceiver::Step::Going) {
            ctx_.Disarm();
            Finish();
        } else {
            ctx_.Arm(IdleLimit(ctx_.Config()));
        }
        return true;
    }

    void OnTimer() override
    {
        ctx_.Log(file_.Describe() + ": given up, the PC went silent");
        Finish();
    }

private:
    ExchangeContext& ctx_;
    FileReceiver file_;
    std::string text_;
};

// A request for the next file of a set: a name (12) and a size (7 or more digits).
bool IsFileRequest(const ReceivedFrame& frame)
{
    if (frame.data.size() < 19)
        return false;
    return frame.Text().find_first_not_of("0123456789", 12) == std::string::npos;
}

// A set: between files a request asks for the next file; any other command
// ends the set. A request that comes while a stored file still waits for its
// end frame means that frame was lost; one that comes again after its
// refusal gets the refusal again.

class SetDownloadExchange final : public Exchange {
public:
    SetDownloadExchange(ExchangeContext& ctx, const ReceivedFrame& command)
        : ctx_(ctx), announced_(NumberField(command.Text(), 1))
    {
    }

    void Start() override
    {
        ctx_.SendByte('A', 0, link::ACK);
        ctx_.Arm(IdleLimit(ctx_.Config()));
    }

    bool TakesCommand(const ReceivedFrame& frame) const override
    {
        if (file_ && file_->Repeats(frame))
            return true;
        return (!file_ || file_->Stored()) && IsFileRequest(frame);
    }

    bool OnFrame(const ReceivedFrame& frame) override
    {
        ctx_.Arm(IdleLimit(ctx_.Config()));
        if (file_ && frame.kind == 'C' && !file_->Repeats(frame))
            file_.reset(); // stored; its end frame was lost
        if (file_)
            return FileFrame(frame);
        const std::string text = frame.Text();
        const std::string refused = std::exchange(refused_, {});
        if (frame.kind == 'C' && text == refused) {
            refused_ = text;
            ++ctx_.Counters().resends;
            ctx_.SendByte('R', 0, 'F');
            ctx_.Log("download set: refused request repeated, refused again");
            return true;
        }
        if (frame.kind == 'C') {
            ++requests_;
            file_ = std::make_unique<FileReceiver>(ctx_);
            if (!file_->Request(text, NameField(text, 0, 12), NumberField(text, 12))) {
                file_.reset();
                refused_ = text;
            }
            return true;
        }
        if (frame.kind == 'R') { // the PC skips a file it cannot send
            ++requests_;
            return true;
        }
        if (frame.kind == 'D' && frame.DataIs(link::EOT))
            return End("done");
        if (frame.kind == 'E' && frame.DataIs(link::CAN))
            return End("stopped by the PC");
        return false;
    }

    void OnTimer() override
    {
        file_.reset();
        End("given up, the PC went silent");
    }

private:
    bool FileFrame(const ReceivedFrame& frame)
    {
        const FileReceiver::Step step = file_->OnFrame(frame);
        if (step == FileReceiver::Step::Done)
            file_.reset();
        if (step == FileReceiver::Step::Stopped)
            return End("stopped by the PC");
        return true;
    }

    bool End(const std::string& how)
    {
        ctx_.Log("download set of " + std::to_string(announced_) + ": " + std::to_string(requests_) +
                 " files asked for, " + how);
        ctx_.Disarm();
        Finish();
        return true;
    }

    ExchangeContext& ctx_;
    std::int64_t announced_;
    int requests_ = 0;
    std::unique_ptr<FileReceiver> file_;
    std::string refused_; // the request refused last, until another frame comes
};

} // namespace

std::unique_ptr<Exchange> MakeDownloadExchange(ExchangeContext& ctx, const ReceivedFrame& command)
{
    return std::make_unique<DownloadExchange>(ctx, command);
}

std::unique_ptr<Exchange> MakeSetDownloadExchange(ExchangeContext& ctx, const ReceivedFrame& command)
{
    return std::make_unique<SetDownloadExchange>(ctx, command);
}

} // namespace tavelin::sim

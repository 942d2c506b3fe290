// SPDX-License-Identifier: MIT
#include "machine.h"

#include "link/frame.h"

namespace tavelin::sim {

namespace {

// A few bytes of line noise ending in a stray STX, which a receiver must skip.
const link::Bytes kNoise = {0x00, 0x55, 0xFF, 0x13, link::STX};

std::string IdText(int id) { return Digits(id, 3); }

// Data lengths of the commands; a download request grows with a size of
// eight or more digits.
bool LengthFits(char code, std::size_t length)
{
    switch (code) {
    case 'P': case 'I': case 'F': case 'U': return length == 1;
    case 'E': case 'S': return length == 13;
    case 'N': return length == 25;
    case 'W': return length == 4;
    case 'D': case 'A': return length >= 20;
    default: return true;
    }
}

} // namespace

Machine::Machine(SimConfig config) : config_(std::move(config))
{
    for (const int id : config_.ids) {
        if (id < 1 || id > 128)
            continue;
        const std::string text = IdText(id);
        units_.emplace(std::piecewise_construct, std::forward_as_tuple(text),
                       std::forward_as_tuple(HhtUnit{id, text, HhtStore(config_.storeRoot / text), 0}));
    }
    if (config_.faults.rough.on)
        rough_.emplace(config_.faults.rough.seed);
}

std::filesystem::path Machine::StoreOf(int id) const { return config_.storeRoot / IdText(id); }

void Machine::Feed(std::span<const std::uint8_t> bytes, link::Clock::time_point now)
{
    Advance(now);
    if (lineClosed_)
        return;
    if (Paused()) {
        heldInput_.insert(heldInput_.end(), bytes.begin(), bytes.end());
        return;
    }
    std::vector<ReceivedFrame> frames;
    decoder_.Feed(bytes, stats_, frames);
    waiting_.insert(waiting_.end(), std::make_move_iterator(frames.begin()), std::make_move_iterator(frames.end()));
    Drain();
}

void Machine::Tick(link::Clock::time_point now)
{
    Advance(now);
    if (!Paused() && !lineClosed_)
        RunTimer();
}

void Machine::RunTimer()
{
    if (!due_ || now_ < *due_)
        return;
    due_.reset();
    if (exchange_) {
        unit_ = &units_.at(exchangeId_);
        exchange_->OnTimer();
        EndIfOver();
    }
}

void Machine::Dispatch(const ReceivedFrame& frame)
{
    const int id = std::stoi(frame.id);
    if (id < 1 || id > 128) {
        ++stats_.idViolations;
        return;
    }
    const auto unit = units_.find(frame.id);
    if (unit == units_.end()) {
        ++stats_.framesForOthers;
        return;
    }
    unit_ = &unit->second;
    if (PausesBeforeReceived()) {
        waiting_.push_front(frame); // acted on when the pause is over
        return;
    }
    if (config_.faults.closeAfterReceived == ++receivedForUs_)
        return CloseLine();
    if (config_.faults.awayAfterReceived == receivedForUs_)
        return LeaveLine();
    if (config_.faults.ignoreReceived.contains(receivedForUs_)) {
        ++stats_.framesIgnored;
        Log("fault: received frame " + std::to_string(receivedForUs_) + " ignored");
        return;
    }
    const bool ours = exchange_ && exchangeId_ == frame.id;
    if (frame.kind == 'C' && !(ours && exchange_->TakesCommand(frame)))
        return Command(frame);
    lastCommand_.clear();
    if (!ours || !exchange_->OnFrame(frame))
        ++stats_.unexpectedFrames;
    EndIfOver();
}

void Machine::CloseLine()
{
    Log("fault: line closed at received frame " + std::to_string(receivedForUs_));
    lineClosed_ = true;
    DropExchange();
}

void Machine::LeaveLine()
{
    Log("fault: line left at received frame " + std::to_string(receivedForUs_) + " for " +
        std::to_string(config_.faults.awayFor.count()) + " ms");
    away_ = config_.faults.awayFor;
    DropExchange();
}

void Machine::DropExchange()
{
    exchange_.reset();
    Disarm();
    output_.clear();
    heldOutput_.clear();
    heldInput_.clear();
    waiting_.clear();
    pausedUntil_.reset();
}

void Machine::Command(const ReceivedFrame& frame)
{
    exchange_.reset(); // a new command ends whatever was under way
    Disarm();
    const std::string text = frame.Text();
    const char code = text.empty() ? '\0' : text[0];
    if (!LengthFits(code, text.size()))
        ++stats_.lengthViolations;
    const std::string signature = frame.id + text;
    const bool repeated = signature == lastCommand_;
    lastCommand_.clear();
    if (repeated && (code == 'E' || code == 'N')) {
        // Answered as the first time, however often it comes, even when
        // that answer never reached the line.
        ++stats_.resends;
        lastCommand_ = signature;
        Reply(lastReply_.first, lastReply_.second);
        Log("repeated command answered again");
        return;
    }
    if (code == 'P') {
        Reply('A', link::ACK);
        return Log("poll: answered");
    }
    if (code == 'I')
        return Log("end of conversation");
    if (config_.faults.wrongMode) {
        Reply('R', 'M');
        return Log(std::string("command ") + code + ": wrong mode");
    }
    switch (code) {
    case 'F': return Begin(MakeListExchange(*this));
    case 'D': case 'A': return Begin(MakeDownloadExchange(*this, frame));
    case 'W': return Begin(MakeSetDownloadExchange(*this, frame));
    case 'U': return Begin(MakeUploadAllExchange(*this));
    case 'S': return Begin(MakeUploadOneExchange(*this, frame));
    case 'E': case 'N':
        code == 'E' ? Erase(text) : Rename(text);
        lastCommand_ = signature;
        return;
    default:
        Reply('R', '?');
        return Log("unknown command \"" + text.substr(0, 1) + "\" refused");
    }
}

void Machine::Erase(const std::string& text)
{
    const std::string name = NameField(text, 1, 12);
    const bool done = unit_->store.Erase(name);
    if (done)
        ++stats_.filesErased;
    Reply(done ? 'A' : 'R', done ? link::ACK : 'F');
    Log("erase " + name + (done ? ": done" : ": no such file"));
}

void Machine::Rename(const std::string& text)
{
    const std::string from = NameField(text, 1, 12);
    const std::string to = NameField(text, 13, 12);
    const bool done = unit_->store.Rename(from, to);
    if (done)
        ++stats_.filesRenamed;
    Reply(done ? 'A' : 'R', done ? link::ACK : 'F');
    Log("rename " + from + " to " + to + (done ? ": done" : ": refused"));
}

void Machine::Reply(char kind, std::uint8_t byte)
{
    lastReply_ = {kind, byte};
    SendByte(kind, 0, byte);
}

void Machine::Begin(std::unique_ptr<Exchange> exchange)
{
    exchange_ = std::move(exchange);
    exchangeId_ = unit_->text;
    exchange_->Start();
    EndIfOver();
}

void Machine::EndIfOver()
{
    if (exchange_ && exchange_->Over()) {
        exchange_.reset();
        Disarm();
    }
}

void Machine::Send(char kind, int digit, std::span<const std::uint8_t> data)
{
    const int number = ++stats_.framesSent;
    PauseBeforeSent(number);
    const FaultOptions& faults = config_.faults;
    if (faults.dropSent.contains(number))
        return Log("fault: sent frame " + std::to_string(number) + " dropped");
    link::Bytes frame = link::BuildFrame(kind, unit_->text, digit, data);
    if (faults.noiseBeforeSent.contains(number)) {
        Put(kNoise);
        Log("fault: noise before sent frame " + std::to_string(number));
    }
    if (faults.corruptBccOfSent.contains(number)) {
        frame.back() ^= 0x5A;
        Log("fault: sent frame " + std::to_string(number) + " with a wrong check character");
    }
    Put(frame);
    if (rough_ && rough_->Doubled()) {
        ++stats_.doubledFrames;
        Log("fault: sent frame " + std::to_string(number) + " goes out twice");
        Put(frame);
    }
}

void Machine::Log(const std::string& line)
{
    if (logger_)
        logger_((unit_ != nullptr ? unit_->text + " " : std::string()) + line);
}

} // namespace tavelin::sim

// SPDX-License-Identifier: MIT
// A hand-held that offers files for upload, scripted on the in-memory port,
// with a few ways to misbehave; and the fixture of the upload tests.
#pragma once

#include "support/engine_fixture.h"

#include <deque>
#include <optional>

namespace tavelin::testing {

using link::ACK;
using link::CAN;
using link::EOT;

inline std::string Pattern(std::size_t size, char seed = 0)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 13 + seed) & 0xFF);
    return bytes;
}

struct OfferedFile {
    std::string name;
    std::string content;
    std::optional<std::int64_t> announced = std::nullopt; // none: the content's size
};

// The hand-held's side of both uploads, with a few ways to misbehave.
class UploadingHht {
public:
    explicit UploadingHht(ScriptedHht& line) : line_(line)
    {
        line_.onFrame = [this](const PcFrame& f) { OnFrame(f); };
    }

    std::deque<OfferedFile> files;
    int headerDigit = 3;           // digit of every header; 0 is allowed
    bool repeatHeader = false;     // the first acknowledgement of each header is lost
    std::size_t extraBytes = 0;    // sends this much more than it announces
    bool closes = true;            // ends the offer with "D"/EOT
    std::function<void(const PcFrame&)> observer;

    // The last block went out and its end frame awaits the PC's answer.
    bool AtEndOfFile() const { return ended_; }

    // Back to a well-behaved hand-held with nothing to offer.
    void Reset()
    {
        files.clear();
        headerDigit = 3;
        repeatHeader = false;
        extraBytes = 0;
        closes = true;
        observer = nullptr;
    }

private:
    void OnFrame(const PcFrame& f)
    {
        if (observer)
            observer(f);
        if (f.kind == 'C' && f.data.starts_with("S")) {
            Begin(std::move(files.front()));
            files.pop_front();
            SendBlock();
        } else if (f.Is('C', "U")) {
            char count[8];
            std::snprintf(count, sizeof count, "%03zu", files.size());
            line_.Send('D', 0, count);
            NextHeader();
        } else if (f.Is('A', Ch(ACK))) {
            OnAck(f.digit);
        } else if (f.kind == 'R') {
            NextHeader();
        }
    }

    void Begin(OfferedFile file)
    {
        current_ = std::move(file);
        current_.content += std::string(extraBytes, 'x');
        block_ = 0;
        ended_ = false;
    }

    void NextHeader()
    {
        if (files.empty()) {
            if (closes)
                line_.Send('D', 0, Ch(EOT));
            inHeader_ = false;
            return;
        }
        Begin(std::move(files.front()));
        files.pop_front();
        const std::int64_t size = current_.announced.value_or(std::int64_t(current_.content.size() - extraBytes));
        char field[32];
        std::snprintf(field, sizeof field, "%-12s%07lld", current_.name.c_str(), static_cast<long long>(size));
        headerText_ = field;
        inHeader_ = true;
        line_.Send('D', headerDigit, headerText_);
    }

    std::size_t Blocks() const { return (current_.content.size() + 511) / 512; }

    void SendBlock()
    {
        if (block_ >= Blocks()) {
            ended_ = true;
            line_.Send('E', 0, Ch(EOT));
            return;
        }
        line_.Send('D', static_cast<int>(block_ % 10), current_.content.substr(block_ * 512, 512));
    }

    void OnAck(int digit)
    {
        if (inHeader_) {
            inHeader_ = false;
            if (digit == headerDigit && !repeatHeaderAcked_ && repeatHeader) {
                // This acknowledgement is lost: the header goes out again.
                repeatHeaderAcked_ = true;
                inHeader_ = true;
                line_.Send('D', headerDigit, headerText_);
                return;
            }
            repeatHeaderAcked_ = false;
            SendBlock();
            return;
        }
        if (ended_) {
            NextHeader();
            return;
        }
        ++block_;
        SendBlock();
    }

    ScriptedHht& line_;
    OfferedFile current_;
    std::size_t block_ = 0;
    bool ended_ = false;
    bool inHeader_ = false;
    bool repeatHeaderAcked_ = false;
    std::string headerText_;
};

class UploadTest : public EngineTest {
public:
    int Upload(const std::string& name, std::int64_t size, int mode)
    {
        const int result = transfer::UploadFile(link, files.Text(), name, size, progress, mode);
        Settle();
        return result;
    }
    int UploadAll(int mode)
    {
        const int result = transfer::UploadAllFiles(link, files.Text(), progress, mode, upFiles, Lines());
        Settle();
        return result;
    }
    UploadingHht peer{hht};
    transfer::UpFileList upFiles;
};

} // namespace tavelin::testing

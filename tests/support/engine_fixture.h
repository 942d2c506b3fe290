// SPDX-License-Identifier: MIT
// An engine under test on the link rig, with a far side scripted by the
// test: every frame the PC sends is decoded and handed to the script, which
// answers with frames of its own (or stays silent).
#pragma once

#include "support/link_rig.h"
#include "support/temp_dir.h"

#include "link/frame.h"
#include "settings/codepage.h"
#include "settings/history.h"
#include "transfer/engines.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace tavelin::testing {

struct PcFrame {
    char kind = 0;
    int digit = 0;
    std::string data;
    bool Is(char k, std::string_view d) const { return kind == k && data == d; }
};

inline std::string Ch(std::uint8_t c) { return std::string(1, static_cast<char>(c)); }

class ScriptedHht {
public:
    ScriptedHht(link::MemoryPort& port, std::string id) : port_(port), id_(std::move(id))
    {
        port_.SetPeerReceiver([this](const link::Bytes& bytes) { Take(bytes); });
    }

    std::function<void(const PcFrame&)> onFrame;
    std::vector<PcFrame> received;

    void Send(char kind, int digit, std::string_view data)
    {
        const link::Bytes bytes(data.begin(), data.end());
        port_.SendFromPeer(link::BuildFrame(kind, id_, digit, bytes));
    }

    // The frames the PC sent of one kind, in order.
    std::vector<PcFrame> Of(char kind) const
    {
        std::vector<PcFrame> out;
        for (const PcFrame& f : received)
            if (f.kind == kind)
                out.push_back(f);
        return out;
    }

private:
    void Take(const link::Bytes& bytes)
    {
        pending_.append(bytes.begin(), bytes.end());
        while (pending_.size() >= link::kFrameOverhead) {
            const std::size_t n = std::stoul(pending_.substr(6, 4));
            if (pending_.size() < n + link::kFrameOverhead)
                return;
            PcFrame frame{pending_[1], pending_[5] - '0', pending_.substr(10, n)};
            pending_.erase(0, n + link::kFrameOverhead);
            received.push_back(frame);
            if (onFrame)
                onFrame(frame);
        }
    }

    link::MemoryPort& port_;
    std::string id_;
    std::string pending_;
};

class RecordingProgress final : public transfer::ProgressIndicator {
public:
    void SetMin(std::int64_t v) override { min = v; }
    void SetMax(std::int64_t v) override { max = v; }
    void SetValue(std::int64_t v) override { value = v; }
    void SetVisible(bool v) override { visible = v; }
    std::int64_t min = -1, max = -1, value = -1;
    bool visible = false;
};

class RecordingHistory final : public settings::HistoryList, public transfer::MessageLine {
public:
    int Count() const override { return static_cast<int>(lines.size()); }
    void RemoveFirst() override { lines.erase(lines.begin()); }
    void Add(const std::string& line, bool) override { lines.push_back(line); }
    void SelectLast() override {}
    void SetMessage(std::string_view text) override { messages.emplace_back(text); }
    std::vector<std::string> lines;
    std::vector<std::string> messages;
};

class EngineTest : public ::testing::Test, public LinkRig {
public:
    EngineTest()
    {
        state.settings.HistoryMode = 2;
        state.settings.RunMode = 0; // the stop-request file plays no part here
        state.CurHhtId = "001";
    }

    // Lets the frames still on the line reach the far side.
    void Settle() { pump.Advance(std::chrono::seconds(1)); }

    transfer::AutoWindowLines Lines() { return {&history, &history}; }

    // HISTORY.DAT without its line ends, one entry per line.
    std::vector<std::string> HistoryFile() const
    {
        std::vector<std::string> out;
        std::string text = settings::Cp932ToUtf8(work.Get("HISTORY.DAT"));
        for (std::size_t at = 0; (at = text.find("\r\n")) != std::string::npos;) {
            out.push_back(text.substr(0, at));
            text.erase(0, at + 2);
        }
        return out;
    }

    TempDir files;
    ScriptedHht hht{port, "001"};
    RecordingProgress progress;
    RecordingHistory history;
};

} // namespace tavelin::testing

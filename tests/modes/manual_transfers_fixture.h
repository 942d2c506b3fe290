// SPDX-License-Identifier: MIT
// The manual window's transfers on the manual session's bench, on every
// system and on POSIX alone: the transfer dialog's and the automatic
// window's stand-ins, with the dialogs' loops run as the window runs them.
#pragma once

#include "manual_fixture.h"
#include "modes/auto_cycle.h"
#include "modes/manual_transfers.h"

namespace tavelin::modes::manual_test {

using namespace std::chrono_literals;

class RecordingTransferView final : public TransferView {
public:
    void SetMessage(std::string_view text) override
    {
        lines.emplace_back(text);
        if (onMessage)
            onMessage(lines.back());
    }
    transfer::ProgressIndicator& Progress() override { return progress; }
    void ShowMessage(std::string_view text) override { boxes.emplace_back(text); }
    settings::UploadMode AskExistingFile(std::string_view name) override
    {
        asked.emplace_back(name);
        const int answer = answers.empty() ? 3 : answers.front();
        if (!answers.empty())
            answers.pop_front();
        return settings::UploadMode(answer);
    }

    transfer::NoProgress progress;
    std::vector<std::string> lines, boxes, asked;
    std::deque<int> answers;
    std::function<void(const std::string&)> onMessage;
};

class RecordingAutoView final : public AutoView {
public:
    void SetMessage(std::string_view) override {}
    void SetEndButtonCaption(std::string_view) override {}
    settings::HistoryList* History() override { return &list; }
    transfer::ProgressIndicator& Progress() override { return progress; }
    void ShowMessageBox(std::string_view text) override { boxes.emplace_back(text); }
    void RequestUnload() override {}
    void LogLine(std::string_view) override {}

    struct List final : settings::HistoryList {
        int Count() const override { return int(lines.size()); }
        void RemoveFirst() override { lines.erase(lines.begin()); }
        void Add(const std::string& line, bool) override { lines.push_back(line); }
        void SelectLast() override {}
        std::vector<std::string> lines;
    } list;
    transfer::NoProgress progress;
    std::vector<std::string> boxes;
};

class ManualTransfersTest : public ManualSessionTest {
protected:
    ManualTransfersTest()
    {
        dialogs.runTransfer = [this](const TransferJob& job) {
            RunTransferJob(link, transferView, job);
        };
        dialogs.runAutoCycle = [this](std::int16_t runMode, const ManualSelection& selection) {
            EXPECT_EQ(state.settings.RunMode, runMode);
            EXPECT_EQ(state.settings.AutoPollCount, 1);
            EXPECT_EQ(state.settings.HistoryMode, 3);
            AutoCycle cycle(link, autoView, selection);
            cycle.Start();
            while (!cycle.Ended()) {
                pump.Advance(30ms);
                cycle.Tick();
            }
            cycle.Unload();
        };
    }
    void OnPc(const std::string& name, const std::string& bytes) const { work.Put("pc/" + name, bytes); }
    std::string Stored(int id, const std::string& name) const { return work.Get("hht/00" + std::to_string(id) + "/" + name); }

    RecordingTransferView transferView;
    RecordingAutoView autoView;
};

inline std::string Bytes(std::size_t size, int seed)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 11 + seed) & 0xFF);
    return bytes;
}

} // namespace tavelin::modes::manual_test

// SPDX-License-Identifier: MIT
// The manual session's test bench: the link rig with simulated hand-helds,
// a window stand-in that records what it shows, and
// dialogs answered from a script.
#pragma once

#include "modes/manual_session.h"
#include "support/link_rig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>

namespace tavelin::modes::manual_test {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Items = std::vector<std::pair<std::string, std::int64_t>>;
using Changes = std::vector<std::pair<OpButton, bool>>; // operation buttons enabled (true) or disabled

class RecordingWindow final : public ManualView, public FileListView, public TextView {
public:
    void SetStartCaption(std::string_view text) override { startCaption = text; }
    void SetStartEnabled(bool enabled) override { startEnabled = enabled; }
    void SetOperationsEnabled(bool enabled) override { operationsEnabled = enabled; }
    void SetOperationEnabled(OpButton button, bool enabled) override
    {
        buttonEnabled[button] = enabled;
        buttonChanges.emplace_back(button, enabled);
    }
    void SetSettingsMenuEnabled(bool enabled) override { menuEnabled = enabled; }
    void SetPolling(bool on) override { polling = on; }
    void SetConnectionMessage(std::string_view text, MessageColour c) override
    {
        message = text, colour = c;
        if (c == MessageColour::Red)
            redMessages.emplace_back(text);
    }
    void LogLine(std::string_view line) override { logLines.emplace_back(line); }
    FileListView& HhtList() override { return *this; }
    TextView& FreeSpace() override { return *this; }
    std::string IdText() override { return idText; }
    void SetIdText(std::string_view text) override { idText = text; }
    // The selected names with the sizes the list holds for them.
    std::vector<HhtFileEntry> SelectedHhtFiles() override
    {
        std::vector<HhtFileEntry> entries;
        for (const std::string& name : selectedHht) {
            const auto item = std::find_if(items.begin(), items.end(), [&](const auto& i) { return i.first == name; });
            entries.push_back({name, item == items.end() ? 0 : item->second});
        }
        return entries;
    }
    std::vector<std::string> SelectedPcFiles() override { return selectedPc; }
    std::string PcDirectory() override { return pcDirectory; }
    void RefreshPcFiles() override { ++pcRefreshes; }
    bool PcDirectoryThere() override { return pcDirectoryThere; }
    // the hand-held list and the free-space box
    void Clear() override { items.clear(); }
    void AddItem(const std::string& text, std::int64_t size) override { items.emplace_back(text, size); }
    void SetText(std::string_view text) override { freeText = text; }

    std::string startCaption, message, idText = "001", pcDirectory, freeText;
    MessageColour colour = MessageColour::Black;
    std::vector<std::string> redMessages, logLines;
    bool startEnabled = true, operationsEnabled = true, menuEnabled = true, polling = false;
    // Each operation button as last set on its own, and every such setting in order.
    std::map<OpButton, bool> buttonEnabled;
    std::vector<std::pair<OpButton, bool>> buttonChanges;
    std::vector<std::string> selectedHht, selectedPc;
    Items items;
    int pcRefreshes = 0;
    bool pcDirectoryThere = true;
};

class ScriptedDialogs final : public ManualDialogs {
public:
    DelAnswer AskDelete(std::string_view name) override
    {
        asked.emplace_back(name);
        if (whileAsking)
            whileAsking();
        const DelAnswer answer = deletes.empty() ? DelAnswer::Cancel : deletes.front();
        if (!deletes.empty())
            deletes.pop_front();
        return answer;
    }
    std::optional<std::string> AskNewName(RenameSide, std::string_view name) override
    {
        asked.emplace_back(name);
        const auto answer = names.empty() ? std::nullopt : names.front();
        if (!names.empty())
            names.pop_front();
        return answer;
    }
    void ShowMessage(std::string_view text, std::string_view why) override
    {
        messages.emplace_back(text);
        details.emplace_back(why);
    }

    void RunTransfer(const TransferJob& job) override
    {
        jobs.push_back(job);
        if (runTransfer)
            runTransfer(job);
    }
    void RunAutoCycle(std::int16_t runMode, const ManualSelection& selection) override
    {
        if (runAutoCycle)
            runAutoCycle(runMode, selection);
    }

    std::function<void(const TransferJob&)> runTransfer;
    std::function<void(std::int16_t, const ManualSelection&)> runAutoCycle;
    std::vector<TransferJob> jobs;
    std::deque<DelAnswer> deletes;
    std::deque<std::optional<std::string>> names;
    std::vector<std::string> asked, messages, details;
    std::function<void()> whileAsking;
};

class ManualSessionTest : public ::testing::Test, public testing::LinkRig {
protected:
    ManualSessionTest()
    {
        state.settings.PollInterval = 30;
        fs::create_directories(work.Path() / "pc");
        window.pcDirectory = (work.Path() / "pc").string();
    }

    void StartHandHelds(sim::SimConfig config = {})
    {
        if (config.ids.empty())
            config.ids = {1, 2};
        AttachHandHelds(std::move(config));
    }
    void Silence() { port.SetPeerReceiver([](const link::Bytes&) {}); }
    void Answer() { simulator->Attach(port); }

    void PutOnHht(int id, const std::string& name, std::size_t size)
    {
        const fs::path dir = work.Path() / "hht" / ("00" + std::to_string(id));
        fs::create_directories(dir);
        work.Put((dir / name).lexically_relative(work.Path()).string(), std::string(size, 'h'));
    }
    bool OnHht(int id, const std::string& name) const { return work.Has("hht/00" + std::to_string(id) + "/" + name); }

    void Connect()
    {
        session.Initialise();
        session.StartClicked();
    }
    void Poll(int ticks = 1)
    {
        for (int i = 0; i < ticks; ++i) {
            pump.Advance(30ms);
            session.Tick();
        }
    }
    // Connected to ID 1 with its list shown.
    void ConnectAndList()
    {
        StartHandHelds();
        Connect();
        Poll();
        ASSERT_FALSE(session.HhtListPending());
    }

    RecordingWindow window;
    ScriptedDialogs dialogs;
    ManualSession session{link, window, dialogs};
};

} // namespace tavelin::modes::manual_test

// SPDX-License-Identifier: MIT
// The history line writer with arbitrary names and list texts (the input cut
// in two at the separator). The first byte chooses the result code, the
// history mode and how full the on-screen list already is.
// Each call adds exactly one line on screen and, unless the mode says none,
// one CR LF line to HISTORY.DAT and nothing else anywhere; neither line holds
// a control character, and the list never grows past its limit.
#include "fuzz_support.h"

#include "settings/codepage.h"
#include "settings/history.h"

#include <algorithm>
#include <deque>

using namespace tavelin;

namespace {

// A deque, as the list box is one: trimming a full list removes its first
// lines one by one, which a vector would pay for by moving all the others.
struct ScreenList final : settings::HistoryList {
    std::deque<std::string> lines;
    int Count() const override { return static_cast<int>(lines.size()); }
    void RemoveFirst() override { lines.pop_front(); }
    void Add(const std::string& line, bool) override { lines.push_back(line); }
    void SelectLast() override {}
};

bool HasLineBreakOrControl(std::string_view text)
{
    return std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const fuzz::Sandbox sandbox("history");
    if (size == 0)
        return 0;
    const std::uint8_t choice = data[0];
    auto parts = fuzz::SplitInput(std::span(data + 1, size - 1));
    parts.resize(2);
    const std::string& name = parts[0];
    const std::string& listText = parts[1];

    settings::AppState state;
    state.settings.WorkDir = sandbox.FreshDir("work");
    state.settings.RunMode = 1 + choice % 3;
    state.settings.HistoryMode = 1 + (choice >> 2) % 3;
    const auto result = static_cast<std::int16_t>(-static_cast<int>((choice >> 4) % 7)); // -6 has no text
    ScreenList list;
    list.lines.assign((choice & 0x80) != 0 ? 129 : 3, "earlier");

    settings::WriteHistory(state, &list, name, static_cast<std::int32_t>(size), result, listText);

    FUZZ_CHECK(list.lines.size() == ((choice & 0x80) != 0 ? 129u - 97u + 1u : 4u));
    FUZZ_CHECK(!HasLineBreakOrControl(list.lines.back()) && fuzz::Contains(list.lines.back(), "ID 001: "));

    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : fuzz::fs::recursive_directory_iterator(sandbox.Root()))
        ++files;
    if (state.settings.HistoryMode == 3) {
        FUZZ_CHECK(files == 1); // the work directory alone
        return 0;
    }
    FUZZ_CHECK(files == 2);
    const std::string file = fuzz::ReadFile(settings::FsPath(state.settings.WorkDir + "HISTORY.DAT"));
    FUZZ_CHECK(file.size() >= 2 && file.ends_with("\r\n"));
    const std::string line = file.substr(0, file.size() - 2);
    FUZZ_CHECK(!HasLineBreakOrControl(line));
    FUZZ_CHECK(settings::Cp932ToUtf8(line).starts_with("001, " + std::to_string(state.settings.RunMode) + " ,"));
    return 0;
}

// SPDX-License-Identifier: MIT
// The hand-held's file list as the manual window reads it, with the fuzz
// input as everything the hand-held says (its replies, one per frame the PC
// sends; see ScriptedHht). The list read must be one the table can hold:
// at most 129 entries of 1 to 12 bytes on the hand-held's side, none with a
// space; the list box shows exactly the table; a failed read leaves table
// and views as they were; the PC only ever sends whole frames, and tells the
// hand-held to stop only when it cut a list longer than the table.
#include "fuzz_support.h"

#include "modes/hht_files.h"
#include "settings/codepage.h"

using namespace tavelin;

namespace {

struct RecordingList final : modes::FileListView {
    std::vector<std::pair<std::string, std::int64_t>> items{{"OLD.DAT", 5}};
    void Clear() override { items.clear(); }
    void AddItem(const std::string& text, std::int64_t itemData) override { items.emplace_back(text, itemData); }
};

struct RecordingText final : modes::TextView {
    std::string text = "old";
    int sets = 0;
    void SetText(std::string_view t) override
    {
        text = t;
        ++sets;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::ScriptedHht hht(fuzz::SplitInput(std::span(data, size)));
    modes::HhtFileTable table;
    table.Count = 1;
    table.HhtFiles[0] = {"OLD.DAT", 5};
    table.HhtFreeBytes = 77;
    RecordingList list;
    RecordingText freeSpace;

    const int result = modes::GetHhtFileList(hht.link, table, list, freeSpace);

    FUZZ_CHECK(result == 0 || result == -1 || result == -3);
    // "E" only as the last word of a list cut at the table's size.
    const auto sent = fuzz::ParseSent(hht.port.Written());
    for (std::size_t i = 0; i < sent.size(); ++i) {
        const bool endOfCut = sent[i].kind == 'E' && result == 0 && table.Truncated && i + 1 == sent.size();
        FUZZ_CHECK(sent[i].id == hht.state.CurHhtId && (sent[i].kind == 'C' || sent[i].kind == 'A' || endOfCut));
    }
    if (result != 0) {
        FUZZ_CHECK(table.Count == 1 && table.HhtFiles[0].Name == "OLD.DAT" && table.HhtFreeBytes == 77);
        FUZZ_CHECK(list.items.size() == 1 && freeSpace.text == "old" && freeSpace.sets == 0);
        return 0;
    }
    FUZZ_CHECK(table.Count >= 0 && table.Count <= modes::kHhtFileCapacity);
    FUZZ_CHECK(list.items.size() == static_cast<std::size_t>(table.Count) && freeSpace.sets == 1);
    for (int i = 0; i < table.Count; ++i) {
        const modes::HhtFileEntry& entry = table.HhtFiles[static_cast<std::size_t>(i)];
        FUZZ_CHECK(list.items[static_cast<std::size_t>(i)] == std::make_pair(entry.Name, entry.Size));
        FUZZ_CHECK(!entry.Name.empty() && !fuzz::Contains(entry.Name, " ") && fuzz::IsUtf8(entry.Name));
        FUZZ_CHECK(settings::Utf8ToCp932(entry.Name).size() <= 12);
    }
    return 0;
}

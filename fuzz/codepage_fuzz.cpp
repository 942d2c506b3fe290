// SPDX-License-Identifier: MIT
// Code page 932 and UTF-8, both ways, from arbitrary bytes taken as either.
// Reading always gives well-formed UTF-8; any text read without a bad byte
// goes back and forth exactly; what the writer produces the reader takes
// without a bad byte; a name that passes the hand-held's rule fills the
// 12-byte name field and its bytes come back out of it unchanged.
#include "fuzz_support.h"

#include "link/commands.h"
#include "settings/codepage.h"
#include "settings/text_file.h"
#include "transfer/frame_fields.h"

#include <algorithm>

using namespace tavelin;

namespace {

constexpr std::string_view kUnknown = "\xEF\xBF\xBD"; // U+FFFD, a byte that could not be read

bool IsAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// C0 and DEL, C1 (C2 80 to C2 9F) and the line and paragraph separators
// (E2 80 A8, E2 80 A9). Byte by byte: this runs on every input, and string
// comparisons at each position cost a third of the harness's time.
bool HasControlCharacters(std::string_view utf8)
{
    const auto at = [&](std::size_t k) { return k < utf8.size() ? static_cast<unsigned char>(utf8[k]) : 0u; };
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const unsigned c = at(i);
        if (c < 0x20 || c == 0x7F)
            return true;
        if (c == 0xC2 && at(i + 1) >= 0x80 && at(i + 1) <= 0x9F)
            return true;
        if (c == 0xE2 && at(i + 1) == 0x80 && (at(i + 2) == 0xA8 || at(i + 2) == 0xA9))
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes = fuzz::AsString(std::span(data, size));

    // The bytes as code page 932, the way files and frames are read.
    const std::string text = settings::Cp932ToUtf8(bytes);
    FUZZ_CHECK(fuzz::IsUtf8(text));
    if (IsAscii(bytes))
        FUZZ_CHECK(text == bytes);
    if (!fuzz::Contains(text, kUnknown))
        FUZZ_CHECK(settings::Cp932ToUtf8(settings::Utf8ToCp932(text)) == text);

    // The bytes as UTF-8, the way names and paths are written.
    const std::string written = settings::Utf8ToCp932(bytes);
    FUZZ_CHECK(!fuzz::Contains(settings::Cp932ToUtf8(written), kUnknown));
    if (IsAscii(bytes))
        FUZZ_CHECK(written == bytes);

    const std::string line = settings::WithoutControlCharacters(text);
    FUZZ_CHECK(fuzz::IsUtf8(line) && !HasControlCharacters(line));
    FUZZ_CHECK(!HasControlCharacters(settings::WithoutControlCharacters(bytes)));

    for (const std::string* name : {&text, &bytes}) {
        if (!link::IsHhtFileName(*name))
            continue;
        // The bytes come back; the text may not: "¥" is written as 5C, the
        // code page's own sign, and read back as a backslash.
        const std::string field = transfer::PaddedName(*name);
        FUZZ_CHECK(field.size() == 12 && settings::Utf8ToCp932(transfer::UnpaddedName(field)) == settings::Utf8ToCp932(*name));
    }
    return 0;
}

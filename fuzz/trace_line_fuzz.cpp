// SPDX-License-Identifier: MIT
// Reading a line of a frame trace, as the line monitor does with a file an
// operator opens: the file may come from anywhere. A line that reads is
// written back in the trace's own words (numbers as the trace pads them, no
// CR) and that line reads again to the same record, so a save after an open
// keeps every row.
#include "fuzz_support.h"

#include "link/trace_line.h"

#include <string>
#include <string_view>

using namespace tavelin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    link::TraceRecord record;
    if (!link::ParseTraceLine(line, record))
        return 0;
    FUZZ_CHECK(record.shown <= link::kTraceDataShown);

    std::string written;
    link::AppendTraceLine(record, written);
    FUZZ_CHECK(written.find_first_of("\r\n") == std::string::npos);

    link::TraceRecord again;
    FUZZ_CHECK(link::ParseTraceLine(written, again));
    std::string rewritten;
    link::AppendTraceLine(again, rewritten);
    FUZZ_CHECK(rewritten == written);
    return 0;
}

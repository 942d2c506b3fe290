// SPDX-License-Identifier: MIT
#include "cli_options.h"

#include <charconv>
#include <tuple>
#include <limits>

namespace tavelin::sim {

namespace {

std::optional<long long> Number(std::string_view text)
{
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

constexpr int kFrameNumberMax = std::numeric_limits<int>::max();
constexpr long long kPauseMaxMs = 600'000;

} // namespace

std::optional<std::set<int>> ParseNumberSet(std::string_view text, int lo, int hi)
{
    std::set<int> numbers;
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
        const std::size_t dash = item.find('-');
        const auto first = Number(item.substr(0, dash));
        const auto last = dash == std::string_view::npos ? first : Number(item.substr(dash + 1));
        if (!first || !last || *first < lo || *last > hi || *first > *last)
            return std::nullopt;
        for (long long n = *first; n <= *last; ++n)
            numbers.insert(static_cast<int>(n));
    }
    if (numbers.empty())
        return std::nullopt;
    return numbers;
}

std::optional<std::map<int, link::Millis>> ParsePauseList(std::string_view text)
{
    std::map<int, link::Millis> pauses;
    for (bool more = !text.empty(); more;) {
        const std::size_t comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        more = comma != std::string_view::npos;
        text = more ? text.substr(comma + 1) : std::string_view();
        const std::size_t colon = item.find(':');
        if (colon == std::string_view::npos)
            return std::nullopt;
        const auto frame = Number(item.substr(0, colon));
        const auto ms = Number(item.substr(colon + 1));
        if (!frame || !ms || *frame < 1 || *frame > kFrameNumberMax || *ms < 1 || *ms > kPauseMaxMs)
            return std::nullopt;
        if (!pauses.emplace(static_cast<int>(*frame), link::Millis(*ms)).second)
            return std::nullopt; // the same frame twice: which length?
    }
    if (pauses.empty())
        return std::nullopt;
    return pauses;
}

bool ParseCli(const std::vector<std::string>& args, CliOptions& options, std::string& error)
{
    SimConfig& config = options.config;
    FaultOptions& faults = config.faults;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= args.size())
                return std::nullopt;
            return args[++i];
        };
        const auto frameSet = [&](std::set<int>& target) {
            const auto text = value();
            const auto numbers = text ? ParseNumberSet(*text, 1, kFrameNumberMax) : std::nullopt;
            if (numbers)
                target = *numbers;
            return numbers.has_value();
        };
        const auto pauseList = [&](std::map<int, link::Millis>& target) {
            const auto text = value();
            const auto pauses = text ? ParsePauseList(*text) : std::nullopt;
            if (pauses)
                target = *pauses;
            return pauses.has_value();
        };
        const auto integer = [&](long long lo, long long hi, auto& target) {
            const auto text = value();
            const auto number = text ? Number(*text) : std::nullopt;
            if (!number || *number < lo || *number > hi)
                return false;
            target = static_cast<std::remove_reference_t<decltype(target)>>(*number);
            return true;
        };
        bool ok = true;
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--ids") {
            const auto text = value();
            const auto ids = text ? ParseNumberSet(*text, 1, 128) : std::nullopt;
            ok = ids.has_value();
            if (ok)
                config.ids = *ids;
        } else if (arg == "--dir") {
            const auto text = value();
            ok = text.has_value();
            if (ok)
                config.storeRoot = *text;
        } else if (arg == "--link" || arg == "--device") {
            const auto text = value();
            ok = text.has_value() && !text->empty();
            if (ok)
                (arg == "--link" ? options.linkPath : options.devicePath) = *text;
        } else if (arg == "--baud") {
            ok = integer(50, 4'000'000, options.baud);
        } else if (arg == "--mismatch") {
            const auto text = value();
            ok = text == "garble" || text == "silent";
            if (ok)
                config.mismatch = *text == "silent" ? MismatchAnswer::Silent : MismatchAnswer::Garbled;
        } else if (arg == "--free") {
            ok = integer(0, 9'999'999, config.freeSpace);
        } else if (arg == "--resend-ms") {
            long long ms = 0;
            ok = integer(10, 600'000, ms);
            config.resendAfter = link::Millis(ms);
        } else if (arg == "--adapter-latency") {
            long long ms = 0;
            ok = integer(0, 255, ms);
            config.adapterLatency = link::Millis(ms);
        } else if (arg == "--entries-per-frame") {
            ok = integer(1, 26, config.listEntriesPerFrame);
        } else if (arg == "--quiet") {
            options.quiet = true;
        } else if (arg == "--wrong-mode") {
            faults.wrongMode = true;
        } else if (arg == "--silent-after-last") {
            faults.silentAfterLast = true;
        } else if (arg == "--full-after") {
            ok = integer(0, 1'000'000, faults.fullAfter);
        } else if (arg == "--corrupt-bcc") {
            ok = frameSet(faults.corruptBccOfSent);
        } else if (arg == "--drop") {
            ok = frameSet(faults.dropSent);
        } else if (arg == "--noise") {
            ok = frameSet(faults.noiseBeforeSent);
        } else if (arg == "--repeat-block") {
            ok = frameSet(faults.repeatBlock);
        } else if (arg == "--repeat-header") {
            ok = frameSet(faults.repeatHeader);
        } else if (arg == "--ignore") {
            ok = frameSet(faults.ignoreReceived);
        } else if (arg == "--noise-after-header") {
            ok = frameSet(faults.noiseAfterHeader);
        } else if (arg == "--trickle-after-header") {
            ok = frameSet(faults.trickleAfterHeader);
        } else if (arg == "--pause-before-received") {
            ok = pauseList(faults.pauseBeforeReceived);
        } else if (arg == "--pause-before-sent") {
            ok = pauseList(faults.pauseBeforeSent);
        } else if (arg == "--rough") {
            faults.rough.on = true;
            ok = integer(0, std::numeric_limits<std::uint32_t>::max(), faults.rough.seed);
        } else if (arg == "--close-after") {
            ok = integer(1, kFrameNumberMax, faults.closeAfterReceived);
        } else if (arg == "--away") {
            std::map<int, link::Millis> away;
            ok = pauseList(away) && away.size() == 1;
            if (ok)
                std::tie(faults.awayAfterReceived, faults.awayFor) = *away.begin();
        } else {
            error = "unknown option " + arg;
            return false;
        }
        if (!ok) {
            error = "option " + arg + " needs a valid value";
            return false;
        }
    }
    if (options.help)
        return true;
    if (config.ids.empty())
        error = "--ids is required, for example --ids 1-3,7";
    else if (config.storeRoot.empty())
        error = "--dir is required";
    else if (!options.linkPath.empty() && !options.devicePath.empty())
        error = "--link and --device exclude each other";
    return error.empty();
}

std::string HelpText()
{
    return R"(Usage: tavelin-hhtsim --ids LIST --dir DIR [--link PATH | --device PATH] [options]

A simulated hand-held terminal. It answers the PC's frames for every ID in
LIST, each with its own files in DIR/001, DIR/002, ... (created if missing),
and logs one line per exchange on standard output.

Where it listens:
  (default)          a new pseudo-terminal; its path is printed at start
  --link PATH        also make PATH a symbolic link to that pseudo-terminal
                     (an existing link there is replaced; it is removed at exit)
  --device PATH      serve an existing serial device instead (raw, 8N1)
  --baud N           pseudo-terminal: emulate a line of N bit/s, 10 bits a
                     byte, in both directions; device: its speed (default 19200)
                     On a pseudo-terminal N is also the hand-held's own speed:
                     while the PC has set another one on the line, the
                     hand-held still takes the PC's frames, but its answers
                     reach the PC as a UART at the PC's speed samples them
                     (other bytes, framing errors read as 0x00)
  --mismatch MODE    what a PC at the wrong speed gets: garble (default) or
                     silent (no answers at all)
  --adapter-latency MS  hold what goes toward the PC as a USB serial adapter
                     with an FTDI chip does: until 62 bytes are pending or MS
                     milliseconds (1..255) have passed since its last
                     hand-over; 0 (default): no adapter

Hand-held:
  --ids LIST         IDs answered, 1..128, for example 1-3,7 (required)
  --dir DIR          root of the file stores (required)
  --free N           bytes each ID holds (default 4000000); the list announces
                     this less the bytes of its files, and a download that does
                     not fit is refused with "R"/"F"
  --entries-per-frame N  list entries in one frame, 1..26 (default 26)
  --resend-ms N      resend time of an unacknowledged frame (default 1000);
                     after 30 resends the exchange is given up
  --quiet            no log lines (the summary at the end still comes)
  --help             this text
  --version          the version of the program it goes with

Files: the regular files of an ID's directory whose names, upper-cased, are
8.3 names (at most 7 digits of size). Names match without regard to case.
A download is written to a temporary file and renamed when complete; a name
that is not an 8.3 name, "." or "..", or holds a backslash is refused.

Faults (N: frame numbers counted from 1, as a list like 3 or 2,5-7):
  --wrong-mode          answer every file command with "R"/"M"
  --full-after K        refuse downloads with "R"/"F" once K files were stored
  --silent-after-last   no "A"/ACK after storing a downloaded file
  --corrupt-bcc N       send the N-th frame with a wrong check character
  --drop N              do not send the N-th frame
  --noise N             send line noise (ending in a stray STX) before it
  --repeat-block N      send the N-th data frame (list entries, upload blocks)
                        again although it was acknowledged
  --repeat-header N     the same for the N-th file header of an upload of all
  --ignore N            do not act on the N-th frame received for our IDs
  --noise-after-header N   after the N-th file header of an upload of all,
                        stop listening and send endless line noise (bytes
                        that never form a frame header) until a new command
                        or the PC's stop
  --trickle-after-header N the same with one byte every 900 ms
  --close-after N       close the line when the N-th frame arrives, without
                        acting on it: the pseudo-terminal goes away under the
                        PC (a device is only closed); then wait for SIGTERM
  --away N:MS           leave the line when the N-th frame arrives, without
                        acting on it, as an adapter pulled: the
                        pseudo-terminal is closed, and after MS milliseconds
                        (1..600000) a new one takes its place at --link's
                        path (meanwhile the link names nothing; it is
                        replaced at once each time), the hand-held's files
                        kept and its exchange begun anew
  --pause-before-received N:MS[,N:MS...]
                        pause MS milliseconds (1..600000) before acting on
                        the N-th received frame: a flash write, a loose
                        cradle contact, busy firmware. While it pauses the
                        hand-held neither reads nor answers; what the PC
                        sends meanwhile waits and is taken in order after it,
                        and its own resend and idle timers wait too
  --pause-before-sent N:MS[,N:MS...]
                        the same pause before it sends the N-th frame, which
                        goes out when the pause is over
  --rough SEED          a rough line, the same for the same SEED and the same
                        conversation: pauses of 0.1-1.5 s at data blocks
                        (about one in every 100-200 download blocks taken or
                        upload blocks sent), about one frame in 250 sent twice
                        back to back, and about one answer in 250 held back
                        0.3-0.9 s, mostly past the PC's time-out
Sent frames are counted with resends; received ones are the well-formed
frames with a correct check character addressed to one of our IDs. Each
fault logs a line. At the end a summary line "tavelin-hhtsim: stats ..."
gives the counters as name=value pairs.

How the hand-held answers where the PC leaves it a choice:
  - Every command is answered with digit 0. A poll "P" is always answered
    "A"/ACK, even in the wrong mode; "I" is not answered. A command for
    another ID, or with a wrong check character, gets no answer at all.
  - A new command ends any exchange under way. An erase or rename sent again
    unchanged (its answer was lost) gets the same answer again, and is not
    done twice.
  - List: header "D" digit 0 (count, free bytes), entry frames with digits
    1, 2, ..., 9, 0, ... each resent until acknowledged with its digit, then
    "E"/EOT. Silence after the header is taken as a lost acknowledgement.
  - Download: each block is acknowledged with its digit; a repeated block is
    acknowledged again and not written twice. When the announced size has
    arrived the file is stored and one more "A"/ACK follows with the last
    block's digit ("R"/"F" if it cannot be stored). More data than announced
    is refused with "R"/"F".
  - Set download "W": between files a command frame of a 12-character name
    and a size in digits asks for the next file; "D"/EOT ends the set.
  - A download request (of one file, or of a file of a set) that comes again
    before the file's first block is answered again; a request of a set
    refused before is refused again; a request while a stored file waits
    for its end frame closes that file (its end frame was lost).
  - Upload of all: the count frame, then per file a header with digit 1..9
    (never 0), blocks with digits 0, 1, ..., and "E"/EOT, then "D"/EOT after
    the last file. "R"/"F" or "R"/"S" to a header skips that file. An "A"/ENQ
    carrying the digit of the block now waiting means the PC has it already
    and the next block follows; with another digit the waiting frame is sent
    again. The end frame of a file is sent again on "A"/ENQ or silence, and
    after three silent resend times taken as acknowledged.
  - Upload of one file: the blocks, then "E"/EOT (also straight away for an
    empty file), which is sent again whenever "A"/ENQ arrives afterwards.
  - Uploaded files stay on the hand-held.

Ends on SIGINT or SIGTERM.
)";
}

} // namespace tavelin::sim

// SPDX-License-Identifier: MIT
// What the harnesses share: the check that turns a broken promise into a
// finding, a scratch directory per process, and a hand-held played from the
// fuzz input over the in-memory port on virtual time.
#pragma once

#include "link/frame.h"
#include "link/memory_port.h"
#include "link/virtual_pump.h"
#include "settings/app_state.h"
#include "settings/paths.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// libFuzzer's entry point; the replay program calls it for each stored input.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace tavelin::fuzz {

namespace fs = std::filesystem;

[[noreturn]] inline void Fail(const char* what, const char* file, int line)
{
    std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, what);
    std::abort(); // libFuzzer keeps the input; the replay test fails
}

// A promise of the code under test. Unlike assert() it holds in every build.
#define FUZZ_CHECK(condition) ((condition) ? void(0) : ::tavelin::fuzz::Fail(#condition, __FILE__, __LINE__))

inline std::string AsString(std::span<const std::uint8_t> bytes) { return {bytes.begin(), bytes.end()}; }

inline bool Contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

// The fuzz input cut into parts at each separator (two bytes no code page
// 932 text holds), so one input can carry several files or replies.
inline std::vector<std::string> SplitInput(std::span<const std::uint8_t> bytes)
{
    constexpr std::string_view kSeparator = "\xFF\xFE";
    const std::string text = AsString(bytes);
    std::vector<std::string> parts;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find(kSeparator, from)) != std::string::npos; from = at + kSeparator.size())
        parts.push_back(text.substr(from, at - from));
    parts.push_back(text.substr(from));
    return parts;
}

// A directory of the process's own under the temporary directory (TMPDIR:
// a RAM disk makes the file harnesses several times faster), removed when
// the process ends. Contents are the harness's business.
class Sandbox {
public:
    explicit Sandbox(std::string_view name)
    {
        std::random_device random;
        root_ = fs::temp_directory_path() / ("tavelin-fuzz-" + std::string(name) + "-" + std::to_string(random()));
        fs::create_directories(root_);
    }
    ~Sandbox()
    {
        std::error_code error;
        fs::remove_all(root_, error);
    }
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    const fs::path& Root() const { return root_; }

    // An empty directory below the root, as the program keeps directories:
    // UTF-8 text ending in the separator. One that is there already is
    // emptied rather than made anew, which saves system calls on every input.
    std::string FreshDir(std::string_view name) const
    {
        const fs::path dir = root_ / name;
        std::error_code error;
        if (fs::is_directory(fs::symlink_status(dir, error))) {
            for (const auto& entry : fs::directory_iterator(dir))
                fs::remove_all(entry.path());
        } else {
            fs::remove_all(dir, error);
            fs::create_directories(dir);
        }
        const auto text = (dir / "").u8string();
        return std::string(text.begin(), text.end());
    }

private:
    fs::path root_;
};

// The harnesses' own file work goes through unbuffered C streams: a file
// stream's buffer is 8 KiB that AddressSanitizer fills and keeps in its
// quarantine on every input, which costs more than the reading itself.
// fopen takes narrow names on every system; the scratch directory's path
// is the system's temporary folder, which the narrow code page can name.
inline void WriteFile(const fs::path& path, std::string_view bytes)
{
    std::FILE* file = std::fopen(path.string().c_str(), "wb");
    FUZZ_CHECK(file != nullptr);
    std::setvbuf(file, nullptr, _IONBF, 0);
    FUZZ_CHECK(std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size());
    std::fclose(file);
}

// The whole file, or nothing when it cannot be opened.
inline std::string ReadFile(const fs::path& path)
{
    std::string text;
    std::FILE* file = std::fopen(path.string().c_str(), "rb");
    if (file == nullptr)
        return text;
    std::setvbuf(file, nullptr, _IONBF, 0);
    char chunk[4096];
    for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;)
        text.append(chunk, got);
    std::fclose(file);
    return text;
}

// Well-formed UTF-8: no stray or missing continuation bytes, no overlong
// forms, no surrogates, nothing above U+10FFFF.
inline bool IsUtf8(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        const std::size_t length = b < 0x80 ? 1 : b >= 0xC2 && b <= 0xDF ? 2 : b >= 0xE0 && b <= 0xEF ? 3
                                                : b >= 0xF0 && b <= 0xF4 ? 4 : 0;
        if (length == 0 || i + length > text.size())
            return false;
        char32_t cp = length == 1 ? b : b & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto c = static_cast<unsigned char>(text[i + k]);
            if ((c & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (c & 0x3F);
        }
        static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < kLeast[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

// One frame the program wrote, taken apart.
struct SentFrame {
    char kind = 0;
    std::string id;
    int digit = 0;
    std::string data;
};

// Everything the program writes must be whole frames: STX, a kind letter,
// the hand-held's ID, a digit, the length, the data, ETX and the right check
// character. Any other byte on the line is a finding.
inline std::vector<SentFrame> ParseSent(const link::Bytes& written)
{
    std::vector<SentFrame> frames;
    for (std::size_t i = 0; i < written.size();) {
        FUZZ_CHECK(written.size() - i >= link::kFrameOverhead);
        const std::string header(written.begin() + std::ptrdiff_t(i), written.begin() + std::ptrdiff_t(i + 10));
        FUZZ_CHECK(header[0] == link::STX && header[1] >= 'A' && header[1] <= 'Z');
        for (std::size_t k = 2; k < 10; ++k)
            FUZZ_CHECK(header[k] >= '0' && header[k] <= '9');
        const std::size_t length = std::stoul(header.substr(6, 4));
        FUZZ_CHECK(written.size() - i >= length + link::kFrameOverhead);
        const std::size_t end = i + 10 + length;
        FUZZ_CHECK(written[end] == link::ETX);
        const auto body = std::span(written).subspan(i + 1, end - i);
        FUZZ_CHECK(link::CalcBccBin(body) == written[end + 1]);
        frames.push_back({header[1], header.substr(2, 3), header[5] - '0',
                          std::string(written.begin() + std::ptrdiff_t(i + 10), written.begin() + std::ptrdiff_t(end))});
        i = end + 2;
    }
    return frames;
}

// A link to a hand-held that answers each frame the program writes with the
// next reply of its script, at once. A reply that starts with '!' is a list
// of frames for the harness to build, each as kind, sequence, data length
// (one byte) and data, so that the fuzzer reaches the states behind valid
// check characters; any other reply goes on the line as it stands, and an
// empty one is silence.
class ScriptedHht {
public:
    explicit ScriptedHht(std::vector<std::string> replies) : replies_(std::move(replies))
    {
        state.settings.BaudCode = "2";
        state.settings.CommTimeout = 800;
        state.settings.PollTimeout = 50;
        port.SetPeerReceiver([this](const link::Bytes&) { Answer(); });
        port.Open();
    }

    link::VirtualPump pump;
    link::MemoryPort port{pump};
    settings::AppState state;
    link::Link link{port, pump, state};

private:
    void Answer()
    {
        if (next_ >= replies_.size())
            return;
        const std::string& reply = replies_[next_++];
        if (reply.empty() || reply[0] != '!') {
            port.SendFromPeer(std::span(reinterpret_cast<const std::uint8_t*>(reply.data()), reply.size()));
            return;
        }
        link::Bytes bytes;
        for (std::size_t i = 1; i + 3 <= reply.size();) {
            const char kind = reply[i];
            const int sequence = static_cast<unsigned char>(reply[i + 1]);
            const std::size_t length = std::min<std::size_t>(static_cast<unsigned char>(reply[i + 2]), reply.size() - i - 3);
            const auto data = std::span(reinterpret_cast<const std::uint8_t*>(reply.data()) + i + 3, length);
            const link::Bytes frame = link::BuildFrame(kind, state.CurHhtId, sequence, data);
            bytes.insert(bytes.end(), frame.begin(), frame.end());
            i += 3 + length;
        }
        port.SendFromPeer(bytes);
    }

    std::vector<std::string> replies_;
    std::size_t next_ = 0;
};

} // namespace tavelin::fuzz

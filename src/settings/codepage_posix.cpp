// SPDX-License-Identifier: MIT
// Code page 932 by iconv.
#include "codepage.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>

namespace tavelin::settings {

namespace {

constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";

// An open iconv conversion. Opening one looks up and sets up its tables,
// which costs more than converting a line of text, so each thread keeps the
// two it uses open (see Conversion) instead of opening one per call.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter()
    {
        if (Opened())
            iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool Opened() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t Descriptor() const { return cd_; }

private:
    iconv_t cd_;
};

enum class Direction { ToUtf8, FromUtf8 };

const Converter& Conversion(Direction direction)
{
    thread_local const Converter toUtf8("UTF-8", "CP932");
    thread_local const Converter fromUtf8("CP932", "UTF-8");
    return direction == Direction::ToUtf8 ? toUtf8 : fromUtf8;
}

// One iconv conversion; an unconvertible or invalid input unit is replaced
// and skipped, so the loop always makes progress.
std::string Convert(std::string_view input, Direction direction, std::string_view replacement,
                    std::size_t skipOnError)
{
    std::string output;
    if (input.empty())
        return output;
    const Converter& converter = Conversion(direction);
    if (!converter.Opened())
        return std::string(input);
    iconv_t cd = converter.Descriptor();
    iconv(cd, nullptr, nullptr, nullptr, nullptr); // whatever the last call left, start afresh
    output.reserve(input.size() * 2);
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    char buffer[1024];
    while (inLeft > 0) {
        char* out = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t rc = iconv(cd, &in, &inLeft, &out, &outLeft);
        output.append(buffer, static_cast<std::size_t>(out - buffer));
        if (rc != static_cast<std::size_t>(-1))
            continue;
        if (errno == E2BIG)
            continue;
        // EILSEQ or EINVAL (a truncated sequence at the end): replace and skip.
        output += replacement;
        std::size_t skip = std::min(skipOnError, inLeft);
        if (skipOnError == 0) { // a UTF-8 input: skip the whole character
            skip = 1;
            while (skip < inLeft && (static_cast<unsigned char>(in[skip]) & 0xC0) == 0x80)
                ++skip;
        }
        in += skip;
        inLeft -= skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    return output;
}

} // namespace

std::string Cp932ToUtf8(std::string_view cp932)
{
    return Convert(cp932, Direction::ToUtf8, kReplacementUtf8, 1);
}

std::string Utf8ToCp932(std::string_view utf8)
{
    return Convert(utf8, Direction::FromUtf8, "?", 0);
}

} // namespace tavelin::settings

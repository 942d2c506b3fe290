// SPDX-License-Identifier: MIT
// A console shows what the program prints whatever its code page: the text
// reaches it as UTF-16. A pipe gets the UTF-8 bytes, with a text stream's
// CRLF line ends. The console is the process's own, or one it makes; under
// Wine, which makes none without a terminal, ctest starts this suite on a
// pseudo-terminal.
#include "settings/console_output.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <string>

namespace tavelin::settings {
namespace {

HANDLE OpenScreen()
{
    const HANDLE screen = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD mode = 0;
    if (screen != INVALID_HANDLE_VALUE && !GetConsoleMode(screen, &mode)) {
        CloseHandle(screen);
        return INVALID_HANDLE_VALUE;
    }
    return screen;
}

// A text stream on a handle of its own, as stdout and stderr are.
std::FILE* TextStream(HANDLE handle)
{
    const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_TEXT);
    return descriptor < 0 ? nullptr : _fdopen(descriptor, "w");
}

// A stream on the console's screen, and what the screen shows.
class ConsoleScreen : public ::testing::Test {
protected:
    void SetUp() override
    {
        screen_ = OpenScreen();
        if (screen_ == INVALID_HANDLE_VALUE && FreeConsole() && AllocConsole())
            screen_ = OpenScreen();
        ASSERT_NE(screen_, INVALID_HANDLE_VALUE) << "no console here, nor one to make";
        CONSOLE_SCREEN_BUFFER_INFO info{};
        ASSERT_TRUE(GetConsoleScreenBufferInfo(screen_, &info));
        from_ = info.dwCursorPosition;
        stream_ = TextStream(OpenScreen()); // the stream closes a handle of its own
        ASSERT_NE(stream_, nullptr);
    }
    void TearDown() override
    {
        if (stream_)
            std::fclose(stream_);
        CloseHandle(screen_);
    }

    // The cells from where the cursor stood before the test wrote.
    std::wstring Shown(std::size_t count) const
    {
        std::wstring cells(count, L'\0');
        DWORD read = 0;
        if (!ReadConsoleOutputCharacterW(screen_, cells.data(), DWORD(count), from_, &read))
            return L"(unreadable)";
        cells.resize(read);
        return cells;
    }

    HANDLE screen_ = INVALID_HANDLE_VALUE;
    std::FILE* stream_ = nullptr;
    COORD from_{};
};

TEST_F(ConsoleScreen, JapaneseTextArrivesAsItsCharacters)
{
    const std::wstring expected = L"tavelin: 設定 ﾃﾞｰﾀ.DAT 正常終了";
    PrintText(stream_, "tavelin: %s %s\n", "設定 ﾃﾞｰﾀ.DAT", "正常終了");
    EXPECT_EQ(Shown(expected.size()), expected);
}

TEST_F(ConsoleScreen, WhatTheStreamHoldsIsShownFirst)
{
    static char buffer[256];
    std::setvbuf(stream_, buffer, _IOFBF, sizeof buffer);
    std::fputs("start ", stream_);
    WriteText(stream_, "受信\n");
    EXPECT_EQ(Shown(8), L"start 受信");
}

TEST(ConsolePipe, GetsUtf8WithTheStreamsLineEnds)
{
    HANDLE reader = nullptr;
    HANDLE writer = nullptr;
    ASSERT_TRUE(CreatePipe(&reader, &writer, nullptr, 1 << 16));
    std::FILE* stream = TextStream(writer);
    ASSERT_NE(stream, nullptr);
    PrintText(stream, "tavelin: %s\n", "設定 𠀋");
    WriteText(stream, "履歴\n");
    std::fclose(stream);
    std::string bytes(256, '\0');
    DWORD read = 0;
    ASSERT_TRUE(ReadFile(reader, bytes.data(), DWORD(bytes.size()), &read, nullptr));
    CloseHandle(reader);
    bytes.resize(read);
    EXPECT_EQ(bytes, "tavelin: \xE8\xA8\xAD\xE5\xAE\x9A \xF0\xA0\x80\x8B\r\n\xE5\xB1\xA5\xE6\xAD\xB4\r\n");
}

} // namespace
} // namespace tavelin::settings

// SPDX-License-Identifier: MIT
// The Application log, source "Tavelin". The installer registers the source
// with tavelin.exe as its message file, whose message table (tavelin_win32.mc)
// holds one message, kRunEventId, that shows the text as it is.
#include "system_log.h"

#include <windows.h>

#include <cstddef>
#include <string>

namespace tavelin::app {

namespace {

constexpr DWORD kRunEventId = 1;

std::wstring Utf16(const std::string& text)
{
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
    if (size > 0)
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
    return wide;
}

WORD EventType(RunEventKind kind)
{
    switch (kind) {
    case RunEventKind::Warning: return EVENTLOG_WARNING_TYPE;
    case RunEventKind::Error: return EVENTLOG_ERROR_TYPE;
    case RunEventKind::Information: break;
    }
    return EVENTLOG_INFORMATION_TYPE;
}

} // namespace

void WriteToSystemLog(const RunEvent& event)
{
    const HANDLE source = RegisterEventSourceW(nullptr, L"Tavelin");
    if (!source)
        return;
    const std::wstring text = Utf16(event.text);
    LPCWSTR strings[] = {text.c_str()};
    ReportEventW(source, EventType(event.kind), 0, kRunEventId, nullptr, 1, 0, strings, nullptr);
    DeregisterEventSource(source);
}

} // namespace tavelin::app

// SPDX-License-Identifier: MIT
// The Application log, source "Tavelin". The installer registers the source
// with tavelin.exe as its message file, whose message table (tavelin_win32.mc)
// holds one message, kRunEventId, that shows the text as it is.
#include "system_log.h"

#include "link/system/wide_text.h"

#include <windows.h>

#include <string>

namespace tavelin::app {

namespace {

constexpr DWORD kRunEventId = 1;

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
    const std::wstring text = link::win32::ToWide(event.text);
    LPCWSTR strings[] = {text.c_str()};
    ReportEventW(source, EventType(event.kind), 0, kRunEventId, nullptr, 1, 0, strings, nullptr);
    DeregisterEventSource(source);
}

} // namespace tavelin::app

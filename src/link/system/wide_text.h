// SPDX-License-Identifier: MIT
// The program keeps its texts in UTF-8; the Win32 API takes and gives UTF-16.
// Also the system's own wording of an error code, for the reasons a port
// reports.
#pragma once

#include <string>

namespace tavelin::link::win32 {

std::wstring ToWide(const std::string& utf8);
std::string FromWide(const std::wstring& utf16);

// FormatMessage's text for `code` (a GetLastError value) without its line
// end, or "error N" when the system has none.
std::string SystemErrorText(unsigned long code);

} // namespace tavelin::link::win32

// SPDX-License-Identifier: MIT
// Windows file attributes for tests of the checks that read them; the
// system's header stays out of every other test.
#pragma once

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <filesystem>

namespace tavelin::testing {

inline bool SetAttributes(const std::filesystem::path& path, DWORD attributes)
{
    return SetFileAttributesW(path.c_str(), attributes) != 0;
}

} // namespace tavelin::testing
#endif

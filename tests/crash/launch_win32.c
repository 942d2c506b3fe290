// SPDX-License-Identifier: MIT
// tavelin-crash-launch: runs a Windows program with the recorder DLL loaded
// before the program's own code runs: the program is started suspended, a
// thread of its own loads the DLL (which patches every module loaded by
// then), and only then does the program go on. Ends as the program ends.
//
//   tavelin-crash-launch RECORDER.DLL PROGRAM [ARGUMENT...]
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <shellapi.h>
#include <stdio.h>
#include <wchar.h>

// The command line after its first `count` arguments, as it was written:
// the program's arguments reach it unchanged (a shell's redirection too).
static wchar_t* AfterArguments(wchar_t* line, int count)
{
    for (int i = 0; i < count; ++i) {
        line += wcsspn(line, L" \t");
        for (int quoted = 0; *line && (quoted || (*line != L' ' && *line != L'\t')); ++line) {
            if (*line == L'\\' && line[1] == L'"')
                ++line;
            else if (*line == L'"')
                quoted = !quoted;
        }
    }
    return line + wcsspn(line, L" \t");
}

static int Fail(const char* what)
{
    fprintf(stderr, "tavelin-crash-launch: %s failed (error %lu)\n", what, GetLastError());
    return 125;
}

int main(void)
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == NULL || argc < 3) {
        fprintf(stderr, "usage: tavelin-crash-launch RECORDER.DLL PROGRAM [ARGUMENT...]\n");
        return 2;
    }
    wchar_t* line = AfterArguments(GetCommandLineW(), 2);
    wchar_t dll[MAX_PATH];
    if (!GetFullPathNameW(argv[1], MAX_PATH, dll, NULL))
        return Fail("finding the recorder");

    STARTUPINFOW startup = {.cb = sizeof startup};
    PROCESS_INFORMATION process;
    if (!CreateProcessW(NULL, line, NULL, NULL, TRUE, CREATE_SUSPENDED, NULL, NULL, &startup, &process))
        return Fail("starting the program");
    const size_t bytes = (wcslen(dll) + 1) * sizeof(wchar_t);
    void* remote = VirtualAllocEx(process.hProcess, NULL, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    // kernel32 lies at the same address in every process of a session.
    const LPTHREAD_START_ROUTINE load =
        (LPTHREAD_START_ROUTINE)(void*)GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "LoadLibraryW");
    HANDLE loader = NULL;
    if (remote == NULL || !WriteProcessMemory(process.hProcess, remote, dll, bytes, NULL) ||
        (loader = CreateRemoteThread(process.hProcess, NULL, 0, load, remote, 0, NULL)) == NULL) {
        TerminateProcess(process.hProcess, 125);
        return Fail("loading the recorder");
    }
    DWORD loaded = 0;
    WaitForSingleObject(loader, INFINITE);
    if (!GetExitCodeThread(loader, &loaded) || loaded == 0) {
        TerminateProcess(process.hProcess, 125);
        return Fail("loading the recorder into the program");
    }
    ResumeThread(process.hThread);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 125;
    GetExitCodeProcess(process.hProcess, &status);
    return (int)status;
}

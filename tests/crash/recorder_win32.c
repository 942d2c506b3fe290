// SPDX-License-Identifier: MIT
// The Windows twin of recorder.c: a DLL that writes down the file-system
// operations of a run in recorder.c's format (record.h reads both). Every
// file call of the C runtime, libstdc++ and Qt ends in kernel32, so the DLL
// points the import tables of every module loaded (the program's, msvcrt's,
// Qt's; not kernel32, kernelbase or ntdll themselves) at its own versions of
// those calls, and again after each LoadLibrary. tavelin-crash-launch loads
// it into a program before the program runs.
//
// Paths are written in the form the explorer is given the root in
// (GetFullPathNameW, forward slashes); only paths under TAVELIN_CRASH_ROOT
// count. Writes to a device (\\.\COMn, NUL) are "line" markers: what the
// program told the hand-held or the operator, and when. A rename with
// MOVEFILE_WRITE_THROUGH returns once it is on the disk: it is written down
// as the rename and a flush of the folders it touched; a handle opened with
// FILE_FLAG_WRITE_THROUGH flushes after each write.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <psapi.h>
#include <stdio.h>
#include <string.h>
#include <wchar.h>

#include "record_header.h"

enum { kMaxPath = 4096, kMaxHandles = 1024 };

typedef struct {
    HANDLE handle;
    char* path;    // NULL: a device
    int appendOnly;
    int writeThrough;
} Tracked;

static Tracked handles[kMaxHandles];
static CRITICAL_SECTION lock;
static HANDLE recordFile = INVALID_HANDLE_VALUE;
static char root[kMaxPath];
static long long pseudoHandles = 2000000000; // folders flushed by a rename, never real handles

// The real calls, taken from kernelbase (else kernel32) before any patching.
#define HOOKED(X)                                                                                              \
    X(CreateFileW) X(CreateFileA) X(WriteFile) X(WriteFileEx) X(SetEndOfFile) X(SetFileInformationByHandle)    \
    X(FlushFileBuffers) X(CloseHandle) X(MoveFileW) X(MoveFileA) X(MoveFileExW) X(MoveFileExA)                 \
    X(MoveFileWithProgressW) X(ReplaceFileW) X(DeleteFileW) X(DeleteFileA) X(RemoveDirectoryW)                 \
    X(RemoveDirectoryA) X(CreateDirectoryW) X(CreateDirectoryA) X(CreateDirectoryExW) X(CopyFileW)            \
    X(CopyFileExW) X(LoadLibraryW) X(LoadLibraryA) X(LoadLibraryExW) X(LoadLibraryExA)

#define DECLARE(name) static __typeof__(&name) Real##name;
HOOKED(DECLARE)

static void Emit(const void* bytes, size_t length)
{
    const char* p = bytes;
    while (length > 0) {
        DWORD n = 0;
        if (!RealWriteFile(recordFile, p, (DWORD)(length > 65536 ? 65536 : length), &n, NULL) || n == 0)
            return;
        p += n;
        length -= n;
    }
}

// One entry: the kind, the numbers, then each payload.
static void Entry(char kind, const long long* numbers, int count, const void* a, size_t aLength, const void* b,
                  size_t bLength)
{
    if (recordFile == INVALID_HANDLE_VALUE)
        return;
    char header[kRecordHeaderSize];
    const int used = RecordHeader(header, kind, numbers, count);
    EnterCriticalSection(&lock);
    Emit(header, (size_t)used);
    Emit(a, aLength);
    Emit(b, bLength);
    LeaveCriticalSection(&lock);
}

// The full path in UTF-8 with forward slashes, or "".
static void Normal(const wchar_t* path, char* out)
{
    wchar_t full[kMaxPath];
    out[0] = '\0';
    const DWORD n = path != NULL ? GetFullPathNameW(path, kMaxPath, full, NULL) : 0;
    if (n == 0 || n >= kMaxPath || !WideCharToMultiByte(CP_UTF8, 0, full, -1, out, kMaxPath, NULL, NULL))
        return;
    for (char* c = out; *c; ++c)
        if (*c == '\\')
            *c = '/';
}

// Under the root (in any case, as Windows compares names), and then written
// with the root as the explorer spells it.
static int UnderRoot(char* absolute)
{
    const size_t n = strlen(root);
    if (n == 0 || _strnicmp(absolute, root, n) != 0 || (absolute[n] != '/' && absolute[n] != '\0'))
        return 0;
    memcpy(absolute, root, n);
    return 1;
}

static int IsDevice(const wchar_t* path)
{
    return path != NULL && (wcsncmp(path, L"\\\\.\\", 4) == 0 || _wcsicmp(path, L"NUL") == 0 ||
                            (_wcsnicmp(path, L"COM", 3) == 0 && iswdigit(path[3])));
}

static Tracked* Find(HANDLE handle)
{
    for (int i = 0; i < kMaxHandles; ++i)
        if (handles[i].handle == handle && handle != NULL)
            return &handles[i];
    return NULL;
}

static void Forget(HANDLE handle)
{
    Tracked* t = Find(handle);
    if (t == NULL)
        return;
    if (t->path != NULL) {
        long long numbers[] = {(long long)(INT_PTR)handle};
        Entry('C', numbers, 1, NULL, 0, NULL, 0);
        free(t->path);
    }
    memset(t, 0, sizeof *t);
}

static void Track(HANDLE handle, const char* path, int appendOnly, int writeThrough)
{
    Forget(handle);
    Tracked* t = NULL;
    for (int i = 0; t == NULL && i < kMaxHandles; ++i)
        if (handles[i].handle == NULL)
            t = &handles[i];
    if (t != NULL)
        *t = (Tracked){handle, path != NULL ? _strdup(path) : NULL, appendOnly, writeThrough};
}

static void Opened(long long handle, int created, int truncated, const char* path)
{
    long long numbers[] = {handle, created, truncated, (long long)strlen(path)};
    Entry('O', numbers, 4, path, strlen(path), NULL, 0);
}

static void Flushed(long long handle)
{
    long long numbers[] = {handle};
    Entry('S', numbers, 1, NULL, 0, NULL, 0);
}

static HANDLE AfterOpen(HANDLE handle, const wchar_t* path, DWORD access, DWORD disposition, DWORD flags, int existed)
{
    if (handle == INVALID_HANDLE_VALUE)
        return handle;
    if (IsDevice(path)) {
        Track(handle, NULL, 0, 0);
        return handle;
    }
    char absolute[kMaxPath];
    Normal(path, absolute);
    if (!UnderRoot(absolute)) {
        Forget(handle);
        return handle;
    }
    const int creates = disposition == CREATE_NEW || disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS;
    const int truncates = disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING;
    Track(handle, absolute, (access & FILE_APPEND_DATA) && !(access & (FILE_WRITE_DATA | GENERIC_WRITE)),
          (flags & FILE_FLAG_WRITE_THROUGH) != 0);
    Opened((long long)(INT_PTR)handle, creates && !existed, truncates && existed, absolute);
    return handle;
}

static HANDLE WINAPI MyCreateFileW(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                   DWORD disposition, DWORD flags, HANDLE model)
{
    const int existed = path != NULL && GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
    const HANDLE handle = RealCreateFileW(path, access, share, security, disposition, flags, model);
    return AfterOpen(handle, path, access, disposition, flags, existed);
}

// The ANSI calls, in the wide form (the code page the program runs in).
static wchar_t* Wide(const char* path, wchar_t* out)
{
    if (path == NULL || !MultiByteToWideChar(CP_ACP, 0, path, -1, out, kMaxPath))
        return NULL;
    return out;
}

static HANDLE WINAPI MyCreateFileA(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                   DWORD disposition, DWORD flags, HANDLE model)
{
    wchar_t wide[kMaxPath];
    return MyCreateFileW(Wide(path, wide), access, share, security, disposition, flags, model);
}

static long long Position(HANDLE handle, const Tracked* t, const OVERLAPPED* overlapped)
{
    LARGE_INTEGER at = {0};
    if (overlapped != NULL)
        return (long long)overlapped->Offset | ((long long)overlapped->OffsetHigh << 32);
    if (t->appendOnly)
        return GetFileSizeEx(handle, &at) ? at.QuadPart : 0;
    LARGE_INTEGER zero = {0};
    return SetFilePointerEx(handle, zero, &at, FILE_CURRENT) ? at.QuadPart : 0;
}

static void Written(HANDLE handle, const Tracked* t, long long offset, const void* bytes, DWORD n)
{
    if (n == 0)
        return;
    if (t->path == NULL) {
        long long numbers[] = {(long long)n};
        Entry('L', numbers, 1, bytes, n, NULL, 0);
        return;
    }
    long long numbers[] = {(long long)(INT_PTR)handle, offset, (long long)n};
    Entry('W', numbers, 3, bytes, n, NULL, 0);
    if (t->writeThrough)
        Flushed((long long)(INT_PTR)handle);
}

// A write still under way (overlapped) is written down as issued: the
// hand-held may have it from then on.
static BOOL WINAPI MyWriteFile(HANDLE handle, LPCVOID bytes, DWORD length, LPDWORD written, LPOVERLAPPED overlapped)
{
    const Tracked* t = Find(handle);
    const long long offset = t != NULL && t->path != NULL ? Position(handle, t, overlapped) : 0;
    const BOOL ok = RealWriteFile(handle, bytes, length, written, overlapped);
    const int pending = !ok && overlapped != NULL && GetLastError() == ERROR_IO_PENDING;
    if (t != NULL && (ok || pending)) {
        const DWORD saved = GetLastError();
        Written(handle, t, offset, bytes, ok && written != NULL && overlapped == NULL ? *written : length);
        SetLastError(saved);
    }
    return ok;
}

static BOOL WINAPI MyWriteFileEx(HANDLE handle, LPCVOID bytes, DWORD length, LPOVERLAPPED overlapped,
                                 LPOVERLAPPED_COMPLETION_ROUTINE done)
{
    const Tracked* t = Find(handle);
    const long long offset = t != NULL && t->path != NULL ? Position(handle, t, overlapped) : 0;
    const BOOL ok = RealWriteFileEx(handle, bytes, length, overlapped, done);
    if (t != NULL && ok)
        Written(handle, t, offset, bytes, length);
    return ok;
}

static void Truncated(HANDLE handle, long long length)
{
    long long numbers[] = {(long long)(INT_PTR)handle, length};
    Entry('T', numbers, 2, NULL, 0, NULL, 0);
}

static BOOL WINAPI MySetEndOfFile(HANDLE handle)
{
    const Tracked* t = Find(handle);
    const long long at = t != NULL && t->path != NULL ? Position(handle, t, NULL) : 0;
    const BOOL ok = RealSetEndOfFile(handle);
    if (ok && t != NULL && t->path != NULL)
        Truncated(handle, at);
    return ok;
}

static void Renamed(const char* from, const char* to)
{
    long long numbers[] = {(long long)strlen(from), (long long)strlen(to)};
    Entry('R', numbers, 2, from, strlen(from), to, strlen(to));
}

// A folder on the disk: opened, flushed and closed under a handle of its own.
static void FolderFlushed(const char* path)
{
    char folder[kMaxPath];
    snprintf(folder, sizeof folder, "%s", path);
    char* slash = strrchr(folder, '/');
    if (slash == NULL || !UnderRoot(folder))
        return;
    *slash = '\0';
    const long long handle = pseudoHandles++;
    Opened(handle, 0, 0, folder);
    Flushed(handle);
    long long numbers[] = {handle};
    Entry('C', numbers, 1, NULL, 0, NULL, 0);
}

static void AfterMove(BOOL ok, const wchar_t* from, const wchar_t* to, DWORD flags)
{
    char a[kMaxPath], b[kMaxPath];
    Normal(from, a);
    Normal(to, b); // none: a removal at the next start, nothing now
    const int inA = UnderRoot(a), inB = UnderRoot(b);
    if (!ok || to == NULL || !(inA || inB))
        return;
    Renamed(a, b);
    if (flags & MOVEFILE_WRITE_THROUGH) {
        FolderFlushed(a);
        const size_t folder = (size_t)(strrchr(a, '/') - a);
        if (strncmp(a, b, folder + 1) != 0 || strchr(b + folder + 1, '/') != NULL)
            FolderFlushed(b);
    }
}

static BOOL WINAPI MyMoveFileWithProgressW(LPCWSTR from, LPCWSTR to, LPPROGRESS_ROUTINE progress, LPVOID context,
                                          DWORD flags)
{
    const BOOL ok = RealMoveFileWithProgressW(from, to, progress, context, flags);
    const DWORD saved = GetLastError();
    AfterMove(ok, from, to, flags);
    SetLastError(saved);
    return ok;
}

static BOOL WINAPI MyMoveFileExW(LPCWSTR from, LPCWSTR to, DWORD flags)
{
    const BOOL ok = RealMoveFileExW(from, to, flags);
    const DWORD saved = GetLastError();
    AfterMove(ok, from, to, flags);
    SetLastError(saved);
    return ok;
}

static BOOL WINAPI MyMoveFileW(LPCWSTR from, LPCWSTR to) { return MyMoveFileExW(from, to, MOVEFILE_COPY_ALLOWED); }

static BOOL WINAPI MyMoveFileExA(LPCSTR from, LPCSTR to, DWORD flags)
{
    wchar_t a[kMaxPath], b[kMaxPath];
    return MyMoveFileExW(Wide(from, a), Wide(to, b), flags);
}

static BOOL WINAPI MyMoveFileA(LPCSTR from, LPCSTR to) { return MyMoveFileExA(from, to, MOVEFILE_COPY_ALLOWED); }

// A call the record cannot carry (a copy inside the system, a replacement
// keeping a backup), for the explorer to refuse.
static void Unrecordable(const wchar_t* path)
{
    char absolute[kMaxPath];
    Normal(path, absolute);
    if (UnderRoot(absolute)) {
        long long numbers[] = {0};
        Entry('X', numbers, 1, NULL, 0, NULL, 0);
    }
}

static BOOL WINAPI MyReplaceFileW(LPCWSTR replaced, LPCWSTR replacement, LPCWSTR backup, DWORD flags, LPVOID a,
                                  LPVOID b)
{
    const BOOL ok = RealReplaceFileW(replaced, replacement, backup, flags, a, b);
    const DWORD saved = GetLastError();
    if (ok && backup != NULL)
        Unrecordable(replaced);
    else
        AfterMove(ok, replacement, replaced, 0);
    SetLastError(saved);
    return ok;
}

static BOOL WINAPI MyCopyFileExW(LPCWSTR from, LPCWSTR to, LPPROGRESS_ROUTINE progress, LPVOID context,
                                 LPBOOL cancel, DWORD flags)
{
    Unrecordable(to);
    return RealCopyFileExW(from, to, progress, context, cancel, flags);
}

static BOOL WINAPI MyCopyFileW(LPCWSTR from, LPCWSTR to, BOOL failIfExists)
{
    Unrecordable(to);
    return RealCopyFileW(from, to, failIfExists);
}

static BOOL PathCall(BOOL ok, char kind, const wchar_t* path)
{
    const DWORD saved = GetLastError();
    char absolute[kMaxPath];
    Normal(path, absolute);
    if (ok && UnderRoot(absolute)) {
        long long numbers[] = {(long long)strlen(absolute)};
        Entry(kind, numbers, 1, absolute, strlen(absolute), NULL, 0);
    }
    SetLastError(saved);
    return ok;
}

static BOOL WINAPI MyDeleteFileW(LPCWSTR path) { return PathCall(RealDeleteFileW(path), 'U', path); }
static BOOL WINAPI MyRemoveDirectoryW(LPCWSTR path) { return PathCall(RealRemoveDirectoryW(path), 'U', path); }
static BOOL WINAPI MyCreateDirectoryW(LPCWSTR path, LPSECURITY_ATTRIBUTES security)
{
    return PathCall(RealCreateDirectoryW(path, security), 'M', path);
}
static BOOL WINAPI MyCreateDirectoryExW(LPCWSTR model, LPCWSTR path, LPSECURITY_ATTRIBUTES security)
{
    return PathCall(RealCreateDirectoryExW(model, path, security), 'M', path);
}
static BOOL WINAPI MyDeleteFileA(LPCSTR path)
{
    wchar_t wide[kMaxPath];
    return PathCall(RealDeleteFileA(path), 'U', Wide(path, wide));
}
static BOOL WINAPI MyRemoveDirectoryA(LPCSTR path)
{
    wchar_t wide[kMaxPath];
    return PathCall(RealRemoveDirectoryA(path), 'U', Wide(path, wide));
}
static BOOL WINAPI MyCreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES security)
{
    wchar_t wide[kMaxPath];
    return PathCall(RealCreateDirectoryA(path, security), 'M', Wide(path, wide));
}

static BOOL WINAPI MyFlushFileBuffers(HANDLE handle)
{
    const BOOL ok = RealFlushFileBuffers(handle);
    const Tracked* t = Find(handle);
    if (ok && t != NULL && t->path != NULL)
        Flushed((long long)(INT_PTR)handle);
    return ok;
}

static BOOL WINAPI MyCloseHandle(HANDLE handle)
{
    Forget(handle);
    return RealCloseHandle(handle);
}

// Sizes, renames and removals through a handle. A removal on close is not
// written down, nor any other kind: the program makes none under the root.
static BOOL WINAPI MySetFileInformationByHandle(HANDLE handle, FILE_INFO_BY_HANDLE_CLASS kind, LPVOID info,
                                                DWORD size)
{
    const BOOL ok = RealSetFileInformationByHandle(handle, kind, info, size);
    Tracked* t = Find(handle);
    if (!ok || t == NULL || t->path == NULL)
        return ok;
    if (kind == FileEndOfFileInfo) {
        Truncated(handle, ((FILE_END_OF_FILE_INFO*)info)->EndOfFile.QuadPart);
    } else if (kind == FileRenameInfo) {
        const FILE_RENAME_INFO* rename = info;
        wchar_t name[kMaxPath];
        const size_t n = rename->FileNameLength / sizeof(wchar_t);
        if (n < kMaxPath) {
            wmemcpy(name, rename->FileName, n);
            name[n] = L'\0';
            char to[kMaxPath];
            Normal(name, to);
            if (UnderRoot(to)) {
                Renamed(t->path, to);
                free(t->path);
                t->path = _strdup(to);
            }
        }
    }
    return ok;
}

static void PatchAll(void);

static HMODULE WINAPI MyLoadLibraryW(LPCWSTR name)
{
    const HMODULE module = RealLoadLibraryW(name);
    PatchAll();
    return module;
}
static HMODULE WINAPI MyLoadLibraryA(LPCSTR name)
{
    const HMODULE module = RealLoadLibraryA(name);
    PatchAll();
    return module;
}
static HMODULE WINAPI MyLoadLibraryExW(LPCWSTR name, HANDLE file, DWORD flags)
{
    const HMODULE module = RealLoadLibraryExW(name, file, flags);
    PatchAll();
    return module;
}
static HMODULE WINAPI MyLoadLibraryExA(LPCSTR name, HANDLE file, DWORD flags)
{
    const HMODULE module = RealLoadLibraryExA(name, file, flags);
    PatchAll();
    return module;
}

// Each real call under both addresses a module may have bound it to, and
// the one that stands in for it.
typedef struct {
    void* bound[2];
    void* mine;
} Hook;

#define COUNT(name) +1
static Hook hooks[0 HOOKED(COUNT)];

static void Patch(HMODULE module)
{
    BYTE* base = (BYTE*)module;
    const IMAGE_NT_HEADERS* nt = (const IMAGE_NT_HEADERS*)(base + ((const IMAGE_DOS_HEADER*)base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY* imports = &nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports->VirtualAddress == 0)
        return;
    for (const IMAGE_IMPORT_DESCRIPTOR* d = (const IMAGE_IMPORT_DESCRIPTOR*)(base + imports->VirtualAddress);
         d->Name != 0; ++d) {
        for (IMAGE_THUNK_DATA* slot = (IMAGE_THUNK_DATA*)(base + d->FirstThunk); slot->u1.Function != 0; ++slot) {
            for (size_t h = 0; h < sizeof hooks / sizeof hooks[0]; ++h) {
                void* bound = (void*)slot->u1.Function;
                if (bound != hooks[h].bound[0] && bound != hooks[h].bound[1])
                    continue;
                DWORD was;
                if (VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE, &was)) {
                    slot->u1.Function = (ULONG_PTR)hooks[h].mine;
                    VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, was, &was);
                }
            }
        }
    }
}

static HMODULE self;

static void PatchAll(void)
{
    HMODULE modules[1024];
    DWORD bytes = 0;
    if (!K32EnumProcessModules(GetCurrentProcess(), modules, sizeof modules, &bytes))
        return;
    const HMODULE skipped[] = {self, GetModuleHandleW(L"kernel32.dll"), GetModuleHandleW(L"kernelbase.dll"),
                               GetModuleHandleW(L"ntdll.dll")};
    for (DWORD i = 0; i < bytes / sizeof(HMODULE) && i < 1024; ++i) {
        int skip = 0;
        for (size_t s = 0; s < sizeof skipped / sizeof skipped[0]; ++s)
            skip |= modules[i] == skipped[s];
        if (!skip)
            Patch(modules[i]);
    }
}

static void Start(void)
{
    InitializeCriticalSection(&lock);
    const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
    const HMODULE kernelbase = GetModuleHandleW(L"kernelbase.dll");
    size_t h = 0;
#define TAKE(name)                                                                                             \
    hooks[h].bound[0] = (void*)GetProcAddress(kernel32, #name);                                                \
    hooks[h].bound[1] = kernelbase != NULL ? (void*)GetProcAddress(kernelbase, #name) : NULL;                  \
    hooks[h].mine = (void*)My##name;                                                                           \
    Real##name = (__typeof__(&name))(hooks[h].bound[1] != NULL ? hooks[h].bound[1] : hooks[h].bound[0]);       \
    ++h;
    HOOKED(TAKE)

    wchar_t value[kMaxPath];
    if (GetEnvironmentVariableW(L"TAVELIN_CRASH_ROOT", value, kMaxPath) - 1 < kMaxPath - 1)
        Normal(value, root);
    if (GetEnvironmentVariableW(L"TAVELIN_CRASH_RECORD", value, kMaxPath) - 1 < kMaxPath - 1)
        recordFile = RealCreateFileW(value, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, NULL);
    PatchAll();
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        self = instance;
        Start();
    }
    return TRUE;
}

// SPDX-License-Identifier: MIT
// A preload library that writes down the file-system operations of a run, in
// the order the program issues them, for the crash-state explorer. Only paths
// under TAVELIN_CRASH_ROOT count, so start-up, Qt and the libraries stay out;
// writes to a terminal are kept as "line" markers: what the program told the
// hand-held, and when. The record (TAVELIN_CRASH_RECORD) is appended to, so
// several runs share one. Each entry is a header line "K n1 n2 ...\n" and then
// the bytes its lengths announce (record.h reads it).
//
// One thread is assumed. The record is written with the raw system call, so
// nothing here goes through the functions it replaces.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <unistd.h>

#include "record_header.h"

enum { kMaxFds = 4096, kMaxPath = 4096 };

static int recordFd = -2; // -2: not opened yet, -1: no record wanted
static char* fdPaths[kMaxFds]; // the absolute path of each descriptor opened under the root

#define REAL(name) ((__typeof__(&name))dlsym(RTLD_NEXT, #name))

static int RecordFd(void)
{
    if (recordFd != -2)
        return recordFd;
    const char* path = getenv("TAVELIN_CRASH_RECORD");
    recordFd = -1;
    if (path != NULL) {
        const int fd = (int)syscall(SYS_openat, AT_FDCWD, path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
        // Far from the descriptors the program counts on.
        recordFd = fd < 0 ? -1 : fcntl(fd, F_DUPFD_CLOEXEC, 900);
        if (fd >= 0)
            syscall(SYS_close, fd);
    }
    return recordFd;
}

static void Emit(const void* bytes, size_t length)
{
    const char* p = bytes;
    while (length > 0) {
        const long n = syscall(SYS_write, RecordFd(), p, length);
        if (n <= 0)
            return;
        p += n;
        length -= (size_t)n;
    }
}

// One entry: the kind, the numbers, then each payload.
static void Entry(char kind, const long long* numbers, int count, const void* a, size_t aLength, const void* b,
                  size_t bLength)
{
    if (RecordFd() < 0)
        return;
    char header[kRecordHeaderSize];
    const int used = RecordHeader(header, kind, numbers, count);
    Emit(header, (size_t)used);
    if (aLength > 0)
        Emit(a, aLength);
    if (bLength > 0)
        Emit(b, bLength);
}

// The absolute form of a path relative to a directory descriptor, or "".
static void Absolute(int dirfd, const char* path, char* out)
{
    out[0] = '\0';
    if (path == NULL)
        return;
    if (path[0] == '/') {
        snprintf(out, kMaxPath, "%s", path);
    } else if (dirfd == AT_FDCWD) {
        char cwd[kMaxPath / 2];
        if (getcwd(cwd, sizeof cwd) != NULL)
            snprintf(out, kMaxPath, "%s/%s", cwd, path);
    } else if (dirfd >= 0 && dirfd < kMaxFds && fdPaths[dirfd] != NULL) {
        snprintf(out, kMaxPath, "%s/%s", fdPaths[dirfd], path);
    }
}

static int UnderRoot(const char* absolute)
{
    const char* root = getenv("TAVELIN_CRASH_ROOT");
    if (root == NULL || absolute[0] == '\0')
        return 0;
    const size_t n = strlen(root);
    return strncmp(absolute, root, n) == 0 && (absolute[n] == '/' || absolute[n] == '\0');
}

static int Tracked(int fd) { return fd >= 0 && fd < kMaxFds && fdPaths[fd] != NULL; }

static void Forget(int fd)
{
    if (Tracked(fd)) {
        long long numbers[] = {fd};
        Entry('C', numbers, 1, NULL, 0, NULL, 0);
        free(fdPaths[fd]);
        fdPaths[fd] = NULL;
    }
}

// "O fd created truncated length" and the path.
static void Opened(int fd, int flags, const char* absolute, int existed)
{
    if (fd < 0 || fd >= kMaxFds || !UnderRoot(absolute))
        return;
    Forget(fd);
    fdPaths[fd] = strdup(absolute);
    long long numbers[] = {fd, (flags & O_CREAT) && !existed, (flags & O_TRUNC) != 0, (long long)strlen(absolute)};
    Entry('O', numbers, 4, absolute, strlen(absolute), NULL, 0);
}

static int Exists(const char* absolute) { return access(absolute, F_OK) == 0; }

// The offset a write goes to: the end for a descriptor opened to append.
static long long WriteOffset(int fd)
{
    if (fcntl(fd, F_GETFL) & O_APPEND) {
        struct stat info;
        return fstat(fd, &info) == 0 ? (long long)info.st_size : 0;
    }
    return (long long)lseek(fd, 0, SEEK_CUR);
}

static void Written(int fd, long long offset, const void* bytes, long long n)
{
    if (n <= 0)
        return;
    if (Tracked(fd)) {
        long long numbers[] = {fd, offset, n};
        Entry('W', numbers, 3, bytes, (size_t)n, NULL, 0);
    } else if (fd > 2 && isatty(fd)) {
        long long numbers[] = {n};
        Entry('L', numbers, 1, bytes, (size_t)n, NULL, 0);
    }
}

static void PathEntry(char kind, int dirfd, const char* path)
{
    char absolute[kMaxPath];
    Absolute(dirfd, path, absolute);
    if (UnderRoot(absolute)) {
        long long numbers[] = {(long long)strlen(absolute)};
        Entry(kind, numbers, 1, absolute, strlen(absolute), NULL, 0);
    }
}

static void Renamed(int fromDir, const char* from, int toDir, const char* to)
{
    char a[kMaxPath], b[kMaxPath];
    Absolute(fromDir, from, a);
    Absolute(toDir, to, b);
    if (UnderRoot(a) || UnderRoot(b)) {
        long long numbers[] = {(long long)strlen(a), (long long)strlen(b)};
        Entry('R', numbers, 2, a, strlen(a), b, strlen(b));
    }
}

static const char kUnnamed[] = "/.unnamed-";

// A file made without a name (O_TMPFILE, as Qt's QSaveFile makes one) is
// written down as made under a name of its own at the top of the root,
// outside the program's folders, and moved to the name it is linked to.
static void UnnamedPath(const char* folder, char* out)
{
    static int made;
    const char* root = getenv("TAVELIN_CRASH_ROOT");
    out[0] = '\0';
    if (root != NULL && UnderRoot(folder))
        snprintf(out, kMaxPath, "%s%s%d-%d", root, kUnnamed, (int)getpid(), made++);
}

static int OpenAt(int dirfd, const char* path, int flags, mode_t mode, int (*real)(int, const char*, int, ...))
{
    char absolute[kMaxPath];
    Absolute(dirfd, path, absolute);
    if ((flags & O_TMPFILE) == O_TMPFILE) {
        const int fd = real(dirfd, path, flags, mode);
        char unnamed[kMaxPath];
        UnnamedPath(absolute, unnamed);
        if (fd >= 0)
            Opened(fd, O_CREAT, unnamed, 0);
        return fd;
    }
    const int existed = UnderRoot(absolute) && Exists(absolute);
    const int fd = real(dirfd, path, flags, mode);
    if (fd >= 0)
        Opened(fd, flags, absolute, existed);
    return fd;
}

static mode_t ModeArgument(int flags, va_list args)
{
    return (flags & (O_CREAT | O_TMPFILE)) ? (mode_t)va_arg(args, int) : 0;
}

int openat(int dirfd, const char* path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const mode_t mode = ModeArgument(flags, args);
    va_end(args);
    return OpenAt(dirfd, path, flags, mode, REAL(openat));
}

int openat64(int dirfd, const char* path, int flags, ...) __attribute__((alias("openat")));

int open(const char* path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const mode_t mode = ModeArgument(flags, args);
    va_end(args);
    return OpenAt(AT_FDCWD, path, flags, mode, REAL(openat));
}

int open64(const char* path, int flags, ...) __attribute__((alias("open")));

int creat(const char* path, mode_t mode) { return open(path, O_WRONLY | O_CREAT | O_TRUNC, mode); }
int creat64(const char* path, mode_t mode) __attribute__((alias("creat")));

static FILE* OpenStream(const char* path, const char* how, FILE* (*real)(const char*, const char*))
{
    char absolute[kMaxPath];
    Absolute(AT_FDCWD, path, absolute);
    const int existed = UnderRoot(absolute) && Exists(absolute);
    FILE* file = real(path, how);
    if (file != NULL) {
        const int writes = strchr(how, 'w') != NULL || strchr(how, 'a') != NULL;
        Opened(fileno(file), (writes ? O_CREAT : 0) | (strchr(how, 'w') != NULL ? O_TRUNC : 0), absolute, existed);
    }
    return file;
}

FILE* fopen(const char* path, const char* how) { return OpenStream(path, how, REAL(fopen)); }
FILE* fopen64(const char* path, const char* how) { return OpenStream(path, how, REAL(fopen64)); }

int fclose(FILE* file)
{
    if (file != NULL)
        Forget(fileno(file));
    return REAL(fclose)(file);
}

// A copy of a descriptor (a shell's redirection) writes to the same file.
int dup2(int from, int to)
{
    const int result = REAL(dup2)(from, to);
    if (result >= 0 && result != from) {
        if (Tracked(from))
            Opened(result, 0, fdPaths[from], 1);
        else
            Forget(result);
    }
    return result;
}

int close(int fd)
{
    Forget(fd);
    return REAL(close)(fd);
}

ssize_t write(int fd, const void* bytes, size_t length)
{
    const long long offset = Tracked(fd) ? WriteOffset(fd) : 0;
    const ssize_t n = REAL(write)(fd, bytes, length);
    Written(fd, offset, bytes, n);
    return n;
}

ssize_t pwrite(int fd, const void* bytes, size_t length, off_t offset)
{
    const ssize_t n = REAL(pwrite)(fd, bytes, length, offset);
    Written(fd, offset, bytes, n);
    return n;
}

ssize_t pwrite64(int fd, const void* bytes, size_t length, off_t offset) __attribute__((alias("pwrite")));

ssize_t writev(int fd, const struct iovec* pieces, int count)
{
    long long offset = Tracked(fd) ? WriteOffset(fd) : 0;
    const ssize_t n = REAL(writev)(fd, pieces, count);
    ssize_t left = n;
    for (int i = 0; i < count && left > 0; ++i) {
        const ssize_t part = (ssize_t)pieces[i].iov_len < left ? (ssize_t)pieces[i].iov_len : left;
        Written(fd, offset, pieces[i].iov_base, part);
        offset += part;
        left -= part;
    }
    return n;
}

static void Flushed(int fd, int result)
{
    if (result == 0 && Tracked(fd)) {
        long long numbers[] = {fd};
        Entry('S', numbers, 1, NULL, 0, NULL, 0);
    }
}

int fsync(int fd)
{
    const int result = REAL(fsync)(fd);
    Flushed(fd, result);
    return result;
}

int fdatasync(int fd)
{
    const int result = REAL(fdatasync)(fd);
    Flushed(fd, result);
    return result;
}

void sync(void)
{
    REAL(sync)();
    Entry('Y', NULL, 0, NULL, 0, NULL, 0);
}

int syncfs(int fd)
{
    const int result = REAL(syncfs)(fd);
    if (result == 0)
        Entry('Y', NULL, 0, NULL, 0, NULL, 0);
    return result;
}

int ftruncate(int fd, off_t length)
{
    const int result = REAL(ftruncate)(fd, length);
    if (result == 0 && Tracked(fd)) {
        long long numbers[] = {fd, (long long)length};
        Entry('T', numbers, 2, NULL, 0, NULL, 0);
    }
    return result;
}

int ftruncate64(int fd, off_t length) __attribute__((alias("ftruncate")));

int truncate(const char* path, off_t length)
{
    const int result = REAL(truncate)(path, length);
    char absolute[kMaxPath];
    Absolute(AT_FDCWD, path, absolute);
    if (result == 0 && UnderRoot(absolute)) {
        long long numbers[] = {(long long)length, (long long)strlen(absolute)};
        Entry('P', numbers, 2, absolute, strlen(absolute), NULL, 0);
    }
    return result;
}

int truncate64(const char* path, off_t length) __attribute__((alias("truncate")));

int rename(const char* from, const char* to)
{
    const int result = REAL(rename)(from, to);
    if (result == 0)
        Renamed(AT_FDCWD, from, AT_FDCWD, to);
    return result;
}

int renameat(int fromDir, const char* from, int toDir, const char* to)
{
    const int result = REAL(renameat)(fromDir, from, toDir, to);
    if (result == 0)
        Renamed(fromDir, from, toDir, to);
    return result;
}

int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned int flags)
{
    const int result = REAL(renameat2)(fromDir, from, toDir, to, flags);
    if (result == 0)
        Renamed(fromDir, from, toDir, to);
    return result;
}

// Only the link that names an unnamed file is written down (as a rename):
// the program makes no other links.
int linkat(int fromDir, const char* from, int toDir, const char* to, int flags)
{
    const int result = REAL(linkat)(fromDir, from, toDir, to, flags);
    int fd = -1;
    if ((flags & AT_EMPTY_PATH) && from[0] == '\0')
        fd = fromDir;
    else if (sscanf(from, "/proc/self/fd/%d", &fd) != 1)
        fd = -1;
    if (result == 0 && Tracked(fd) && strstr(fdPaths[fd], kUnnamed) != NULL) {
        char absolute[kMaxPath];
        Absolute(toDir, to, absolute);
        Renamed(AT_FDCWD, fdPaths[fd], AT_FDCWD, absolute);
        free(fdPaths[fd]);
        fdPaths[fd] = strdup(absolute);
    }
    return result;
}

// A call on a path that succeeded, written down as `kind`.
static int AfterPath(int result, char kind, int dirfd, const char* path)
{
    if (result == 0)
        PathEntry(kind, dirfd, path);
    return result;
}

int unlink(const char* path) { return AfterPath(REAL(unlink)(path), 'U', AT_FDCWD, path); }
int rmdir(const char* path) { return AfterPath(REAL(rmdir)(path), 'U', AT_FDCWD, path); }
int remove(const char* path) { return AfterPath(REAL(remove)(path), 'U', AT_FDCWD, path); }
int unlinkat(int dirfd, const char* path, int flags) { return AfterPath(REAL(unlinkat)(dirfd, path, flags), 'U', dirfd, path); }
int mkdir(const char* path, mode_t mode) { return AfterPath(REAL(mkdir)(path, mode), 'M', AT_FDCWD, path); }
int mkdirat(int dirfd, const char* path, mode_t mode) { return AfterPath(REAL(mkdirat)(dirfd, path, mode), 'M', dirfd, path); }

// Copies inside the kernel would carry data the record never sees: they are
// written down as such, and the explorer refuses a record that holds one.
static void Unrecordable(int fd)
{
    if (Tracked(fd)) {
        long long numbers[] = {fd};
        Entry('X', numbers, 1, NULL, 0, NULL, 0);
    }
}

ssize_t copy_file_range(int in, off_t* inOffset, int out, off_t* outOffset, size_t length, unsigned int flags)
{
    Unrecordable(out);
    return REAL(copy_file_range)(in, inOffset, out, outOffset, length, flags);
}

ssize_t sendfile(int out, int in, off_t* offset, size_t count)
{
    Unrecordable(out);
    return REAL(sendfile)(out, in, offset, count);
}

ssize_t sendfile64(int out, int in, off_t* offset, size_t count) __attribute__((alias("sendfile")));

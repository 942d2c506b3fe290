// SPDX-License-Identifier: MIT
// One running copy per user. The lock is a lock the system holds on an open
// file for as long as the process lives, so neither a crash nor a lock file
// left empty or garbled can keep the program locked out; the file records
// its owner's process only for the message of a second copy. How the lock
// is taken is per system: single_instance_posix.cpp, single_instance_win32.cpp.
#pragma once

#include <QString>

#include <cstdint>
#include <string>

namespace tavelin::app {

enum class InstanceLock {
    Acquired,      // this is the only copy
    HeldElsewhere, // another copy of the program runs
    Unusable,      // the lock file cannot be had or locked: another copy may be running
};

class SingleInstance {
public:
    SingleInstance() = default;
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    InstanceLock Acquire();

    // After HeldElsewhere: the process the lock file names, 0 when it names none.
    static long long RecordedOwner();
    // After Unusable: why, for a diagnostic.
    const std::string& Problem() const { return problem_; }

    // The per-user place of the lock: RuntimeDir() where there is one, else
    // a folder of this user's own in TemporaryFolder() (tavelin-UID, mode
    // 700), which nobody else can plant a file or a link in; on Windows the
    // user's own temporary directory.
    static QString LockPath();
    // The lock file this copy tried to take, as LockPath named it then: the
    // run later names a runtime folder for Qt, which moves LockPath.
    const QString& Path() const { return path_; }

    // $XDG_RUNTIME_DIR when it names, by an absolute path, a folder (not a
    // link) of this user's own that no other user may enter (no group or
    // other bits), else empty: a relative one would be a folder in whatever
    // directory the run is in, and another user could remove the lock from
    // an open one or one of theirs, letting a second copy run. Always empty
    // on Windows, which has no such folder.
    static QString RuntimeDir();
    // The system's temporary directory: on POSIX systems $TMPDIR when it
    // names an existing folder by an absolute path, else /tmp (a relative or
    // missing one would put the lock's folder in the run's directory or in
    // "/"); on Windows the user's own.
    static QString TemporaryFolder();

private:
    // The open lock file as the system numbers it (a descriptor, or a
    // Windows handle); -1, which neither ever is when open, while none is.
    std::intptr_t file_ = -1;
    QString path_;
    std::string problem_;
};

} // namespace tavelin::app

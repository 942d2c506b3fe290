// SPDX-License-Identifier: MIT
// One running copy per work folder. The lock is a lock the system holds on
// an open file for as long as the process lives, so neither a crash nor a
// lock file left empty or garbled can keep the program locked out; the file
// records its owner's process and folder only for the message of a second
// copy. Each folder has its own lock file, named from a hash of the
// folder's canonical path, so runs in different folders go side by side.
// How the lock is taken is per system: single_instance_posix.cpp,
// single_instance_win32.cpp.
#pragma once

#include <QString>

#include <cstdint>
#include <string>

namespace tavelin::app {

enum class InstanceLock {
    Acquired,      // this is the only copy in the folder
    HeldElsewhere, // another copy of the program runs in the folder
    Unusable,      // the lock file cannot be had or locked: another copy may be running
};

class SingleInstance {
public:
    // The lock of the work folder `folder` (an absolute path; a link in it
    // counts as the folder it names).
    explicit SingleInstance(const QString& folder);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    InstanceLock Acquire();

    // After HeldElsewhere: the process the lock file names, 0 when it names none.
    long long RecordedOwner() const;
    // After Unusable: why, for a diagnostic.
    const std::string& Problem() const { return problem_; }

    // The work folder as the lock names it (its canonical path).
    const QString& Folder() const { return folder_; }
    // The lock file of this folder, in LockFolder() as it was when the lock
    // was made: the run later names a runtime folder for Qt, which moves it.
    const QString& Path() const { return path_; }
    // The name a running window listens on for a second start in the same
    // folder (window_handover.h): a path beside the lock file, so no other
    // user can take it first; on Windows a window name, tavelin-HASH.handover.
    const QString& HandOverName() const { return handOver_; }

    // The lock file of `folder` in LockFolder(), and its name alone.
    static QString LockPath(const QString& folder);
    static QString LockName(const QString& folder);

    // The per-user place of the locks: RuntimeDir() where there is one, else
    // a folder of this user's own in TemporaryFolder() (tavelin-UID, mode
    // 700), which nobody else can plant a file or a link in; on Windows the
    // user's own temporary directory.
    static QString LockFolder();

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
    // The folder's canonical path; for a folder not made yet, that of its
    // nearest existing parent with the rest added, which is what it will be.
    static QString Canonical(const QString& folder);
    // What the locks are named from: the canonical path, on Windows in one
    // case, as the system finds its names.
    static QString FolderKey(const QString& canonical);
    // "tavelin-" and the first 16 hexadecimal digits of the key's SHA-256.
    static QString Stem(const QString& canonical);
    static QString HandOverNameFor(const QString& canonical);

    // The open lock file as the system numbers it (a descriptor, or a
    // Windows handle); -1, which neither ever is when open, while none is.
    std::intptr_t file_ = -1;
    QString folder_;
    QString path_;
    QString handOver_;
    std::string problem_;
};

} // namespace tavelin::app

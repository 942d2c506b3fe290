// One running copy per user. The lock is a file that records its owner's
// process, so a crashed run never leaves the program locked out.
#pragma once

#include <QLockFile>
#include <QString>

#include <memory>

namespace tavelin::app {

class SingleInstance {
public:
    // False when another copy of the program holds the lock.
    bool Acquire();

    // The per-user place of the lock: $XDG_RUNTIME_DIR where set, else the
    // temporary directory with the user's id in the name; on Windows the
    // user's own temporary directory.
    static QString LockPath();

private:
    std::unique_ptr<QLockFile> lock_;
};

} // namespace tavelin::app

// SPDX-License-Identifier: MIT
// Who may change a settings file besides the user running the program, as
// far as the system tells: platform_posix.cpp reads owners and mode bits,
// platform_win32.cpp owners and access control lists.
#pragma once

#include <QString>

#include <string>

class QFileInfo;

namespace tavelin::desktop {

// Whether a file belongs to another user than the one running the program:
// the POSIX owner compared with the real user. On Windows the file is taken
// as the user's own: a file an elevated run made belongs to the
// administrators, though it is the user's.
bool BelongsToAnotherUser(const QFileInfo& info);

// Why a file that the runs of every user of the PC take their settings from
// may hold what somebody else than an administrator or this user wrote.
struct OthersMayChange {
    enum class Why {
        Nobody,         // only an administrator (root, SYSTEM) or this user
        WritableByAll,  // `where` may be written by every user (a folder: its entries replaced)
        ForeignOwner,   // `where` belongs to `owner`, neither an administrator nor this user
        OtherWriter,    // `where` may be changed by the account or group `owner` names (Windows)
        CannotTell,     // the system would not say who owns the file or may write it
    };
    Why why = Why::Nobody;
    // The file or folder at fault as the system names it; empty for the
    // file itself, as named.
    std::string where;
    bool folder = false; // `where` is a folder above the file or its link
    std::string owner;
};

// POSIX: the file as found (through any links) and every folder above it
// and above the link: each must belong to root or this user; the file and
// its folder may not be writable by others, a folder further up only where
// its sticky bit keeps others from replacing what is in it. Windows: the
// owner of the file and of every folder above it (this user, the
// administrators or an administrator, SYSTEM, TrustedInstaller) and no
// right for anybody else (Everyone, Users, another account or group) to
// change the file or to remove what is in those folders.
OthersMayChange WhoElseMayChange(const QString& path);

} // namespace tavelin::desktop

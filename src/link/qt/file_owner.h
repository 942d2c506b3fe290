// SPDX-License-Identifier: MIT
// Whether a file belongs to another user than the one running the program,
// as far as the system tells: file_owner_posix.cpp compares the owner with
// the real user; on Windows (file_owner_win32.cpp) Qt reports no owner's id,
// and the file is taken as the user's own.
#pragma once

class QFileInfo;

namespace tavelin::link {

bool BelongsToAnotherUser(const QFileInfo& info);

} // namespace tavelin::link

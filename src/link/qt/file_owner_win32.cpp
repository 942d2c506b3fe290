// SPDX-License-Identifier: MIT
#include "file_owner.h"

namespace tavelin::link {

bool BelongsToAnotherUser(const QFileInfo&) { return false; }

} // namespace tavelin::link

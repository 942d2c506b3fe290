// SPDX-License-Identifier: MIT
#include "file_owner.h"

#include <QFileInfo>

#include <unistd.h>

namespace tavelin::link {

bool BelongsToAnotherUser(const QFileInfo& info) { return info.ownerId() != ::getuid(); }

} // namespace tavelin::link

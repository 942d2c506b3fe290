// SPDX-License-Identifier: MIT
#include "support/no_wait.h"

#include <fcntl.h>
#include <unistd.h>

namespace tavelin::testing {

void LetGoOfFifo(const std::filesystem::path& path)
{
    const int writer = open(path.c_str(), O_WRONLY | O_NONBLOCK);
    if (writer >= 0)
        close(writer);
}

} // namespace tavelin::testing

// SPDX-License-Identifier: MIT
#include "local_time.h"

namespace tavelin::settings {

std::tm LocalCalendarTime(std::time_t moment)
{
    std::tm parts{};
    localtime_s(&parts, &moment);
    return parts;
}

} // namespace tavelin::settings

// Stand-in for the mode windows until they are built: it reports which
// window the start-up chose, with its caption, and returns at once.
#pragma once

#include <cstdint>
#include <string>

namespace tavelin::app {

void ShowModeWindowPlaceholder(std::int16_t runMode, const std::string& caption, bool minimised);

} // namespace tavelin::app

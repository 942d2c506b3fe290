#include "mode_placeholder.h"

#include <cstdio>

namespace tavelin::app {

void ShowModeWindowPlaceholder(std::int16_t runMode, const std::string& caption, bool minimised)
{
    std::fprintf(stderr, "tavelin: run mode %d, window \"%s\"%s: this window is not available in this build\n",
                 int(runMode), caption.c_str(), minimised ? " (minimised)" : "");
}

} // namespace tavelin::app

// SPDX-License-Identifier: MIT
#include "desktop_start.h"

#include "settings/console_output.h"
#include "user_data_folder.h"

#include <cstdio>

namespace tavelin::app {

namespace {

void SayNoDesktopFolder(const std::string& problem)
{
    settings::PrintText(stderr, "tavelin: no work folder for the desktop: %s; nothing was read or written\n",
                        problem.c_str());
}

} // namespace

bool EnterNamedWorkFolder(const std::string& dir)
{
    if (const Status entered = EnterWorkFolder(dir); !entered) {
        settings::PrintText(stderr, "tavelin: cannot enter the work folder %s (%s); nothing was read or written\n",
                            dir.c_str(), entered.Reason().c_str());
        return false;
    }
    return true;
}

std::optional<DesktopFolder> ChooseDesktopStartFolder(const std::optional<std::string>& lastWorkFolder)
{
    auto folder = ChooseDesktopFolder(lastWorkFolder, UserDataFolder());
    if (!folder) {
        SayNoDesktopFolder(folder.Reason());
        return std::nullopt;
    }
    return std::move(*folder);
}

bool EnterDesktopStartFolder(DesktopFolder& folder)
{
    if (const Status prepared = PrepareDesktopFolder(folder); !prepared) {
        SayNoDesktopFolder(prepared.Reason());
        return false;
    }
    if (folder.goneLast)
        settings::PrintText(stderr, "tavelin: the work folder used last (%s) is gone; running in %s\n",
                            folder.goneLast->c_str(), folder.dir.c_str());
    if (folder.starter)
        settings::PrintText(stderr, "tavelin: wrote starter parameter files in %s; check them in the settings\n",
                            folder.dir.c_str());
    return EnterNamedWorkFolder(folder.dir);
}

} // namespace tavelin::app

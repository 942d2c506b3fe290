// SPDX-License-Identifier: MIT
#include "user_data_folder.h"

#include <QString>
#include <QtGlobal>

namespace tavelin::app {

DataFolder UserDataFolder()
{
    return XdgDataFolder(qEnvironmentVariable("XDG_DATA_HOME").toStdString(),
                         qEnvironmentVariable("HOME").toStdString());
}

} // namespace tavelin::app

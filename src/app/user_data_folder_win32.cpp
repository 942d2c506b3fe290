// SPDX-License-Identifier: MIT
#include "user_data_folder.h"

#include <QDir>
#include <QStandardPaths>

namespace tavelin::app {

// Windows names the folder itself (%LOCALAPPDATA%, local to this PC: the
// work folder's logs are no roaming profile's business); HOME plays no part.
DataFolder UserDataFolder()
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty())
        return DataFolder::Failed("Windows names no local application data folder for this user");
    return QDir::toNativeSeparators(data).toStdString();
}

} // namespace tavelin::app

// SPDX-License-Identifier: MIT
#include "device_map_store.h"

#include <QSettings>
#include <QStandardPaths>

#include <memory>

namespace tavelin::link {

// Named outright: Qt's own name for a user's INI file ends in .ini, where
// the desktop's convention (and Qt's native format there) is .conf.
QString UserSettingsFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/tavelin/tavelin.conf");
}

namespace {

std::unique_ptr<QSettings> UserSettings()
{
    return std::make_unique<QSettings>(UserSettingsFile(), QSettings::IniFormat);
}

QString Key(int commPort) { return QStringLiteral("ports/COM%1").arg(commPort); }

} // namespace

settings::DeviceChoices LoadDeviceChoices()
{
    const auto store = UserSettings();
    settings::DeviceChoices choices;
    for (int port = 1; port <= settings::kComNames; ++port)
        choices.chosen[std::size_t(port - 1)] = store->value(Key(port)).toString().trimmed().toStdString();
    return choices;
}

bool SaveDeviceChoices(const settings::DeviceChoices& choices)
{
    const auto store = UserSettings();
    for (int port = 1; port <= settings::kComNames; ++port) {
        const std::string& device = choices.chosen[std::size_t(port - 1)];
        if (device.empty())
            store->remove(Key(port));
        else
            store->setValue(Key(port), QString::fromStdString(device));
    }
    store->sync();
    return store->status() == QSettings::NoError;
}

} // namespace tavelin::link

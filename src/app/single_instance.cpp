// SPDX-License-Identifier: MIT
// What both systems share; taking the lock is in single_instance_posix.cpp
// and single_instance_win32.cpp.
#include "single_instance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace tavelin::app {

SingleInstance::SingleInstance(const QString& folder)
    : folder_(Canonical(folder)), path_(LockPath(folder_)), handOver_(HandOverNameFor(folder_))
{
}

QString SingleInstance::Canonical(const QString& folder)
{
    const QString absolute = QDir::cleanPath(QDir(folder).absolutePath());
    QString missing;
    for (QString at = absolute;;) {
        if (const QString real = QFileInfo(at).canonicalFilePath(); !real.isEmpty())
            return missing.isEmpty() ? real : QDir::cleanPath(real + QLatin1Char('/') + missing);
        const QFileInfo info(at);
        if (info.path() == at || info.fileName().isEmpty())
            return absolute;
        missing = missing.isEmpty() ? info.fileName() : info.fileName() + QLatin1Char('/') + missing;
        at = info.path();
    }
}

// The folder's own name is left out: it may be longer than a file name may
// be, and a hash of it names no other folder in practice.
QString SingleInstance::Stem(const QString& canonical)
{
    const QByteArray hash = QCryptographicHash::hash(FolderKey(canonical).toUtf8(), QCryptographicHash::Sha256);
    return QStringLiteral("tavelin-") + QString::fromLatin1(hash.left(8).toHex());
}

QString SingleInstance::LockName(const QString& folder) { return Stem(Canonical(folder)) + QStringLiteral(".lock"); }

QString SingleInstance::LockPath(const QString& folder) { return LockFolder() + QLatin1Char('/') + LockName(folder); }

long long SingleInstance::RecordedOwner() const
{
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    bool number = false;
    const long long pid = file.readLine(32).trimmed().toLongLong(&number);
    return number && pid > 0 ? pid : 0;
}

} // namespace tavelin::app

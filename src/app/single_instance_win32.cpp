// SPDX-License-Identifier: MIT
#include "single_instance.h"

#include <QDir>

#include <windows.h>

namespace tavelin::app {

QString SingleInstance::RuntimeDir() { return {}; }

// The system's own answer (TMP, TEMP, else the user's profile) is always an
// absolute path.
QString SingleInstance::TemporaryFolder() { return QDir::tempPath(); }

QString SingleInstance::LockFolder() { return TemporaryFolder(); }

// The system finds a name in any case: C:\Work and c:\work are one folder.
QString SingleInstance::FolderKey(const QString& canonical) { return canonical.toLower(); }

// The name of a message-only window (window_handover_win32.cpp), which only
// this user's desktop can see.
QString SingleInstance::HandOverNameFor(const QString& canonical)
{
    return Stem(canonical) + QStringLiteral(".handover");
}

// The lock file is never removed: a copy waiting to lock it could then hold
// a file that no longer has a name while a third copy locks a new one.
SingleInstance::~SingleInstance()
{
    if (file_ != -1)
        CloseHandle(reinterpret_cast<HANDLE>(file_));
}

InstanceLock SingleInstance::Acquire()
{
    // Opened without sharing the right to write: the open of a second copy
    // fails while this handle lives, and the system closes it when the
    // process ends, however it ends.
    const std::wstring path = QDir::toNativeSeparators(path_).toStdWString();
    HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_SHARING_VIOLATION)
            return InstanceLock::HeldElsewhere;
        problem_ = "system error " + std::to_string(error);
        return InstanceLock::Unusable;
    }
    file_ = reinterpret_cast<std::intptr_t>(handle);
    const QByteArray record = QByteArray::number(static_cast<qulonglong>(GetCurrentProcessId())) + "\r\n" +
                              QDir::toNativeSeparators(folder_).toUtf8() + "\r\n";
    DWORD written = 0;
    if (SetEndOfFile(handle))
        WriteFile(handle, record.constData(), static_cast<DWORD>(record.size()), &written, nullptr);
    return InstanceLock::Acquired;
}

} // namespace tavelin::app

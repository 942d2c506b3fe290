// SPDX-License-Identifier: MIT
// The settings files on Windows: who else may change one (file_owner.h,
// owners and access control lists) and the folder of the one for all users
// (machine_settings_file.h), and this user's (user_settings_file.h).
#include "file_owner.h"
#include "machine_settings_file.h"
#include "user_settings_file.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <memory>
#include <vector>

#include <windows.h>

#include <aclapi.h>
#include <lm.h>
#include <sddl.h>

namespace tavelin::desktop {

bool BelongsToAnotherUser(const QFileInfo&) { return false; }

namespace {

using Why = OthersMayChange::Why;

// Rights that let their holder change what a file says: write it, give
// itself the right to, or delete it so that another takes its place.
constexpr ACCESS_MASK kChangeFile =
    FILE_WRITE_DATA | FILE_APPEND_DATA | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;
// In a folder: remove what is in it whoever owns that, or take the folder.
constexpr ACCESS_MASK kChangeFolder = FILE_DELETE_CHILD | WRITE_DAC | WRITE_OWNER | GENERIC_ALL;

// The groups every user, or every user who signs in, is a member of.
constexpr WELL_KNOWN_SID_TYPE kEveryone[] = {WinWorldSid,         WinBuiltinUsersSid, WinAuthenticatedUserSid,
                                             WinInteractiveSid,   WinBuiltinGuestsSid, WinAnonymousSid};

struct LocalFreed {
    void operator()(void* memory) const { LocalFree(memory); }
};
struct NetFreed {
    void operator()(void* memory) const { NetApiBufferFree(memory); }
};

bool IsOneOf(PSID sid, std::initializer_list<WELL_KNOWN_SID_TYPE> kinds)
{
    for (const WELL_KNOWN_SID_TYPE kind : kinds)
        if (IsWellKnownSid(sid, kind))
            return true;
    return false;
}

// The user this process runs as.
std::vector<BYTE> ProcessUser()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return {};
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    const bool read = size > 0 && GetTokenInformation(token, TokenUser, buffer.data(), size, &size);
    CloseHandle(token);
    if (!read)
        return {};
    const PSID sid = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
    std::vector<BYTE> copy(GetLengthSid(sid));
    CopySid(static_cast<DWORD>(copy.size()), copy.data(), sid);
    return copy;
}

// A member of the local Administrators group by name: a file an
// administrator made without elevation belongs to that account.
bool IsAdministrator(PSID sid)
{
    BYTE administrators[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof administrators;
    if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size))
        return false;
    wchar_t name[256];
    wchar_t domain[256];
    DWORD nameSize = 256;
    DWORD domainSize = 256;
    SID_NAME_USE use;
    if (!LookupAccountSidW(nullptr, administrators, name, &nameSize, domain, &domainSize, &use))
        return false;
    BYTE* buffer = nullptr;
    DWORD read = 0;
    DWORD total = 0;
    const NET_API_STATUS status =
        NetLocalGroupGetMembers(nullptr, name, 0, &buffer, MAX_PREFERRED_LENGTH, &read, &total, nullptr);
    const std::unique_ptr<BYTE, NetFreed> members(buffer);
    if (status != NERR_Success || !buffer)
        return false;
    const auto* list = reinterpret_cast<const LOCALGROUP_MEMBERS_INFO_0*>(buffer);
    for (DWORD i = 0; i < read; ++i)
        if (EqualSid(list[i].lgrmi0_sid, sid))
            return true;
    return false;
}

// Windows' own files and the root of the system drive belong to it.
bool IsTrustedInstaller(PSID sid)
{
    PSID installer = nullptr;
    if (!ConvertStringSidToSidW(L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464", &installer))
        return false;
    const std::unique_ptr<void, LocalFreed> freed(installer);
    return EqualSid(sid, installer);
}

bool MayBeTrusted(PSID owner, const std::vector<BYTE>& user)
{
    return (!user.empty() && EqualSid(owner, const_cast<BYTE*>(user.data()))) ||
           IsOneOf(owner, {WinBuiltinAdministratorsSid, WinLocalSystemSid}) || IsTrustedInstaller(owner) ||
           IsAdministrator(owner);
}

std::string AccountName(PSID sid)
{
    wchar_t name[256];
    wchar_t domain[256];
    DWORD nameSize = 256;
    DWORD domainSize = 256;
    SID_NAME_USE use;
    if (LookupAccountSidW(nullptr, sid, name, &nameSize, domain, &domainSize, &use))
        return (QString::fromWCharArray(domain) + QLatin1Char('\\') + QString::fromWCharArray(name)).toStdString();
    wchar_t* text = nullptr;
    if (!ConvertSidToStringSidW(sid, &text))
        return "an unknown account";
    const std::unique_ptr<wchar_t, LocalFreed> freed(text);
    return QString::fromWCharArray(text).toStdString();
}

// Who besides those trusted the list lets do any of `rights`: every user
// (or a group of them all), another account or group by name, or nobody.
// A list that is missing lets everybody do everything; a denial is not
// weighed against a grant, so such a grant counts all the same.
struct Grantee {
    Why why = Why::Nobody;
    std::string name; // the account or group of Why::OtherWriter
};

Grantee GrantedBesides(PACL dacl, ACCESS_MASK rights, const std::vector<BYTE>& user)
{
    if (!dacl)
        return {Why::WritableByAll, {}};
    ACL_SIZE_INFORMATION size{};
    if (!GetAclInformation(dacl, &size, sizeof size, AclSizeInformation))
        return {Why::WritableByAll, {}};
    Grantee other;
    for (DWORD i = 0; i < size.AceCount; ++i) {
        void* ace = nullptr;
        if (!GetAce(dacl, i, &ace))
            return {Why::WritableByAll, {}};
        const auto* header = static_cast<const ACE_HEADER*>(ace);
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE || (header->AceFlags & INHERIT_ONLY_ACE) != 0)
            continue; // a denial, or a right only for what is made in a folder
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
        if ((allowed->Mask & rights) == 0)
            continue;
        const PSID sid = &allowed->SidStart;
        for (const WELL_KNOWN_SID_TYPE kind : kEveryone)
            if (IsWellKnownSid(sid, kind))
                return {Why::WritableByAll, {}};
        // The owner's own rights, whoever owns it, are the owner check's.
        if (other.why == Why::Nobody && !MayBeTrusted(sid, user) && !IsWellKnownSid(sid, WinCreatorOwnerSid) &&
            !IsWellKnownSid(sid, WinCreatorOwnerRightsSid))
            other = {Why::OtherWriter, AccountName(sid)};
    }
    return other;
}

OthersMayChange Look(const QString& path, const std::string& shown, bool folder, ACCESS_MASK rights,
                     const std::vector<BYTE>& user)
{
    const std::wstring name = QDir::toNativeSeparators(path).toStdWString();
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(name.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                              &owner, nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS)
        return {Why::CannotTell, {}, false, {}};
    const std::unique_ptr<void, LocalFreed> freed(descriptor);
    if (!owner)
        return {Why::CannotTell, {}, false, {}};
    if (!MayBeTrusted(owner, user))
        return {Why::ForeignOwner, shown, folder, AccountName(owner)};
    const Grantee grantee = GrantedBesides(dacl, rights, user);
    return {grantee.why, grantee.why == Why::Nobody ? std::string() : shown, folder, grantee.name};
}

// The folder and every one above it up to the drive's root: one that
// others may change lets them put another folder in place of the next.
OthersMayChange LookUp(const QString& folder, const std::vector<BYTE>& user)
{
    for (QDir dir(folder);;) {
        const QString path = dir.absolutePath();
        const OthersMayChange found =
            Look(path, QDir::toNativeSeparators(path).toStdString(), true, kChangeFolder, user);
        if (found.why != Why::Nobody || !dir.cdUp())
            return found;
    }
}

} // namespace

OthersMayChange WhoElseMayChange(const QString& path)
{
    const std::vector<BYTE> user = ProcessUser();
    const QFileInfo info(path);
    const OthersMayChange file = Look(info.absoluteFilePath(), {}, false, kChangeFile, user);
    if (file.why != Why::Nobody)
        return file;
    return LookUp(info.absolutePath(), user);
}

// Qt names no ProgramData location; the system sets PROGRAMDATA for every
// account, services and scheduled tasks included. Its standard place stands
// in should a stripped environment lack it.
QString SystemMachineSettingsFolder()
{
    QString base = qEnvironmentVariable("PROGRAMDATA");
    if (base.isEmpty())
        base = QStringLiteral("C:\\ProgramData");
    return QDir::fromNativeSeparators(base) + QStringLiteral("/tavelin");
}

// Qt names %LOCALAPPDATA% both the configuration and the data location;
// the data folder's tavelin is the desktop's work folder (app/
// user_data_folder.h), so the settings take a folder of their own beside it.
QString SystemUserSettingsFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/tavelin-settings/tavelin.conf");
}

QString FormerUserSettingsFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/tavelin/tavelin.conf");
}

} // namespace tavelin::desktop

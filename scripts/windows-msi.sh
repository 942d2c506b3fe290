#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Makes build-win/tavelin-<version>-x64.msi with wixl (Debian packages msitools and wixl) from
# packaging/windows/tavelin.wxs and what scripts/windows-stage.sh puts
# together for the zip, then installs and removes it in a fresh Wine prefix
# (tests/windows/msi_test.sh). The file list is made by wixl-heat from the
# staged folder, so the MSI holds what the zip holds; tavelin.exe itself is
# in tavelin.wxs, which gives it the Start-menu shortcut. The MSI is signed
# as tavelin.exe is (scripts/windows-sign.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=build-win

bash scripts/setup.sh msitools wixl
start=$(date +%s)
staged=$(bash scripts/windows-stage.sh | tail -n 1)
built=$(date +%s)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$dir/CMakeCache.txt")
msi=$dir/tavelin-$version-x64.msi
# Owner and group SYSTEM; full control for SYSTEM and the administrators,
# read and run for the users; nothing inherited from ProgramData.
machine_folder_sddl='O:SYG:SYD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)'
work=$dir/msi
rm -rf "$work" "$msi"
mkdir -p "$work"

# wixl reads each Source relative to the .wxs that names it: both files sit
# in $work, and the staged folder is named from there.
cp packaging/windows/tavelin.wxs "$work/"
find "$PWD/$staged" -type f ! -name tavelin.exe | LC_ALL=C sort |
  wixl-heat -p "$PWD/$staged/" --directory-ref INSTALLDIR --component-group Files \
    --var var.SourceDir --win64 >"$work/files.wxs"
wixl --arch x64 -D Win64=yes -D Version="$version" -D SourceDir=../stage/tavelin \
  -o "$msi" "$work/tavelin.wxs" "$work/files.wxs"
# Same-version upgrades: the Upgrade row that finds earlier versions gets
# "maximum included" (0x200) beside "minimum included" (0x100), so a
# rebuilt MSI of the same version replaces the installed one instead of
# making a second entry in Apps & Features.
msiinfo export "$msi" Upgrade >"$work/Upgrade.idt"
sed -i 's/\t256\t\tPREVIOUSFOUND/\t768\t\tPREVIOUSFOUND/' "$work/Upgrade.idt"
grep -q $'\t768\t\tPREVIOUSFOUND' "$work/Upgrade.idt" ||
  { echo "windows-msi: unexpected Upgrade table from wixl" >&2; cat "$work/Upgrade.idt" >&2; exit 1; }
# ProgramData\tavelin for administrators and SYSTEM to change, everybody to
# read; protected (P), so nothing of ProgramData's own list (users may add
# files there, and own what they add) is inherited. wixl knows no
# Permission or PermissionEx: the row goes in as a table of its own, which
# Windows Installer 5 (every supported Windows) applies when it makes the
# folder, an existing one included.
{
  printf 'MsiLockPermissionsEx\tLockObject\tTable\tSDDLText\tCondition\r\n'
  printf 's72\ts72\ts32\ts0\tS255\r\n'
  printf 'MsiLockPermissionsEx\tMsiLockPermissionsEx\r\n'
  printf 'MachineSettingsFolder\tMACHINEDIR\tCreateFolder\t%s\t\r\n' "$machine_folder_sddl"
} >"$work/MsiLockPermissionsEx.idt"
# The event log source's whole key goes with the program: a Registry row
# named "-" on it (what WiX's createAndRemoveOnUninstall writes).
msiinfo export "$msi" Registry >"$work/Registry.idt"
event_key=$(awk -F'\t' '$4 == "EventMessageFile" { print $3 }' "$work/Registry.idt")
[ -n "$event_key" ] || { echo "windows-msi: no event log source in the Registry table" >&2; exit 1; }
printf 'EventSourceRemoved\t2\t%s\t-\t\tProgram\r\n' "$event_key" >>"$work/Registry.idt"
msibuild "$msi" -i "$work/Upgrade.idt" -i "$work/MsiLockPermissionsEx.idt" -i "$work/Registry.idt"
# Signed once complete (any later change to the tables would break the
# signature), with the same certificate as tavelin.exe in it.
bash scripts/windows-sign.sh sign "$msi"
echo "$msi: $(du -h "$msi" | cut -f1), made in $(($(date +%s) - built)) s"

bash tests/windows/msi_test.sh "$msi" "$version"
echo "Windows MSI: staged in $((built - start)) s; built and tried in $(($(date +%s) - built)) s"

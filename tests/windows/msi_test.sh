#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The MSI as a site's administrator uses it, in a fresh Wine prefix:
# msiexec /i ... /qn puts the program into Program Files\Tavelin and the
# "Tavelin" shortcut into the all-users Start menu, with one entry in Apps &
# Features (version and publisher); the installed tavelin.exe says its
# version. Installing the same MSI again, and a rebuilt MSI of the same
# version (a new ProductCode), still leave one entry; an older version does
# not install over it. msiexec /x then leaves
# no program file, no shortcut and no entry. ProgramData\tavelin is made
# by the install, its access list (in the MSI: Wine's msiexec does not apply
# one) for administrators and SYSTEM alone to change, and the settings an
# administrator put there outlast upgrades and the removal. The MSI and the
# installed tavelin.exe verify as signed; the event log source "Tavelin" is
# registered with tavelin.exe as its message file, and removed with it.
#   msi_test.sh MSI VERSION
set -uo pipefail
[ $# -eq 2 ] || { echo "usage: $0 MSI VERSION" >&2; exit 2; }
msi=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
version=$2
top=$(cd "$(dirname "$0")/../.." && pwd)
wine=${TAVELIN_WINE:-$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)}
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)

work=$(mktemp -d)
# winemenubuilder would copy the Start-menu shortcut into this Linux user's
# own menus; the prefix is all the test may change.
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY WINEPATH
trap '"$wineserver" -k 2>/dev/null; rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

"$wine" wineboot --init >"$work/wineboot.log" 2>&1 || { cat "$work/wineboot.log" >&2; exit 1; }
program="$WINEPREFIX/drive_c/Program Files/Tavelin"
# With ALLUSERS=1 Windows resolves ProgramMenuFolder to the all-users Start
# menu (ProgramData); Wine's msiexec takes the installing user's own
# (AppData\Roaming) whatever ALLUSERS says. The MSI must ask for a
# per-machine install, and the shortcut may be in either.
start_menu=Microsoft/Windows/"Start Menu"/Programs/Tavelin.lnk
shortcuts=("$WINEPREFIX/drive_c/ProgramData/$start_menu"
           "$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/$start_menu")
# (Read whole first: grep -q may end the pipe early, and pipefail would count
# msiinfo's broken pipe as a failure.)
bash "$top/scripts/windows-sign.sh" verify "$msi" || fail "the MSI is not signed"
properties=$(msiinfo export "$msi" Property)
grep -q $'^ALLUSERS\t1\r$' <<<"$properties" || fail "the MSI does not install for all users (ALLUSERS)"

# The folder for all users: a protected list (nothing of ProgramData's
# inherited) in which only SYSTEM and the administrators may change
# anything; users, Everyone and signed-in users read.
directories=$(msiinfo export "$msi" Directory)
grep -q $'^MACHINEDIR\tCommonAppDataFolder\ttavelin\r$' <<<"$directories" ||
  fail "the MSI makes no ProgramData\\tavelin: $(grep MACHINEDIR <<<"$directories")"
grep -q $'^MACHINEDIR\tMachineSettingsFolder\r$' <<<"$(msiinfo export "$msi" CreateFolder)" ||
  fail "the MSI does not create ProgramData\\tavelin"
lock=$(msiinfo export "$msi" MsiLockPermissionsEx 2>/dev/null | awk -F'\t' '$2 == "MACHINEDIR" { print $4 }')
[[ $lock == *D:P*'(A;OICI;FA;;;SY)'*'(A;OICI;FA;;;BA)'* ]] || fail "ProgramData\\tavelin's access list: '$lock'"
extra=$(grep -o '([^)]*)' <<<"$lock" | grep -v -e ';;;SY)$' -e ';;;BA)$' -e '^(A;OICI;0x1200a9;;;\(BU\|WD\|AU\))$')
[ -z "$extra" ] || fail "ProgramData\\tavelin's access list lets others do more than read: $extra"

msiexec() { # ACTION MSI: as a deployment tool runs it, without a window
  timeout -k 5 300 "$wine" msiexec "$1" "$(cd "$(dirname "$2")" && "$wine" winepath -w "$PWD/$(basename "$2")" 2>/dev/null | tr -d '\r')" /qn
}
source_key='HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\Tavelin'
# The source's values, one "NAME TYPE DATA" line each; nothing when there is no key.
event_source() { "$wine" reg query "$source_key" 2>/dev/null | tr -d '\r' | awk 'NF >= 3' | sed 's/^ *//'; }
# The Apps & Features entries of the prefix named Tavelin, one line each:
# "DisplayVersion Publisher".
entries() {
  "$wine" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null | tr -d '\r' |
    awk '/^HKEY/ { if (name == "Tavelin") print version " " publisher; name = version = publisher = "" }
         $1 == "DisplayName" { name = $3 } $1 == "DisplayVersion" { version = $3 }
         $1 == "Publisher" { publisher = substr($0, index($0, $3)) }
         END { if (name == "Tavelin") print version " " publisher }'
}

msiexec /i "$msi" || fail "msiexec /i ended with status $?"
for file in tavelin.exe Qt6Core.dll qt.conf platforms/qwindows.dll translations/qtbase_ja.qm \
            LICENSE.txt README.txt tavelin-down.xml sample/RSPRM.DAT sample/HHTPRM.DAT sample/DIRPRM.DAT; do
  [ -f "$program/$file" ] || fail "not installed: Program Files\\Tavelin\\$file"
done
shortcut=
for candidate in "${shortcuts[@]}"; do [ -f "$candidate" ] && shortcut=$candidate; done
if [ -z "$shortcut" ]; then
  fail "no Start-menu shortcut Tavelin.lnk"
elif ! python3 - "$shortcut" <<'PY'
import sys
link = open(sys.argv[1], "rb").read()
# A shell link keeps its strings in UTF-16 (or the ANSI code page).
sys.exit(0 if all(s.encode("utf-16-le") in link or s.encode() in link
                  for s in ("--desktop", "tavelin.exe")) else 1)
PY
then
  fail "the shortcut does not run tavelin.exe --desktop"
fi
machine="$WINEPREFIX/drive_c/ProgramData/tavelin"
[ -d "$machine" ] || fail "the install made no ProgramData\\tavelin"
printf '[ports]\r\nCOM1=COM3\r\n' >"$machine/tavelin.conf" # as the settings dialog saves it
said=$(cd "$work" && WINEQT_QPA_PLATFORM=offscreen timeout -k 5 120 "$wine" "$program/tavelin.exe" --version 2>&1 |
  tr -d '\r' | head -n 1)
[ "$said" = "tavelin $version" ] || fail "the installed tavelin.exe --version says '$said'"
bash "$top/scripts/windows-sign.sh" verify "$program/tavelin.exe" || fail "the installed tavelin.exe is not signed"
source_values=$(event_source)
grep -qix 'EventMessageFile *REG_\(EXPAND_\)\?SZ *C:\\Program Files\\Tavelin\\tavelin.exe' <<<"$source_values" &&
  grep -qix 'TypesSupported *REG_DWORD *0x7' <<<"$source_values" ||
  fail "the event log source is not registered as it should be: '$source_values'"
[ "$(entries)" = "$version The Tavelin authors" ] ||
  fail "Apps & Features after the install: '$(entries)', not '$version The Tavelin authors'"

# The same MSI again finds the product installed; a rebuilt one of the same
# version (new ProductCode and package code) replaces it.
msiexec /i "$msi" || fail "a second msiexec /i ended with status $?"
guid() { echo "{$(tr a-f A-F </proc/sys/kernel/random/uuid)}"; }
rebuild() { # NAME VERSION: a copy of the MSI as another build of VERSION would be
  cp "$msi" "$work/$1"
  msiinfo export "$work/$1" Property |
    sed -e "s/^ProductCode\t.*\r\$/ProductCode\t$(guid)\r/" -e "s/^ProductVersion\t.*\r\$/ProductVersion\t$2\r/" \
    >"$work/Property.idt"
  msiinfo export "$work/$1" Upgrade | sed "s/\t${version//./\\.}\t/\t$2\t/g" >"$work/Upgrade.idt"
  msibuild "$work/$1" -i "$work/Property.idt" -i "$work/Upgrade.idt" -s "Installation Database" "The Tavelin authors" "x64;1033" "$(guid)"
}
rebuild rebuilt.msi "$version"
msiexec /i "$work/rebuilt.msi" || fail "msiexec /i of a rebuilt MSI ended with status $?"
count=$(entries | wc -l)
[ "$count" -eq 1 ] || fail "$count Apps & Features entries after installing the same version again"
[ -f "$program/tavelin.exe" ] || fail "no tavelin.exe after the same-version upgrade"
# An older version refuses to go over it.
rebuild older.msi 0.9
msiexec /i "$work/older.msi" && fail "an older MSI installed over $version"
[ "$(entries)" = "$version The Tavelin authors" ] || fail "Apps & Features after trying an older MSI: '$(entries)'"
rebuilt=$work/rebuilt.msi

msiexec /x "$rebuilt" || fail "msiexec /x ended with status $?"
left=$(find "$program" -type f 2>/dev/null)
[ -z "$left" ] || fail "left in Program Files after msiexec /x: $left"
for candidate in "${shortcuts[@]}"; do
  [ ! -e "$candidate" ] || fail "the Start-menu shortcut is left after msiexec /x: $candidate"
done
[ -z "$(entries)" ] || fail "Apps & Features still lists: $(entries)"
"$wine" reg query "$source_key" >/dev/null 2>&1 && fail "the event log source is left after msiexec /x: $(event_source)"
[ "$(cat "$machine/tavelin.conf" 2>/dev/null)" = $'[ports]\r\nCOM1=COM3\r' ] ||
  fail "the settings for all users did not outlast the upgrades and the removal"

[ $failures -eq 0 ] || exit 1
echo "MSI: installs into Program Files\\Tavelin with its shortcut, replaces the same version, refuses an older one, uninstalls cleanly"

#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Records three saves of the settings (the dialog's parameter files, the
# manual window's TAV0001.INF, this user's tavelin.conf), each over what the
# one before wrote, and a fourth that fails half way, and explores every
# crash state: each file is the old or the new one, never torn, and the one
# the operator was told of once told.
# Usage: settings_scenario.sh SAVER RECORDER EXPLORER
set -euo pipefail
saver=$(realpath "$1") recorder=$(realpath "$2") explorer=$(realpath "$3")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
scratch=$(cd "$scratch" && pwd -P)
root=$scratch/fs

mkdir -p "$root/work/config"
printf '2210005008000\r\n' > "$root/work/RSPRM.DAT"
printf '1,1\r\n' > "$root/work/HHTPRM.DAT"
printf '%s\r\n' "$root/AP.HEX" "$root/down/" "$root/up/" OVER NEWHISTORY 1 > "$root/work/DIRPRM.DAT"
cp -a "$root" "$scratch/initial"
: > "$scratch/record"
recorded() {
  (cd "$root/work" && TAVELIN_CRASH_ROOT=$root TAVELIN_CRASH_RECORD=$scratch/record XDG_CONFIG_HOME=$root/work/config \
    LD_PRELOAD=$recorder "$@")
}
for round in 1 2 3; do
  recorded "$saver" "$root/work" "$round" || { echo "save $round failed"; exit 1; }
done
grep -q "ttyS3" "$root/work/config/tavelin/tavelin.conf" || { echo "tavelin.conf was not saved"; exit 1; }
# A save the last parameter file of which cannot be written: the two before
# it get their old bytes back, and the operator is told it was not saved.
recorded mkdir DIRPRM.DAT.new
status=0 && recorded "$saver" "$root/work" 4 || status=$?
[ "$status" = 3 ] || { echo "a save that could not be done ended with $status"; exit 1; }
echo "== settings saved three times, then not saved"
# Left by a cut, never read as settings: the temporaries start-up removes,
# and Qt's lock and its new file not yet renamed.
"$explorer" --root "$root" --initial "$scratch/initial" --record "$scratch/record" --data work \
  --leftovers 'work/(RSPRM|HHTPRM|DIRPRM)\.DAT\.new|work/TAV0001\.INF\.new|work/config/tavelin/tavelin\.conf\..+'

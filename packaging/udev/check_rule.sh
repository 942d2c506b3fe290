#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Checks that a udev rules file reads without a complaint from udev itself.
# Where udevadm has "verify" (systemd 254 and later) that is the check;
# Debian 12's udevadm (252) has none, so "udevadm test" reads the rules with
# /etc/udev/rules.d holding only this file, in a mount namespace of its own
# that nothing else sees. Exit 77 (skipped) without udevadm or such a
# namespace.
#   check_rule.sh FILE.rules
set -euo pipefail
rule=${1:?usage: check_rule.sh FILE.rules}
command -v udevadm >/dev/null || { echo "no udevadm here"; exit 77; }
if udevadm verify --help >/dev/null 2>&1; then
  exec udevadm verify "$rule"
fi
unshare -m true 2>/dev/null || { echo "no mount namespace for udevadm test"; exit 77; }
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
name=$(basename "$rule")
cp "$rule" "$dir/$name"
# Any event will do: the rules are all read before it is matched.
out=$(unshare -m sh -c 'mount --bind "$1" /etc/udev/rules.d && udevadm test /sys/devices/virtual/mem/null 2>&1' \
      sh "$dir" || true)
grep -qF "Reading rules file: /etc/udev/rules.d/$name" <<<"$out" || { echo "udev did not read $name"; exit 1; }
if grep -F "/etc/udev/rules.d/$name:" <<<"$out"; then
  echo "udev finds fault with $name"
  exit 1
fi
echo "$name: read by udevadm $(udevadm --version) without complaint"

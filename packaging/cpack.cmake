# SPDX-License-Identifier: MIT
# The Debian packages: `make package` (or cpack -G DEB in the build directory)
# builds tavelin_VERSION-1_ARCH.deb, the program, and tavelin-hhtsim_...deb,
# the simulated hand-held, so a site installs the simulator only where it
# tests. `make package-check` runs lintian on both (informational tags
# shown); on Debian 12's lintian 2.116 it reports no error, no warning and
# no informational tag, pedantic and experimental ones included. One warning
# is overridden, initial-upload-closes-no-bugs: these packages are not
# uploaded to Debian, so no bug announces them (packaging/lintian-overrides).
# Included from the top level, where CPack must be set up.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tavelin)
set(CPACK_PACKAGE_VENDOR "The Tavelin authors")
set(CPACK_PACKAGE_CONTACT "${TAVELIN_MAINTAINER}")
set(CPACK_PACKAGE_HOMEPAGE_URL "${TAVELIN_HOMEPAGE}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# The Debian revision: the changelog (packaging/changelog) has an entry for
# VERSION-1, and a package built from this source is not a native one.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps names the libraries the programs link, with the versions
# their symbols need (the Qt 6 runtime, libstdc++6, libgcc-s1, libc6).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Files go in as root:root whatever the builder's umask.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL program hhtsim)

set(CPACK_DEBIAN_PROGRAM_PACKAGE_NAME tavelin)
set(CPACK_DEBIAN_PROGRAM_DESCRIPTION "move files between a PC and hand-held terminals over a serial line
Tavelin polls hand-held terminals by their three-digit ID over an RS-232C
cable, an optical communication unit or an infrared adapter, and sends,
fetches, renames and deletes files on them, or installs an application.

It runs unattended from batch jobs and cron (/DOWN, /UP, /APIN), driven by
parameter files in its work directory and leaving its outcome in a result
file and a history file, or as a two-pane window for an operator, with the
PC's files on one side and the hand-held's on the other. The operator's
texts are Japanese.")
# The window's Japanese texts need a CJK face; Qt's own captions (context
# menus, standard buttons) come in Japanese with Qt's translations.
set(CPACK_DEBIAN_PROGRAM_PACKAGE_RECOMMENDS "fonts-noto-cjk, qt6-translations-l10n")
set(CPACK_DEBIAN_PROGRAM_PACKAGE_SUGGESTS "tavelin-hhtsim")

set(CPACK_DEBIAN_HHTSIM_PACKAGE_NAME tavelin-hhtsim)
set(CPACK_DEBIAN_HHTSIM_DESCRIPTION "simulated hand-held terminal for testing Tavelin
tavelin-hhtsim answers Tavelin's frames as one or more hand-held terminals
would, each with a directory of files, on a new pseudo-terminal or on a real
serial port. Its options emulate a line's speed and inject faults (corrupted,
dropped or repeated frames, line noise, a closed line), so that the program,
a cable or an adapter can be tested without a hand-held at hand.")
include(CPack)

# SPDX-License-Identifier: MIT
# Two entry points for a fresh Debian machine:
#   make demo   installs what is missing, builds, runs the program as a batch job
#   make test   installs what is missing, builds, runs every test
# make sanitize runs the tests in an AddressSanitizer + UBSan build (build-asan/).
# make package builds the Debian source package and the binary packages
# build/deb/1/tavelin_*.deb (the program) and build/deb/1/tavelin-hhtsim_*.deb
# (the simulated hand-held) from a clean export with dpkg-buildpackage, which
# runs the tests; make package-check also runs lintian, the desktop and
# AppStream validators, man, systemd-analyze verify and autopkgtest (as root:
# it installs the packages, then purges them) on them, builds them a second
# time and compares the two builds byte for byte.
# make test-windows cross-builds the whole program for Windows (build-win/; Qt built once into a cache)
# and runs every test that can run there under Wine, the window tests included.
# make windows-zip packs build-win/tavelin-<version>-windows-x64.zip and runs it in a fresh Wine prefix.
# make windows-msi builds build-win/tavelin-<version>-x64.msi (wixl) and installs, upgrades and removes it
# in a fresh Wine prefix.
# make fuzz builds the fuzzing harnesses (build-fuzz/, clang + libFuzzer) and runs each for FUZZ_SECONDS.
.PHONY: demo test build sanitize setup package package-check test-windows windows-zip windows-msi fuzz

FUZZ_SECONDS ?= 120

setup:
	@bash scripts/setup.sh

build: setup
	@bash scripts/build.sh build

demo: build
	@bash scripts/demo.sh

test: build
	cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j 2

# What the package builds and their checks need besides the build's own
# packages; ccache, when there, speeds the builds up (debian/rules knows
# nothing of it: CMake takes the launcher from the environment, and
# CCACHE_DIR survives the HOME that debhelper sets).
PACKAGE_TOOLS = debhelper dpkg-dev git librsvg2-bin xvfb xauth x11-utils lintian appstream \
	desktop-file-utils man-db systemd autopkgtest diffoscope-minimal
ifneq ($(shell command -v ccache),)
package package-check: export CMAKE_CXX_COMPILER_LAUNCHER = ccache
package package-check: export CCACHE_DIR = $(shell ccache -k cache_dir)
endif

package: setup
	@bash scripts/setup.sh $(PACKAGE_TOOLS)
	@bash packaging/package_check.sh --build

package-check: setup
	@bash scripts/setup.sh $(PACKAGE_TOOLS)
	@bash packaging/package_check.sh

# print_suppressions=0: the programs the tests start would otherwise end their
# standard error, which the tests read, with LSan's list of suppressions used.
sanitize: setup
	@bash scripts/build.sh build-asan -DTAVELIN_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cd build-asan && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 ctest --output-on-failure -j 2

test-windows:
	@bash scripts/test-windows.sh

windows-zip:
	@bash scripts/windows-zip.sh

windows-msi:
	@bash scripts/windows-msi.sh

fuzz:
	@FUZZ_SECONDS=$(FUZZ_SECONDS) bash scripts/fuzz.sh

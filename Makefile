# SPDX-License-Identifier: MIT
# Two entry points for a fresh Debian machine:
#   make demo   installs what is missing, builds, runs the program as a batch job
#   make test   installs what is missing, builds, runs every test
# make sanitize runs the tests in an AddressSanitizer + UBSan build (build-asan/).
# make package builds the Debian packages build/tavelin_*.deb (the program) and
# build/tavelin-hhtsim_*.deb (the simulated hand-held); make package-check
# runs lintian, the desktop and AppStream validators and man on them, and the
# programs they hold.
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

package: build
	rm -f build/*.deb
	cd build && cpack -G DEB

package-check: package
	@bash scripts/setup.sh lintian appstream desktop-file-utils man-db
	@bash packaging/package_check.sh build

sanitize: setup
	@bash scripts/build.sh build-asan -DTAVELIN_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cd build-asan && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp ctest --output-on-failure -j 2

test-windows:
	@bash scripts/test-windows.sh

windows-zip:
	@bash scripts/windows-zip.sh

windows-msi:
	@bash scripts/windows-msi.sh

fuzz:
	@FUZZ_SECONDS=$(FUZZ_SECONDS) bash scripts/fuzz.sh

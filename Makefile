# SPDX-License-Identifier: GPL-3.0-or-later
# Front door: every target installs what is missing, configures and builds first.
BUILD ?= build
# What users run is built with full optimisation; benchmarks measure this same build.
BUILD_TYPE ?= Release
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps configure build run demo test test-sanitize windows test-windows bench bench-lists bench-tree bench-dirrun install package fuzz format format-check clean

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@$(BUILD)/bin/kelvane

# The command-line companion on a sample file: encrypt, info, decrypt, compare.
demo: build
	@bash scripts/demo.sh $(BUILD)/bin/kelvane-cli

test: build
	@ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The Qt-free tests once more under AddressSanitizer and UndefinedBehaviorSanitizer.
test-sanitize: deps
	@cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKELVANE_SANITIZE=ON -DKELVANE_GUI=OFF >/dev/null
	@cmake --build build-sanitize -j $(JOBS)
	@ctest --test-dir build-sanitize --output-on-failure -j $(JOBS) -L core

# The Qt-free core, kelvane-cli.exe and the core's test programs for 64-bit Windows, cross-built with
# Debian's mingw-w64 in build-windows; the window is not part of it.
WINDOWS_BUILD ?= build-windows
windows:
	@bash scripts/install-deps.sh --windows
	@cmake -S . -B $(WINDOWS_BUILD) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DKELVANE_GUI=OFF >/dev/null
	@cmake --build $(WINDOWS_BUILD) -j $(JOBS)

# Those test programs run under wine, in a wine prefix of their own inside the build directory, which
# is never offered the .NET and HTML engines wine would install.
test-windows: windows
	@WINEPREFIX=$(CURDIR)/$(WINDOWS_BUILD)/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" ctest --test-dir $(WINDOWS_BUILD) --output-on-failure

# The benchmark programs are built with the programs' own build type; the whole-file runs time the
# kelvane-cli that `make build` leaves, against `openssl enc` on the same file, and its rekey against
# decrypt followed by encrypt.
bench: build
	@cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DKELVANE_BENCH=ON -DBUILD_TESTING=OFF -DKELVANE_GUI=OFF >/dev/null
	@cmake --build build-bench -j $(JOBS) --target kelvane_bench
	@python3 bench/compare.py build-bench/bin --cli $(BUILD)/bin/kelvane-cli
	@python3 bench/rekey.py $(BUILD)/bin/kelvane-cli

# Listing a directory of 10,000 files in the window's two lists; needs Qt, so a build of its own.
bench-lists: deps
	@cmake -S . -B build-bench-gui -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DKELVANE_BENCH=ON -DBUILD_TESTING=OFF -DKELVANE_GUI=ON >/dev/null
	@cmake --build build-bench-gui -j $(JOBS) --target kelvane_bench_lists
	@QT_QPA_PLATFORM=$${QT_QPA_PLATFORM:-offscreen} build-bench-gui/bin/kelvane_bench_lists

# A tree of 10,000 small files in 200 directories: kelvane-cli --recursive, one job and one per core,
# against `ccrypt -r` (Debian package ccrypt, installed only as the peer) in the same run.
bench-tree: build
	@python3 bench/tree.py $(BUILD)/bin/kelvane-cli

# The window's Encrypt All and Decrypt All over the same kind of tree, against kelvane-cli -r in the
# same run, and the window's memory before and after; needs Qt, so it shares bench-lists' build.
bench-dirrun: build
	@cmake -S . -B build-bench-gui -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DKELVANE_BENCH=ON -DBUILD_TESTING=OFF -DKELVANE_GUI=ON >/dev/null
	@cmake --build build-bench-gui -j $(JOBS) --target kelvane_bench_dirrun
	@QT_QPA_PLATFORM=$${QT_QPA_PLATFORM:-offscreen} build-bench-gui/bin/kelvane_bench_dirrun $(BUILD)/bin/kelvane-cli

PREFIX ?= /usr/local
install: build
	@cmake --install $(BUILD) --prefix $(PREFIX)

# Each fuzz target for FUZZ_SECONDS (60 unless given), built with clang, ASan and UBSan; fails on any
# finding, which stays in build-fuzz/fuzz-work/artifacts.
FUZZ_SECONDS ?= 60
fuzz: deps
	@CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVANE_FUZZ=ON -DKELVANE_GUI=OFF -DBUILD_TESTING=OFF >/dev/null
	@cmake --build build-fuzz -j $(JOBS) --target fuzz_container fuzz_pwdb fuzz_settings fuzz_cli_args kelvane-cli
	@FUZZ_SECONDS=$(FUZZ_SECONDS) bash fuzz/run.sh build-fuzz

# A Debian package (kelvane_VERSION_ARCH.deb in build-package/package), built for /usr.
package:
	@bash scripts/install-deps.sh dpkg-dev file
	@cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr -DBUILD_TESTING=OFF >/dev/null
	@cmake --build build-package -j $(JOBS)
	@cd build-package && cpack -G DEB
	@ls build-package/package/*.deb

format:
	@clang-format -i $$(git ls-files '*.cpp' '*.h')

# Fails when a tracked source is not as `make format` leaves it.
format-check: deps
	@clang-format --dry-run -Werror $$(git ls-files '*.cpp' '*.h')

clean:
	@rm -rf $(BUILD) build-sanitize build-bench build-bench-gui build-package build-fuzz $(WINDOWS_BUILD)

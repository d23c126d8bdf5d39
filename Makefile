# Top-level driver: `make run` and `make test` do all set-up on a fresh Debian 12 machine.
# SAN=1 builds and tests with AddressSanitizer and UndefinedBehaviorSanitizer in a separate tree.

SAN ?= 0
JOBS ?= 2
ifeq ($(SAN),1)
BUILD ?= build-san
CMAKE_OPTS += -DVELK_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
else
BUILD ?= build
CMAKE_OPTS += -DCMAKE_BUILD_TYPE=RelWithDebInfo
endif

.PHONY: all deps configure build test soak fuzz run deb bench clean format format-check

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) $(CMAKE_OPTS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The kill test of the crash tests with many more kills than the CI run (KILLS=n to choose).
KILLS ?= 5000
soak: build
	@cd $(BUILD) && VELK_SOAK_KILLS=$(KILLS) tests/tools/crash/test_crash_kill

# The fuzz targets of the foreign-file readers (built where clang can link libFuzzer), each for
# FUZZ_TIME seconds on a corpus kept in the build tree; crashes land beside it.
FUZZ_TIME ?= 300
fuzz: build
	@test -x $(BUILD)/tests/exchange/fuzz/run_fuzz.sh || { echo "fuzz: no clang with libFuzzer"; exit 1; }
	@FUZZ_TIME=$(FUZZ_TIME) $(BUILD)/tests/exchange/fuzz/run_fuzz.sh

# Installs the program with its desktop entry under ~/.local (so it shows in the desktop menu),
# then starts it.
PREFIX ?= $(HOME)/.local
run: build
	@cmake --install $(BUILD) --prefix $(PREFIX) >/dev/null
	@$(PREFIX)/bin/velk

# The Debian package build-deb/velk_<version>_<arch>.deb of the three programs under /usr, with
# manual pages, desktop entry, icons and the user's guide (install: apt-get install ./build-deb/
# velk_*.deb).  The compiler flags are those of `make build`, so the compiler cache serves both;
# CPack strips the programs.
DEB_BUILD ?= build-deb
deb: deps
	@cmake -S . -B $(DEB_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
	  -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
	@cmake --build $(DEB_BUILD) -j $(JOBS) --target velk velk-check velk-exchange manpages changelog
	@cd $(DEB_BUILD) && cpack -G DEB
	@ls $(DEB_BUILD)/velk_*.deb

bench: build
	@for b in $(BUILD)/bench/bench_*; do [ -x "$$b" ] && "$$b"; done; true

format: deps
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

# Fails when a C++ file differs from what `make format` would make of it.
# The house style, and the layers: no folder includes one the root CMakeLists adds later.
format-check: deps
	@git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
	@scripts/check-layers

clean:
	rm -rf build build-san build-deb

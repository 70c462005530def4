# make play  : install what is missing, build the game and its data tree (nothing
#              else), lay out build/game and start the game there
# make check : install what is missing, build, build the tests, run every test
# make bench : build, then build the benchmarks (run them by hand: CONTRIBUTING.md)
# make uninstall: remove what make install installed under PREFIX (and the
#              folders it created)
# make install: build, then install under PREFIX (default /usr/local; DESTDIR works too)
# make package: build, then a Debian package (mnemora_<version>_<arch>.deb) in the top folder
# make quick : build, run the unit tests only (no whole-program runs), under 30 s
# make coverage : every test on a build with coverage counters, then line and
#                 branch coverage per folder
# SANITIZE=1 builds into build-sanitize with address and undefined-behaviour
#            checks; there `make check` runs the sanitizer suite (CTest label
#            sanitize: the unit tests and the headless whole sessions), as CI does

# Parallel jobs: every core by default.
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
PREFIX ?= /usr/local
ifeq ($(SANITIZE),1)
BUILD ?= build-sanitize
CMAKE_FLAGS += -DMNEMORA_SANITIZE=ON
CHECK_LABELS = -L sanitize
else ifeq ($(MAKECMDGOALS),coverage)
BUILD ?= build-coverage
CMAKE_FLAGS += -DMNEMORA_COVERAGE=ON
else
BUILD ?= build
endif

.PHONY: all deps configure build play tests check quick coverage bench clean install uninstall package

all: build

deps:
	@bash scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j$(JOBS)

# Only the executable and what it needs (the data tree is its dependency).
play: configure
	@cmake --build $(BUILD) -j$(JOBS) --target mnemora
	cd $(BUILD)/game && ./mnemora

# The test programs and everything they run (the target mnemora_tests).
tests: build
	@cmake --build $(BUILD) -j$(JOBS) --target mnemora_tests

check: tests
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS) $(CHECK_LABELS)

bench: build
	@cmake --build $(BUILD) -j$(JOBS) --target mnemora_benchmarks
	@echo "Benchmarks in $(BUILD)/bench/: run them by hand (see CONTRIBUTING.md)"

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# Everything make install installed from this build (DESTDIR as it was then).
uninstall:
	cmake -DBUILD=$(abspath $(BUILD)) -P dist/uninstall.cmake

package: build
	cd $(BUILD) && cpack -G DEB -B $(CURDIR)/$(BUILD)/package
	cp $(BUILD)/package/mnemora_*.deb .

quick: tests
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS) -L quick

coverage: tests
	find $(BUILD) -name '*.gcda' -delete
	cd $(BUILD) && ctest -j$(JOBS) --output-on-failure || true
	@bash scripts/coverage-report $(BUILD)

clean:
	rm -rf build build-sanitize build-coverage

# make play  : install what is missing, build the game and its data tree (nothing
#              else), lay out build/game and start the game there
# make check : install what is missing, build, build the tests, run every test
# make bench : build, then build the benchmarks (run them by hand: CONTRIBUTING.md)
# make uninstall: remove what make install installed under PREFIX (and the
#              folders it created)
# make install: build, then install under PREFIX (default /usr/local; DESTDIR works too)
# make package: build, then a Debian package (mnemora_<version>_<arch>.deb) in the top folder
# make web  : install what the browser build needs (scripts/install-web-deps),
#              build the data tree here and the game for WebAssembly: the page
#              is in build-web/web/
# make web-serve: make web, then serve the page on 127.0.0.1 (the address is printed)
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

.PHONY: all deps configure build play tests check quick coverage bench clean install uninstall package web web-serve

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

# The browser build: its own folder, its own CMake configuration with
# emscripten, the data tree from the desktop build above.
WEB ?= build-web
WEB_ENV = NODE_PATH=/usr/share/nodejs
web: configure
	@bash scripts/install-web-deps $(WEB)
	@cmake --build $(BUILD) -j$(JOBS) --target game_data app_icons
	@$(WEB_ENV) emcmake cmake -S . -B $(WEB)/cmake -DCMAKE_BUILD_TYPE=Release \
	  -DMNEMORA_WEB_PREFIX=$(abspath $(WEB))/prefix -DMNEMORA_DATA_TREE=$(abspath $(BUILD))/game/Files >/dev/null
	@$(WEB_ENV) cmake --build $(WEB)/cmake -j$(JOBS)
	@echo "The page is in $(WEB)/web/ (make web-serve serves it)"

web-serve: web
	python3 scripts/serve-web $(WEB)/web

quick: tests
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS) -L quick

coverage: tests
	find $(BUILD) -name '*.gcda' -delete
	cd $(BUILD) && ctest -j$(JOBS) --output-on-failure || true
	@bash scripts/coverage-report $(BUILD)

clean:
	rm -rf build build-sanitize build-coverage build-web/cmake build-web/web

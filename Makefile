# make play  : install what is missing, build, lay out build/game and start the game there
# make check : install what is missing, build, run every test
# make install: build, then install under PREFIX (default /usr/local; DESTDIR works too)
# make package: build, then a Debian package (mnemora_<version>_<arch>.deb) in the top folder
# make quick : build, run the unit tests only (no whole-program runs), under 30 s
# make coverage : every test on a build with coverage counters, then line and
#                 branch coverage per folder
# SANITIZE=1 builds into build-sanitize with address and undefined-behaviour
#            checks; there `make check` runs the sanitizer suite (CTest label
#            sanitize: the unit tests and the headless whole sessions), as CI does

JOBS ?= 2
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

.PHONY: all deps configure build play check quick coverage bench clean install package

all: build

deps:
	@bash scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j$(JOBS)

play: build
	cd $(BUILD)/game && ./mnemora

check: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS) $(CHECK_LABELS)

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

package: build
	cd $(BUILD) && cpack -G DEB -B $(CURDIR)/$(BUILD)/package
	cp $(BUILD)/package/mnemora_*.deb .

quick: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS) -L quick

coverage: build
	find $(BUILD) -name '*.gcda' -delete
	cd $(BUILD) && ctest -j$(JOBS) --output-on-failure || true
	@bash scripts/coverage-report $(BUILD)

clean:
	rm -rf build build-sanitize build-coverage

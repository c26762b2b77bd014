# make run   installs what is missing, builds, starts the desktop program
# make test  the same set-up, then every test, headless
# make package  the Debian package (see README, Install)
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)
CMAKE_FLAGS ?=
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
PROGRAMS   := zelmar zelmar-pdf

# Progress and errors only: no "Entering directory" pairs from the nested makes.
MAKEFLAGS += --no-print-directory

.PHONY: all deps configure build run test test-asan bench package fuzz clean

all: build

deps:
	@sh scripts/install-deps.sh

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

configure: deps $(BUILD)/CMakeCache.txt

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# Only the two programs: tests and benchmarks are brought up to date by `make test`.
run: configure
	cmake --build $(BUILD) -j $(JOBS) --target $(PROGRAMS)
	@if [ -z "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
	  echo "No display here: start it under a desktop, or try xvfb-run ./$(BUILD)/app/zelmar;"; \
	  echo "the converter needs none: ./$(BUILD)/app/zelmar-pdf --help"; exit 1; fi
	./$(BUILD)/app/zelmar

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) -LE bench

# The Debian package, $(BUILD)/zelmar_<version>_<arch>.deb.
package: build
	cd $(BUILD) && cpack -G DEB

# The whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer;
# any report fails the run.
test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DZELMAR_SANITIZE=ON $(CMAKE_FLAGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && QT_QPA_PLATFORM=offscreen \
	  ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:abort_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp:print_suppressions=0 \
	  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS) -LE bench

bench: deps
	cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS)
	cmake --build build-release -j $(JOBS)
	cd build-release && ctest --output-on-failure -L bench -V

# libFuzzer targets (clang, sanitizers) in their own tree, each run for
# FUZZ_SECONDS; a finding is kept in $(FUZZ_BUILD)/findings and fails the run.
fuzz:
	@sh scripts/install-deps.sh fuzz
	FUZZ_BUILD=$(FUZZ_BUILD) FUZZ_SECONDS=$(FUZZ_SECONDS) JOBS=$(JOBS) sh scripts/fuzz.sh

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) build-release $(FUZZ_BUILD)

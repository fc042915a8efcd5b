# The two commands: `make run` and `make test`. Both install what is missing first.
BUILD ?= build
# The non-GUI suites again, built with AddressSanitizer and UndefinedBehaviorSanitizer.
SANITIZE_BUILD ?= build-asan
JOBS ?= $(shell nproc)
# Line tables only: enough for backtraces, sanitizer reports and profiles, at a third less
# compile time than full debug information.
FLAGS := -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG"
# The sanitizers' advice, -O1, also builds in two thirds of the time at -O2.
SANITIZE_FLAGS := -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG"

.PHONY: all deps configure build sanitize-build test run clean format tidy

# Warnings are errors where we answer for them: in the builds `make test` (and so CI) makes. A plain
# `make run` keeps whatever the build folder was configured with, off in a new one.
test: STRICT := -DCARTONIC_WERROR=ON

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) $(FLAGS) $(STRICT) >/dev/null

build: configure
	@cmake --build $(BUILD) -j$(JOBS)

sanitize-build: deps
	@cmake -S . -B $(SANITIZE_BUILD) $(SANITIZE_FLAGS) $(STRICT) -DCARTONIC_SANITIZE=ON \
	  -DCARTONIC_GUI=OFF -DCARTONIC_BENCH=OFF >/dev/null
	@cmake --build $(SANITIZE_BUILD) -j$(JOBS)

test: build sanitize-build
	@scripts/check-style.sh
	@scripts/run-tests.sh $(BUILD) $(SANITIZE_BUILD)

run: build
	@scripts/run.sh $(BUILD)

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

# clang-tidy over src/ with .clang-tidy's checks; minutes, so not part of test. Its own build
# compiles file by file, so that the compile commands name the sources rather than their batches.
TIDY_BUILD ?= build-tidy
tidy: deps
	@cmake -S . -B $(TIDY_BUILD) $(FLAGS) -DCARTONIC_WERROR=ON -DCMAKE_UNITY_BUILD=OFF -DCARTONIC_BENCH=OFF >/dev/null
	@cmake --build $(TIDY_BUILD) -j$(JOBS)
	@run-clang-tidy -quiet -p $(TIDY_BUILD) -j$(JOBS) '$(CURDIR)/src/.*\.cpp$$' 2>/dev/null | \
	  grep -E 'warning:|error:' && exit 1 || echo "tidy: clean"

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD) $(TIDY_BUILD)

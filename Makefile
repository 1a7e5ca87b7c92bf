# Entry points for a fresh Debian 12 machine: every target installs what is
# missing, configures and builds before it does its own work.
BUILD ?= build
GENERATOR := $(shell command -v ninja >/dev/null 2>&1 && echo Ninja || echo "Unix Makefiles")
JOBS ?= $(shell nproc)

.PHONY: all deps configure build run test bench sanitize format clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -G "$(GENERATOR)" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/run-app $(BUILD) $(ARGS)

test: deps
	@scripts/run-tests

bench: build
	@$(BUILD)/bench/vireon_bench $(BENCH_ARGS)

sanitize: deps
	@scripts/run-tests --sanitizers-only

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build build-*

# SPDX-License-Identifier: GPL-3.0-or-later
# Entry points for a fresh Debian 12 machine: every target installs what is
# missing, configures and builds before it does its own work.
BUILD ?= build
# `make run` builds the two programs alone, without tests or benchmarks, here.
RUN_BUILD ?= build-run
GENERATOR := $(shell command -v ninja >/dev/null 2>&1 && echo Ninja || echo "Unix Makefiles")
JOBS ?= $(shell nproc)

.PHONY: all deps run-deps configure build run-build run test bench sanitize format clean

all: build

deps:
	@scripts/install-deps

run-deps:
	@scripts/install-deps --run

configure: deps
	@cmake -S . -B $(BUILD) -G "$(GENERATOR)" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run-build: run-deps
	@cmake -S . -B $(RUN_BUILD) -G "$(GENERATOR)" -DCMAKE_BUILD_TYPE=Release \
		-DVIREON_TESTS=OFF -DVIREON_BENCH=OFF >/dev/null
	@cmake --build $(RUN_BUILD) -j $(JOBS) --target vireon vireon-headless

run: run-build
	@scripts/run-app $(RUN_BUILD) $(ARGS)

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

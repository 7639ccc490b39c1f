# The two commands of the README: `make run` and `make test`.
BUILD ?= build
JOBS ?= 2

.PHONY: all deps configure build run test fuzz bench screenshot format clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/run-app $(BUILD)

test: build
	@scripts/run-tests $(BUILD)

fuzz: deps
	@scripts/fuzz

bench: build
	@scripts/bench $(BUILD)

screenshot: build
	@scripts/screenshot $(BUILD)

format:
	@clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	@rm -rf $(BUILD) build-fuzz

# The two commands of the README: `make run` and `make test`.
BUILD ?= build
JOBS ?= 2
# The application folder `make install` puts the program into; the store lives beside it.
PREFIX ?= $(HOME)/Fendrival
# Handed over in the environment, so blanks and quotes in the folder's name stay as they are.
export PREFIX

.PHONY: all deps configure build run test fuzz bench screenshot screenshots format clean install uninstall

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

# The manual's pictures, into docs/images.
screenshots: build
	@scripts/screenshots $(BUILD)

# The program into PREFIX, the menu entry and icon into the user's data folder.
install: build
	@cmake --install $(BUILD) --prefix "$$PREFIX"

# Removes what install put in place; the store in PREFIX is the user's data and stays.
uninstall:
	@cmake -DPREFIX="$$PREFIX" -P cmake/uninstall.cmake

format:
	@clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	@rm -rf $(BUILD) build-fuzz

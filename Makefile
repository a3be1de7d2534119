# Thin driver over the CMake presets. `make test` is what CI runs.
.PHONY: all build deps test asan demo fuzz bench format clean

all: build

deps:
	@bash tools/deps.sh

build: deps
	cmake --preset default >/dev/null
	cmake --build --preset default

test: build
	ctest --preset default

asan: deps
	cmake --preset asan >/dev/null
	cmake --build --preset asan
	ctest --preset asan

# Builds the demo installation in build/demo (kept between runs) and starts ORBICADE in it.
demo: build
	bash demo/run-demo.sh build

fuzz: deps
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz

# FUZZ_SECONDS=60 make fuzz-run runs every target for that long on its seeds.
FUZZ_SECONDS ?= 60
fuzz-run: fuzz
	bash tools/run-fuzzers.sh build-fuzz $(FUZZ_SECONDS)

bench: build
	bash bench/run.sh build

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf build build-asan build-fuzz

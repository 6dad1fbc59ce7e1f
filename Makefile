# Thin wrapper over the Debian packages, CMake presets and CTest.
# CI sets CI=true and so builds with warnings as errors.
PRESET ?= $(if $(CI),ci,dev)
BUILD := build/$(PRESET)

.PHONY: all deps configure build run test tsan bench assets format clean

all: build

deps:
	scripts/install-deps

configure: deps
	cmake --preset $(PRESET)

build: configure
	cmake --build --preset $(PRESET)

run: build
	$(BUILD)/bin/glimmerhall

test: build
	ctest --preset $(PRESET) -j2

# The threaded parts (version check, downloads) under ThreadSanitizer.
tsan: deps
	cmake --preset tsan
	cmake --build --preset tsan
	ctest --preset tsan

bench: build
	@for b in $(BUILD)/bench/bin/bench_*; do echo "== $$b"; "$$b" || exit 1; done

assets: configure
	cmake --build --preset $(PRESET) --target render_assets
	$(BUILD)/assets/render_assets assets/src assets

format:
	find launcher runtime shell games tests bench assets -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf build

# Thin wrapper over the Debian packages, CMake presets and CTest.
# CI sets CI=true and so builds with warnings as errors.
PRESET ?= $(if $(CI),ci,dev)
BUILD := build/$(PRESET)

.PHONY: all deps configure build run test check tsan asan fuzz bench assets install package \
	format format-check clean

all: build

deps:
	scripts/install-deps

# Configured once per build folder, and again when the presets change; later edits to the
# CMake files are picked up by the build itself.
configure: deps $(BUILD)/CMakeCache.txt

$(BUILD)/CMakeCache.txt: CMakePresets.json $(wildcard CMakeUserPresets.json)
	cmake --preset $(PRESET)
	touch $@

build: configure
	cmake --build --preset $(PRESET)

run: build
	$(BUILD)/bin/glimmerhall

# In a private network with loopback alone: no test may reach past the machine.
test: build
	scripts/offline ctest --preset $(PRESET) -j2

# The fast levels only (rules, models, windows): a few seconds, for the edit-build-test loop.
check: build
	scripts/offline ctest --preset $(PRESET) -j2 -L '^(unit|window)$$'

# The threaded parts (version check, downloads) under ThreadSanitizer.
tsan: deps
	cmake --preset tsan
	cmake --build --preset tsan
	scripts/offline ctest --preset tsan

# Everything but the browser engine and the package under AddressSanitizer and
# UndefinedBehaviorSanitizer; the test preset picks the unit, window and process tests.
asan: deps
	cmake --preset asan
	cmake --build --preset asan
	scripts/offline ctest --preset asan -j2

# Each fuzz target (tests/fuzz) under libFuzzer for FUZZ_SECONDS, from its seeds and the inputs
# that once broke something; prints executions per second and the total. A finding fails it.
FUZZ_SECONDS ?= 60
fuzz: deps
	cmake --preset fuzz
	cmake --build --preset fuzz
	scripts/offline scripts/fuzz build/fuzz $(FUZZ_SECONDS)

bench: build
	@for b in $(BUILD)/bench/bin/bench_*; do echo "== $$b"; "$$b" || exit 1; done

assets: configure
	cmake --build --preset $(PRESET) --target render_assets
	$(BUILD)/assets/render_assets assets/src assets

# Into one folder the user owns (the program writes its configuration folder beside itself).
PREFIX ?= $(HOME)/.local/opt/glimmerhall
install: build
	cmake --install $(BUILD) --prefix "$(PREFIX)"

# glimmerhall_<version>_amd64.deb in build/<preset>/package, for `apt install ./...deb`.
# lintian then reads it as Debian's archive would: any error fails the target.
package: build
	cd $(BUILD) && cpack -G DEB
	lintian --fail-on error --allow-root $(BUILD)/package/glimmerhall_*_amd64.deb

FORMAT_SOURCES = find launcher hostcore runtime shell games tests bench assets \( -name '*.cpp' -o -name '*.h' \)

format:
	$(FORMAT_SOURCES) | xargs clang-format -i

# The same files as `make format`; fails on the first one it would change.
format-check: deps
	$(FORMAT_SOURCES) | xargs clang-format --dry-run -Werror

clean:
	rm -rf build

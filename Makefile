# Thin front door: the scripts and CMake do the work.
BUILD ?= build
JOBS ?= 2
# The end-to-end tests spend much of their time waiting on their X servers: one test more
# than the cores at a time.
TEST_JOBS ?= 3

.PHONY: all deps build run medium test check test-slow test-sanitize test-tsan bench fuzz clean

all: build

deps:
	@bash scripts/install-deps.sh

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS)

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j$(JOBS)

run: build
	@bash scripts/run.sh $(BUILD)/galimo

# A ready medium in DEST: the albums (the demo's unless ALBUMS names a folder), the program
# with everything it needs in _galimo/, the launcher galimo and autorun.sh.
medium: deps $(BUILD)/CMakeCache.txt
	@[ -n "$(DEST)" ] || { echo "usage: make medium DEST=folder [ALBUMS=folder]"; exit 1; }
	cmake --build $(BUILD) -j$(JOBS) --target galimo
	bash scripts/make-medium.sh $(BUILD) "$(DEST)" $(if $(ALBUMS),"$(ALBUMS)")

# Every test in the ordinary build but the slow ones: what a newcomer runs first.
test: build
	cd $(BUILD) && ctest --output-on-failure -j$(TEST_JOBS) -LE slow

# What make test leaves to CI: the slow tests, then the tests under the sanitizers (the unit
# tests under ASan + UBSan, the threaded tests under ThreadSanitizer), each pass building
# only what it runs. CI runs it after make test.
check: test-slow test-sanitize test-tsan

test-slow: build
	cmake --build $(BUILD) -j$(JOBS) --target test_gif_slow
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS) -L slow

test-sanitize: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DGALIMO_SANITIZE=ON -DGALIMO_WERROR=OFF
	cmake --build build-asan -j$(JOBS) --target unit_tests
	cd build-asan && ctest --output-on-failure -j$(JOBS) -L unit

# Builds only the test executables marked THREADS, and runs them.
test-tsan: deps
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGALIMO_TSAN=ON -DGALIMO_WERROR=OFF
	cmake --build build-tsan -j$(JOBS) --target threaded_tests
	cd build-tsan && ctest --output-on-failure -j$(JOBS) -L threads

bench: deps
	bash scripts/run-bench.sh

fuzz: deps
	bash scripts/run-fuzz.sh

clean:
	rm -rf $(BUILD) build-asan build-tsan build-bench build-fuzz

# Thin front door: the scripts and CMake do the work.
BUILD ?= build
JOBS ?= 2

.PHONY: all deps build run test test-sanitize bench fuzz clean

all: build

deps:
	@bash scripts/install-deps.sh

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS)

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j$(JOBS)

run: build
	@bash scripts/run.sh $(BUILD)/galimo

# Every test in the ordinary build, then the unit tests again under the sanitizers
# (SANITIZE=0 skips that second pass).
SANITIZE ?= 1
test: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)
ifeq ($(SANITIZE),1)
	$(MAKE) test-sanitize
endif

test-sanitize: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DGALIMO_SANITIZE=ON -DGALIMO_WERROR=OFF
	cmake --build build-asan -j$(JOBS)
	cd build-asan && ctest --output-on-failure -j$(JOBS) -L unit

bench: deps
	bash scripts/run-bench.sh

fuzz: deps
	bash scripts/run-fuzz.sh

clean:
	rm -rf $(BUILD) build-asan build-bench build-fuzz

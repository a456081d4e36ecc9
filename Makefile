# Front door: `make run`, `make test`, `make bench`. CMake does the building.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps configure build run test bench sanitize fuzz fuzz-smoke clean
.PHONY: test-size coverage

all: build

deps:
	@sh scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/app/tovrin $(ARGS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

bench: deps
	cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOVRIN_BUILD_BENCH=ON -DBUILD_TESTING=OFF
	cmake --build build-bench -j $(JOBS)
	cd build-bench/bench && for b in ./bench_*; do $$b; done

sanitize: deps
	cmake -S . -B build-asan -G Ninja -DTOVRIN_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
	cmake --build build-asan -j $(JOBS)
	cd build-asan && ctest --output-on-failure -j $(JOBS)

FUZZ_SECONDS ?= 60
FUZZ_JOBS ?= 1
# The fuzz build holds only the libraries the harnesses need: no window, no tests.
fuzz: deps
	cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DTOVRIN_BUILD_FUZZ=ON \
	  -DTOVRIN_BUILD_UI=OFF -DBUILD_TESTING=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build build-fuzz -j $(JOBS)
	sh scripts/run-fuzzers.sh build-fuzz $(FUZZ_SECONDS) $(FUZZ_JOBS)

# The short bounded run CI makes, so that regressions show: 20 seconds per harness, as many
# harnesses at once as there are cores.
fuzz-smoke:
	$(MAKE) fuzz FUZZ_SECONDS=20 FUZZ_JOBS=$(JOBS)

# Test lines against program lines, in total and per subsystem.
test-size:
	@python3 scripts/test-size.py

# Line and branch coverage of the program code by the whole test suite (gcovr); the HTML
# report is build-coverage/coverage/index.html.
coverage: deps
	@sh scripts/install-deps.sh gcovr
	cmake -S . -B build-coverage -G Ninja -DCMAKE_BUILD_TYPE=Debug \
	  -DCMAKE_CXX_FLAGS=--coverage -DCMAKE_EXE_LINKER_FLAGS=--coverage
	cmake --build build-coverage -j $(JOBS)
	find build-coverage -name '*.gcda' -delete
	cd build-coverage && ctest --output-on-failure -j $(JOBS)
	mkdir -p build-coverage/coverage
	gcovr -r . -j $(JOBS) --filter '(platform|taskdb|zip|ui|outlooksync|app)/' \
	  --html-details build-coverage/coverage/index.html --print-summary build-coverage

clean:
	rm -rf $(BUILD) build-bench build-asan build-fuzz build-coverage

# make run   builds the game and runs it in a window.
# make test  builds everything twice (plain and with AddressSanitizer + UBSan), runs
#            every test in both builds, after a short fuzzing run of the number formatter.
JOBS ?= $(shell nproc)
BUILD ?= build
ASAN_BUILD ?= build-asan

.PHONY: deps build build-asan run test test-plain test-asan test-fuzz clean

deps:
	@tools/install_deps.sh

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build $(BUILD) -j $(JOBS)

build-asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DMW_SANITIZE=ON -DMW_BENCHMARKS=OFF >/dev/null
	cmake --build $(ASAN_BUILD) -j $(JOBS)

run: build
	@if [ -z "$$DISPLAY" ]; then echo "marrowick: no X display (DISPLAY is not set), so the game window cannot open." >&2; exit 1; fi
	./$(BUILD)/game/marrowick

test-plain: build
	cd $(BUILD) && ctest -j $(JOBS) --output-on-failure

test-asan: build-asan
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest -j $(JOBS) --output-on-failure -LE 'e2e|benchmark'

# A short libFuzzer run of each number-formatting harness from its seed corpus (clang).
test-fuzz: deps
	tools/run_fuzzers.sh 20

test: test-fuzz test-plain test-asan

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)

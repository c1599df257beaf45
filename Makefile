# Quick start: `make demo` and `make test`.
BUILD ?= build
BUILD_ASAN ?= build-asan
BUILD_CLANG ?= build-clang
BUILD_WIN ?= build-win
JOBS ?= $(shell nproc)

# The library alone needs only a compiler and CMake; the tool and the tests are turned on here.
WITH_ALL = -DVIEWERSETTINGS_BUILD_TOOLS=ON -DVIEWERSETTINGS_BUILD_TESTS=ON

.PHONY: all deps build demo test test-native test-asan test-clang test-windows windows clean

all: build

deps:
	@scripts/install-deps

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(WITH_ALL)
	cmake --build $(BUILD) -j $(JOBS)

# A fresh station folder: init creates its settings file, then one setting is changed and read back.
demo: build
	@dir=$$(mktemp -d) && tool=$(BUILD)/tools/viewer-settings && \
	  $$tool --dir $$dir init && $$tool --dir $$dir show && echo && \
	  $$tool --dir $$dir set MinDiskSpace 2048 && \
	  echo "MinDiskSpace read back: $$($$tool --dir $$dir get MinDiskSpace)" && \
	  echo "The settings file: $$dir/VorelViewerSysSetting.xml"

test: test-native test-asan test-clang test-windows
	$(MAKE) fuzz FUZZ_SECONDS=$(FUZZ_SMOKE_SECONDS) FUZZ_MODE=--smoke

test-native: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

test-asan: deps
	cmake -S . -B $(BUILD_ASAN) -DCMAKE_BUILD_TYPE=Debug -DVIEWERSETTINGS_SANITIZE=ON $(WITH_ALL)
	cmake --build $(BUILD_ASAN) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --test-dir $(BUILD_ASAN) --output-on-failure -j $(JOBS)

# The library and the suite built with clang as well, to catch what only one compiler accepts.
test-clang: deps
	@scripts/install-deps clang
	cmake -S . -B $(BUILD_CLANG) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ $(WITH_ALL)
	cmake --build $(BUILD_CLANG) -j $(JOBS)
	ctest --test-dir $(BUILD_CLANG) --output-on-failure -j $(JOBS)

# The 32-bit Windows DLL alone: $(BUILD_WIN)/viewersettings.dll and its import library.
windows:
	@scripts/install-deps --windows
	cmake -S . -B $(BUILD_WIN) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
	  -DCMAKE_BUILD_TYPE=Release -DVIEWERSETTINGS_BUILD_TOOLS=ON \
	  -DVIEWERSETTINGS_BUILD_TESTS=$(WINDOWS_TESTS)
	cmake --build $(BUILD_WIN) -j $(JOBS)

WINDOWS_TESTS ?= OFF

# The same suite for Windows, run under wine in a prefix of its own (no Mono or Gecko needed).
WINE_ENV = WINEPREFIX=$(abspath $(BUILD_WIN))/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

test-windows:
	$(MAKE) windows WINDOWS_TESTS=ON
	$(WINE_ENV) ctest --test-dir $(BUILD_WIN) --output-on-failure

# The libFuzzer targets of the XML engine and of the API (clang), each for FUZZ_SECONDS on top of
# the seeds in fuzz/corpus; `make test` runs them for FUZZ_SMOKE_SECONDS from a scratch copy.
BUILD_FUZZ ?= build-fuzz
FUZZ_SECONDS ?= 600
FUZZ_SMOKE_SECONDS ?= 60
FUZZ_MODE ?=

.PHONY: fuzz
fuzz:
	@scripts/install-deps clang libclang-rt-14-dev
	fuzz/run.sh $(BUILD_FUZZ) $(FUZZ_SECONDS) $(FUZZ_MODE)

# The benchmarks (bench/README.md): the engine against pugixml, RapidXML, tinyxml2 and expat, and
# the exported calls against the file accesses they need; medians of interleaved repetitions,
# then the ratios and whether each target is met.
BUILD_BENCH ?= build-bench
BENCH_ARGS ?= --benchmark_repetitions=9 --benchmark_min_time=0.2 \
  --benchmark_enable_random_interleaving=true --benchmark_display_aggregates_only=true

.PHONY: bench
bench:
	@scripts/install-deps libbenchmark-dev libpugixml-dev librapidxml-dev libtinyxml2-dev libexpat1-dev
	cmake -S . -B $(BUILD_BENCH) -DCMAKE_BUILD_TYPE=Release -DVIEWERSETTINGS_BUILD_BENCH=ON
	cmake --build $(BUILD_BENCH) -j $(JOBS) --target viewersettings_bench
	$(BUILD_BENCH)/bench/viewersettings_bench $(BENCH_ARGS)

clean:
	rm -rf $(BUILD) $(BUILD_ASAN) $(BUILD_CLANG) $(BUILD_WIN) $(BUILD_FUZZ) $(BUILD_BENCH)

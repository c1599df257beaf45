# Quick start: `make demo` and `make test`.
BUILD ?= build
BUILD_ASAN ?= build-asan
BUILD_CLANG ?= build-clang
BUILD_WIN ?= build-win
BUILD_WIN64 ?= build-win64
JOBS ?= $(shell nproc)

# The library alone needs only a compiler and CMake; the tool and the tests are turned on here.
WITH_ALL = -DVIEWERSETTINGS_BUILD_TOOLS=ON -DVIEWERSETTINGS_BUILD_TESTS=ON

.PHONY: all deps build demo test test-native test-asan test-clang test-windows test-windows-i686 \
  test-windows-x86_64 windows windows64 clean

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

# The 32-bit Windows DLL alone, the viewer's own: $(BUILD_WIN)/viewersettings.dll and its import
# library. `make windows64` builds the 64-bit one in $(BUILD_WIN64), for 64-bit hosts.
windows:
	@scripts/install-deps g++-mingw-w64-i686
	cmake -S . -B $(BUILD_WIN) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
	  -DCMAKE_BUILD_TYPE=Release -DVIEWERSETTINGS_BUILD_TOOLS=ON \
	  -DVIEWERSETTINGS_BUILD_TESTS=$(WINDOWS_TESTS)
	cmake --build $(BUILD_WIN) -j $(JOBS)

windows64:
	@scripts/install-deps g++-mingw-w64-x86-64
	cmake -S . -B $(BUILD_WIN64) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake \
	  -DCMAKE_BUILD_TYPE=Release -DVIEWERSETTINGS_BUILD_TOOLS=ON \
	  -DVIEWERSETTINGS_BUILD_TESTS=$(WINDOWS_TESTS)
	cmake --build $(BUILD_WIN64) -j $(JOBS)

WINDOWS_TESTS ?= OFF

# The same suite for Windows, run under wine in a prefix of the build folder's own (no Mono or
# Gecko needed): the 32-bit DLL's where this machine runs 32-bit programs, else the 64-bit DLL's
# under 64-bit wine, after the 32-bit DLL is built and its exports checked. scripts/windows-arch
# chooses and says why; WINDOWS_ARCH=i686 or WINDOWS_ARCH=x86_64 forces the choice.
WINE_ENV = WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# The log keeps the end of each test's output, where GoogleTest counts what passed.
WINDOWS_CTEST_ARGS = --test-output-truncation head

test-windows:
	@arch=$$(scripts/windows-arch) && $(MAKE) --no-print-directory test-windows-$$arch WINDOWS_ARCH=$$arch

test-windows-i686:
	@scripts/install-deps --windows=$(WINDOWS_ARCH)
	$(MAKE) --no-print-directory windows WINDOWS_TESTS=ON
	WINEPREFIX=$(abspath $(BUILD_WIN))/wineprefix $(WINE_ENV) \
	  ctest --test-dir $(BUILD_WIN) --output-on-failure $(WINDOWS_CTEST_ARGS)
	@scripts/windows-test-counts $(BUILD_WIN) "32-bit wine"

test-windows-x86_64:
	@scripts/install-deps --windows=$(WINDOWS_ARCH)
	$(MAKE) --no-print-directory windows WINDOWS_TESTS=OFF
	tests/exports/check_dll_exports.sh i686-w64-mingw32-objdump $(BUILD_WIN)/viewersettings.dll \
	  ViewerSettings.def pei-i386
	$(MAKE) --no-print-directory windows64 WINDOWS_TESTS=ON
	WINEPREFIX=$(abspath $(BUILD_WIN64))/wineprefix $(WINE_ENV) \
	  ctest --test-dir $(BUILD_WIN64) --output-on-failure $(WINDOWS_CTEST_ARGS)
	@scripts/windows-test-counts $(BUILD_WIN64) "64-bit wine"

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
	rm -rf $(BUILD) $(BUILD_ASAN) $(BUILD_CLANG) $(BUILD_WIN) $(BUILD_WIN64) $(BUILD_FUZZ) \
	  $(BUILD_BENCH)

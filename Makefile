# Front door: `make run` dumps a sample table, `make test` runs every test.
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
SAMPLE ?= testdata/sample/quorlbay/hyd/edg

# Hostile input: sanitized build, fuzz build, fuzzing time and processes.
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_OUT ?= fuzz-out
COVERAGE_BUILD ?= build-coverage
FUZZ_SECONDS ?= 600
FUZZ_JOBS ?= 1
CI_FUZZ_SECONDS ?= 60

BENCH_BUILD ?= build-release
BENCH_DATA ?= bench-data
# The real tables the feature layers' benchmarks read (skipped where missing).
REALDATA ?= ../shared/realdata
# SQLite's one-file source for the GeoPackage benchmarks' build, where one
# is made already (by default the build finds or makes it itself).
SQLITE_DIR ?=
PACKAGE_BUILD ?= build-package
# Every host's packages: one build per host in RELEASE_BUILD, the packages in DIST.
RELEASE_BUILD ?= build-dist
DIST ?= dist

# Cross builds tested under emulation: big-endian, 32-bit, 64-bit ARM and
# Windows.
CROSS_TARGETS ?= s390x i686 armhf aarch64 mingw64

.PHONY: all build run check test sanitize-test fuzz fuzz-coverage bench bench-instructions \
	bench-layers bench-library bench-gpkg bench-gpkg-database bench-startup check-numbers \
	cross-test cross-tools package release clean distclean

all: build

build:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/QuorlDCW $(SAMPLE)

# The edit-compile-test loop: build with g++ and run ctest, nothing else.
check:
	CXX=g++ cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD) -j $(JOBS)
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# Every test with g++, then again built with clang's address and
# undefined-behaviour sanitizers, beside a short fuzz run: the fuzzer takes
# one core, and the tests wait on the programs they run as much as they
# compute. The fuzz run's report follows the tests'.
test: build
	@test -x $(BUILD)/tests/quorl_blackbox_tests || \
	  { echo "make test needs GoogleTest (Debian: apt-get install libgtest-dev)" >&2; exit 1; }
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	mkdir -p $(FUZZ_OUT)
	$(MAKE) fuzz FUZZ_SECONDS=$(CI_FUZZ_SECONDS) FUZZ_JOBS=1 >$(FUZZ_OUT)/make-test.log 2>&1 & \
	  fuzz=$$!; status=0; $(MAKE) sanitize-test || status=$$?; \
	  wait $$fuzz || status=$$?; cat $(FUZZ_OUT)/make-test.log; exit $$status

# The sanitized and fuzz builds link the SQLite that the plain build has
# compiled, where there is one, rather than compile the large file again.
BUILT_SQLITE = $(if $(wildcard $(BUILD)/libquorl_sqlite.a),-DQUORL_SQLITE_LIBRARY=$(abspath $(BUILD))/libquorl_sqlite.a)

sanitize-test:
	CC=clang CXX=clang++ cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORL_SANITIZE=ON $(BUILT_SQLITE)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ctest --output-on-failure -j $(JOBS)

# Fuzzes for FUZZ_SECONDS with FUZZ_JOBS processes; the corpus grows in
# $(FUZZ_OUT)/corpus, findings land in $(FUZZ_OUT)/findings.
fuzz:
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORL_FUZZ=ON -DQUORL_TESTS=OFF $(BUILT_SQLITE)
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target quorl_fuzz
	FUZZ_SECONDS=$(FUZZ_SECONDS) FUZZ_JOBS=$(FUZZ_JOBS) fuzz/run_fuzz.sh $(FUZZ_BUILD)/fuzz/quorl_fuzz $(FUZZ_OUT)

# Coverage of src/ reached by the seeds, the regressions and the corpus
# the fuzzer has grown.
fuzz-coverage:
	fuzz/coverage.sh $(COVERAGE_BUILD) fuzz/corpus fuzz/regressions $(FUZZ_OUT)/corpus

# Release build, 100 MB generated tables of each kind (made once), timings.
bench:
	cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DQUORL_TESTS=OFF
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target QuorlDCW
	bench/run_bench.sh $(BENCH_BUILD)/QuorlDCW $(BENCH_DATA) $(REALDATA)

# Instructions per run (valgrind) on 10 MB tables, the dump against the
# JSON outputs: repeatable where wall times are not.
bench-instructions:
	cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DQUORL_TESTS=OFF
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target QuorlDCW
	bench/count_instructions.sh $(BENCH_BUILD)/QuorlDCW $(BENCH_DATA)

# Instructions (valgrind) of feature layers against the -o geojson of the
# tables each reads: three DNC 17 layers and a generated coverage's lines,
# areas and blocks of faces (LAYER_COUNT_MB of edges, default 10).
bench-layers:
	cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DQUORL_TESTS=OFF
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target QuorlDCW
	bench/count_layer_instructions.sh $(BENCH_BUILD)/QuorlDCW $(BENCH_DATA) $(REALDATA)

# Every real feature table written as a GeoJSON layer, one process each,
# two at a time: the wall time of the whole.
bench-library:
	cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DQUORL_TESTS=OFF
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target QuorlDCW
	bench/write_all_layers.sh $(BENCH_BUILD)/QuorlDCW $(BENCH_DATA) $(REALDATA)

# Instructions (valgrind) and peak memory of -o gpkg against -o geojson of
# each layer: DNC 17's library and a generated coverage (GPKG_COUNT_MB of
# edges, default 100).
bench-gpkg:
	cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DQUORL_TESTS=OFF \
	  $(if $(SQLITE_DIR),-DQUORL_SQLITE_DIR=$(abspath $(SQLITE_DIR)))
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target QuorlDCW
	bench/count_gpkg_instructions.sh $(BENCH_BUILD)/QuorlDCW $(BENCH_DATA) $(REALDATA)

# DNC 17's whole database as one GeoPackage against its layers as GeoJSON,
# one process each: wall times and sizes.
bench-gpkg-database:
	cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DQUORL_TESTS=OFF \
	  $(if $(SQLITE_DIR),-DQUORL_SQLITE_DIR=$(abspath $(SQLITE_DIR)))
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target QuorlDCW
	bench/time_gpkg_database.sh $(BENCH_BUILD)/QuorlDCW $(BENCH_DATA) $(REALDATA)

# The cost of one run on a small table (STARTUP_TABLE) against an empty
# static C program, the floor: 200 runs each, in turn.
STARTUP_TABLE ?= testdata/sample/quorlbay/hyd/edg
bench-startup:
	cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DQUORL_TESTS=OFF
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target QuorlDCW
	$(CC) -O2 -static -o $(BENCH_BUILD)/empty_static bench/empty_main.c
	$(CXX) -std=c++17 -O2 -Wall -Wextra -o $(BENCH_BUILD)/startup_bench bench/startup_bench.cc
	$(BENCH_BUILD)/startup_bench 200 $(STARTUP_TABLE) $(BENCH_BUILD)/empty_static $(BENCH_BUILD)/QuorlDCW

# The long check of the number text: 100 million random float and double
# bit patterns each, the fixed-6 writers against the C library's printf and
# the shortest writers against std::to_chars, after a list of chosen values
# (a few minutes). NUMBERS sets the count, or NUMBERS=floats checks both
# float writers on every one of the 2^32 float bit patterns instead;
# NUMBERS_FLAGS=-DQUORL_PORTABLE_NUMBERS checks the plain bit helpers that
# hosts without a 128-bit type use.
check-numbers:
	mkdir -p $(BENCH_BUILD)
	$(CXX) -std=c++17 -O2 -Wall -Wextra -Isrc -pthread $(NUMBERS_FLAGS) \
	  -o $(BENCH_BUILD)/number_text_check bench/number_text_check.cc src/output/number_text.cc \
	  src/output/shortest_number.cc
	$(BENCH_BUILD)/number_text_check $(NUMBERS)

# Builds for s390x, i686, armhf, aarch64 (Linux) and Windows with Debian's
# cross toolchains (installed when missing) and runs the tests under
# qemu-user and wine; see tests/run_cross_test.sh.
cross-test:
	BUILD=$(BUILD) JOBS=$(JOBS) tests/run_cross_test.sh $(CROSS_TARGETS)

# Installs what cross-test needs where it is missing, and nothing more.
cross-tools:
	tests/run_cross_test.sh --install-only $(CROSS_TARGETS)

# The .deb and .tar.gz of this host alone, checked for what they must hold:
# the quick look at a package.
package:
	cmake -S . -B $(PACKAGE_BUILD) -DCMAKE_BUILD_TYPE=Release -DQUORL_TESTS=OFF
	cmake --build $(PACKAGE_BUILD) -j $(JOBS)
	cd $(PACKAGE_BUILD) && cpack
	tests/check_package.sh $(PACKAGE_BUILD)

# What a release publishes, in $(DIST): a .deb and a .tar.gz for amd64,
# arm64, i386, armhf and s390x, the Windows .zip and SHA256SUMS, each built
# by its cross toolchain (installed when missing) and checked under qemu-user
# and wine; see cmake/build_release.sh.
release:
	JOBS=$(JOBS) BUILD=$(BUILD) RELEASE_BUILD=$(RELEASE_BUILD) cmake/build_release.sh $(DIST)

# Every build and output folder; distclean also drops the generated
# benchmark tables and SQLite's one-file source, which take a while to
# make again.
clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(FUZZ_OUT) $(COVERAGE_BUILD) $(BENCH_BUILD) \
	  $(PACKAGE_BUILD) $(RELEASE_BUILD) $(DIST) $(addprefix build-,$(CROSS_TARGETS))

distclean: clean
	rm -rf $(BENCH_DATA) third_party

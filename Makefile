# Front door: `make run` dumps a sample table, `make test` runs every test.
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
SAMPLE ?= testdata/dnc13/browse/coa/cnd

BENCH_BUILD ?= build-release
BENCH_DATA ?= bench-data

.PHONY: all build run test bench check-numbers clean

all: build

build:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/QuorlDCW $(SAMPLE)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# Release build, 100 MB generated tables of each kind (made once), timings.
bench:
	cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DQUORL_TESTS=OFF
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target QuorlDCW
	bench/run_bench.sh $(BENCH_BUILD)/QuorlDCW $(BENCH_DATA)

# The long check of the number text: 100 million random float and double
# bit patterns each against the C library's printf (a few minutes).
check-numbers:
	mkdir -p $(BENCH_BUILD)
	$(CXX) -std=c++17 -O2 -Wall -Wextra -Isrc -pthread -o $(BENCH_BUILD)/number_text_check \
	  bench/number_text_check.cc src/rows/number_text.cc
	$(BENCH_BUILD)/number_text_check $(NUMBERS)

clean:
	rm -rf $(BUILD)

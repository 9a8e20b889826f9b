# The two commands of the README, and the steps they are made of.
PRESETS := native native-asan windows fuzz
FUZZ_SECONDS ?= 600
NPROC := $(shell nproc 2>/dev/null || echo 2)
export CMAKE_BUILD_PARALLEL_LEVEL ?= $(NPROC)
export CTEST_PARALLEL_LEVEL ?= $(NPROC)

.PHONY: run bench fuzz test bootstrap format check-format $(addprefix test-,$(PRESETS))

# Builds the native program and runs the benchmark on this terminal.
run: bootstrap
	cmake --preset native >/dev/null
	cmake --build --preset native --target stringchurn
	./build/native/program/stringchurn

# Builds the native Release preset's performance harness and runs it (a few minutes).
bench: bootstrap
	cmake --preset native >/dev/null
	cmake --build --preset native --target stringchurn_bench
	./build/native/bench/stringchurn_bench --benchmark_color=false

# Builds the fuzz targets and runs each for FUZZ_SECONDS (10 minutes unless
# given); what they find beyond the kept corpus goes to build/fuzz/fuzz/found/,
# and an input that fails to build/fuzz/.
fuzz: bootstrap
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz
	for target in read_line utf8 format; do \
	  build/fuzz/fuzz/fuzz_$$target -max_total_time=$(FUZZ_SECONDS) -max_len=1024 \
	    -print_final_stats=1 -artifact_prefix=build/fuzz/ build/fuzz/fuzz/found/$$target \
	    fuzz/corpus/$$target || exit 1; \
	done

# Builds every preset (the fuzz targets too), runs every test of each, and
# checks the formatting.
test: bootstrap $(addprefix test-,$(PRESETS)) check-format

$(addprefix test-,$(PRESETS)): test-%: bootstrap
	cmake --preset $* >/dev/null
	cmake --build --preset $*
	ctest --preset $*

bootstrap:
	tools/bootstrap

check-format:
	tools/check-format

format:
	git ls-files --cached --others --exclude-standard -- '*.cpp' '*.h' | xargs clang-format -i

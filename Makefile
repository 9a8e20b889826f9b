# The two commands of the README, and the steps they are made of.
PRESETS := native native-asan windows
NPROC := $(shell nproc 2>/dev/null || echo 2)
export CMAKE_BUILD_PARALLEL_LEVEL ?= $(NPROC)
export CTEST_PARALLEL_LEVEL ?= $(NPROC)

.PHONY: run bench test bootstrap format check-format $(addprefix test-,$(PRESETS))

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

# Builds all three presets, runs every test of each, and checks the formatting.
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

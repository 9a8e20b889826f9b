# The two commands of the README, the other commands it shows, and the steps they
# are made of. Each command installs only what it needs (tools/bootstrap).
PRESETS := native native-asan windows fuzz
FUZZ_SECONDS ?= 600
NPROC := $(shell nproc 2>/dev/null || echo 2)
export CMAKE_BUILD_PARALLEL_LEVEL ?= $(NPROC)
export CTEST_PARALLEL_LEVEL ?= $(NPROC)

.PHONY: run bench report runs-chart package fuzz test bootstrap bootstrap-native bootstrap-report \
	bootstrap-fuzz format \
	check-format $(addprefix test-,$(PRESETS))

# Builds the native program and runs the benchmark on this terminal.
run: bootstrap-native
	cmake --preset native >/dev/null
	cmake --build --preset native --target stringchurn
	./build/native/program/stringchurn

# Builds the native Release preset's performance harness and runs it (a few minutes).
bench: bootstrap-native
	cmake --preset native >/dev/null
	cmake --build --preset native --target stringchurn_bench
	./build/native/bench/stringchurn_bench --benchmark_color=false

# Runs the shipped benchmark whole with its progress on this terminal, keeps the
# progress in build/report/run.csv and draws it into build/report/run.png.
report: bootstrap-report
	cmake --preset native >/dev/null
	cmake --build --preset native --target stringchurn
	mkdir -p build/report
	./build/native/program/stringchurn --no-wait --csv build/report/run.csv
	tools/report -o build/report/run.png build/report/run.csv

# The chart of the README: the shipped benchmark run natively and as the .exe under
# Wine, one after the other on this machine, each with --compare and a JSON record
# (build/report/native.json, wine.json), drawn together into docs/runs.png; several
# minutes.
runs-chart: bootstrap
	cmake --preset native >/dev/null
	cmake --build --preset native --target stringchurn
	cmake --preset windows >/dev/null
	cmake --build --preset windows --target stringchurn
	mkdir -p build/report
	./build/native/program/stringchurn --no-wait --compare --json build/report/native.json
	WINEPREFIX="$(CURDIR)/build/windows/wineprefix" cmake/wine-run \
	  build/windows/program/stringchurn.exe --no-wait --compare --json build/report/wine.json
	tools/report -o docs/runs.png build/report/native.json build/report/wine.json

# The Debian package of the native program and the ZIP of the Windows program,
# in build/packages; the Debian package is checked against Debian's rules, and
# any hint of lintian, down to the informational ones, fails the command.
package: bootstrap
	cmake --preset native >/dev/null
	cmake --build --preset native --target stringchurn package_docs
	cd build/native && cpack -G DEB -B ../packages
	lintian -I --allow-root --fail-on error,warning,info build/packages/*.deb
	cmake --preset windows >/dev/null
	cmake --build --preset windows --target stringchurn
	cd build/windows && cpack -G ZIP -B ../packages
	rm -rf build/packages/_CPack_Packages
	@ls build/packages/*.deb build/packages/*.zip

# Builds the fuzz targets and runs each for FUZZ_SECONDS (10 minutes unless
# given); what they find beyond the kept corpus goes to build/fuzz/fuzz/found/,
# and an input that fails to build/fuzz/. The runtime they test is started afresh
# for each input, not ended, so leaks are left to the unit tests' LeakSanitizer.
fuzz: bootstrap-fuzz
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz
	for target in read_line utf8 format; do \
	  build/fuzz/fuzz/fuzz_$$target -max_total_time=$(FUZZ_SECONDS) -detect_leaks=0 \
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
	tools/bootstrap all

bootstrap-native:
	tools/bootstrap native

bootstrap-report:
	tools/bootstrap report

bootstrap-fuzz:
	tools/bootstrap fuzz

check-format: bootstrap
	tools/check-format

format: bootstrap
	tools/check-format --fix

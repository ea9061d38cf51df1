# The two entry points: `make run` and `make test`. Both install what the build needs first.
PACKAGES := cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev \
            qt6-base-dev xvfb xauth g++-mingw-w64-x86-64-posix \
            desktop-file-utils appstream dpkg-dev lintian man-db

RUN_BUILD   ?= build/release
TEST_BUILD  ?= build/asan
BENCH_BUILD ?= build/bench
PACKAGE_BUILD ?= build/package
CMAKE_ARGS  := -G Ninja -DVESTREL_WERROR=ON

.PHONY: run test bench package deps

deps:
	@scripts/install-deps $(PACKAGES)

# The tour of vestrel-cli on the virtual phone kept under the build tree.
run: deps
	cmake -S . -B $(RUN_BUILD) $(CMAKE_ARGS) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(RUN_BUILD)
	scripts/tour $(RUN_BUILD)/cli/vestrel-cli $(RUN_BUILD)/tour

# Every test run is also a memory-safety check: the test build carries ASan and UBSan.
test: deps
	cmake -S . -B $(TEST_BUILD) $(CMAKE_ARGS) -DCMAKE_BUILD_TYPE=Debug -DVESTREL_SANITIZE=ON
	cmake --build $(TEST_BUILD)
	cd $(TEST_BUILD) && LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure --timeout 600

# Benchmarks are measured on an optimised build without sanitizers.
bench: deps
	cmake -S . -B $(BENCH_BUILD) $(CMAKE_ARGS) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BENCH_BUILD)
	for b in $(BENCH_BUILD)/bench/*_bench; do $$b --benchmark_repetitions=5 --benchmark_report_aggregates_only=true; done

# A Debian package of an optimised build without tests: build/package/vestrel_*.deb.
package: deps
	cmake -S . -B $(PACKAGE_BUILD) $(CMAKE_ARGS) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DVESTREL_TESTS=OFF -DVESTREL_BENCH=OFF
	cmake --build $(PACKAGE_BUILD)
	cd $(PACKAGE_BUILD) && cpack

# The two entry points: `make run` and `make test`. Both install what the build needs first.
PACKAGES := cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev \
            qt6-base-dev xvfb xauth fonts-liberation g++-mingw-w64-x86-64-posix wine64 googletest python3 \
            desktop-file-utils appstream dpkg-dev lintian man-db \
            libusb-1.0-0-dev libudev-dev umockdev libumockdev-dev usb.ids nlohmann-json3-dev \
            nettle-dev nsis at-spi2-core dbus-daemon python3-gi gir1.2-atspi-2.0 x11-utils qt6-translations-l10n clang-format

RUN_BUILD   ?= build/run
TEST_BUILD  ?= build/asan
BENCH_BUILD ?= build/bench
WINDOWS_BUILD ?= build/windows
PACKAGE_BUILD ?= build/package
CMAKE_ARGS  := -G Ninja -DVESTREL_WERROR=ON

.PHONY: run test bench package deps windows windows-build windows-package

deps:
	@scripts/install-deps $(PACKAGES)

# The program on the virtual phone kept under the build tree, its window shown; without a
# display the command-line tour and pictures of the four windows (scripts/run-program).
# Only what it runs is built, in a folder of its own.
run: deps
	cmake -S . -B $(RUN_BUILD) $(CMAKE_ARGS) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DVESTREL_TESTS=OFF -DVESTREL_BENCH=OFF
	cmake --build $(RUN_BUILD) --target vestrel vestrel-cli vestrel-shot
	scripts/run-program $(RUN_BUILD)

# The Windows build: vestrel-cli.exe, the Qt-free libraries and their tests, cross-built with
# MinGW-w64; `make windows` also runs those tests and the tour under Wine.
windows-build: deps
	cmake -S . -B $(WINDOWS_BUILD) $(CMAKE_ARGS) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
	  -DCMAKE_BUILD_TYPE=Debug -DVESTREL_BENCH=OFF
	cmake --build $(WINDOWS_BUILD)

# The Windows installer, build/windows/vestrel-VERSION-setup.exe, made with NSIS.
windows-package: windows-build
	cmake --build $(WINDOWS_BUILD) --target windows-installer

WINE_RUN = env WINEPREFIX=$(CURDIR)/$(WINDOWS_BUILD)/wineprefix WINEDEBUG=-all \
  WINEDLLOVERRIDES=mscoree,mshtml= /usr/lib/wine/wine64

windows: windows-build
	ctest --test-dir $(WINDOWS_BUILD) --output-on-failure --timeout 600
	VESTREL_CLI_RUNNER="$(WINE_RUN)" scripts/tour $(WINDOWS_BUILD)/cli/vestrel-cli.exe \
	  $(WINDOWS_BUILD)/tour
	@echo; echo '$$ vestrel-cli.exe devices   (the Windows device backend, no phone attached)'
	$(WINE_RUN) $(WINDOWS_BUILD)/cli/vestrel-cli.exe devices

# Every test run is also a memory-safety check: the test build carries ASan and UBSan. The
# Windows build's tests run as one case of it (windows.tests_under_wine).
test: deps windows-build
	cmake -S . -B $(TEST_BUILD) $(CMAKE_ARGS) -DCMAKE_BUILD_TYPE=Debug -DVESTREL_SANITIZE=ON \
	  -DVESTREL_WINDOWS_BUILD=$(CURDIR)/$(WINDOWS_BUILD)
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

# The project's front door. `make demo` and `make test` install what is
# missing (Debian packages, as root), build, and run.
SHELL := /bin/bash
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)
export WINEDEBUG ?= -all

DEB_PACKAGES := cmake ninja-build g++ libgtest-dev libgmock-dev googletest libbenchmark-dev \
  libtinyxml2-dev nlohmann-json3-dev
DEB_WINDOWS := g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev wine64

.PHONY: deps deps-windows build build-asan build-win test test-native test-asan test-win demo bench clean

deps:
	@missing=$$(for p in $(DEB_PACKAGES); do dpkg -s $$p >/dev/null 2>&1 || echo $$p; done); \
	if [ -n "$$missing" ]; then echo "installing:" $$missing; \
	  (apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing) >/dev/null; fi

deps-windows:
	@missing=$$(for p in $(DEB_WINDOWS); do dpkg -s $$p >/dev/null 2>&1 || echo $$p; done); \
	if [ -n "$$missing" ]; then echo "installing:" $$missing; \
	  (apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing) >/dev/null; fi

build: deps
	cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) >/dev/null
	cmake --build build -j $(JOBS)

build-asan: deps
	cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLV_SANITIZE=ON -DLV_BENCH=OFF >/dev/null
	cmake --build build-asan -j $(JOBS)

build-win: deps deps-windows
	cmake -S . -B build-win -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake >/dev/null
	cmake --build build-win -j $(JOBS)

test-native: build
	cd build && ctest --output-on-failure -j $(JOBS)

test-asan: build-asan
	cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j $(JOBS)

# Each test program runs in a copy of one freshly booted wine prefix
# (cmake/wine-run.sh), so their registries are their own.
test-win: build-win
	root=$$(mktemp -d /tmp/lv-wine.XXXXXX) && \
	  WINEPREFIX=$$root/template /usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1; \
	  WINEPREFIX=$$root/template /usr/lib/wine/wineserver -w; \
	  cd build-win && LV_WINE_PREFIXES=$$root ctest --output-on-failure -j $(JOBS); rc=$$?; \
	  rm -rf $$root; exit $$rc

test: test-native test-asan test-win

demo: build
	@bash tools/demo.sh

bench: build
	@bash bench/run

clean:
	rm -rf build build-asan build-win

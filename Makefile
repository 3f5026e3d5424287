# Lumetto: `make demo` runs the program against the virtual board,
# `make test` builds and passes every test. Both set the machine up first.

BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=
LAUNCHER   := $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache,)

.PHONY: all setup build test sanitize bench demo format clean

all: build

setup:
	@scripts/setup.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(LAUNCHER) $(CMAKE_ARGS)

build: setup $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

# Every test, in the C locale and in the Italian one our users run.
test: build
	cd $(BUILD) && LANG=C.UTF-8 LC_ALL= ctest --output-on-failure -j $(JOBS)
	cd $(BUILD) && LANG=it_IT.UTF-8 LC_ALL= ctest --output-on-failure -j $(JOBS)

# The whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer.
sanitize: setup
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLUMETTO_SANITIZE=ON $(LAUNCHER) $(CMAKE_ARGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 LANG=it_IT.UTF-8 \
	  ctest --output-on-failure -j $(JOBS)

bench: build
	$(BUILD)/bench/bench_serial
	$(BUILD)/bench/bench_lettura

# Until the main window lands, the demo is the virtual board on COM13 by itself.
demo: build
	@echo "The main window is not built yet: starting the virtual board on COM13 (Ctrl+C ends it)."
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then $(BUILD)/scheda/lumetto-scheda --sketch tutti; \
	 else $(BUILD)/scheda/lumetto-scheda --headless --sketch tutti; fi

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)

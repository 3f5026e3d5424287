# Lumetto: `make demo` runs the program against the virtual board,
# `make test` builds and passes every test. Both set the machine up first.

BUILD      ?= build
ASAN_BUILD ?= build-asan
RELEASE_BUILD ?= build-release
TSAN_BUILD ?= build-tsan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=
# Looked for when a build is configured, after the set-up has installed it.
LAUNCHER    = $$(command -v ccache >/dev/null && echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
# Our own builds treat warnings as errors, and build and test the board's
# sketches on the emulated board; a user's plain cmake build does neither.
OWN        := -DLUMETTO_WERROR=ON -DLUMETTO_FIRMWARE=ON
FIRMWARE_BUILD ?= build-firmware
SKETCH     ?=
PORT       ?= /dev/ttyACM0

.PHONY: all setup build test test-fresh test-contenitore install-test sanitize tsan fuzz bench demo classe-demo format clean deb deb-test \
        firmware firmware-zip flash cablaggi

all: build

setup:
	@scripts/setup.sh

$(BUILD)/build.ninja: | setup
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(OWN) $(LAUNCHER) $(CMAKE_ARGS)

build: setup $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

# Every test, in the C locale and in the Italian one our users run.
test: build
	cd $(BUILD) && LANG=C.UTF-8 LC_ALL= ctest --output-on-failure -j $(JOBS)
	cd $(BUILD) && LANG=it_IT.UTF-8 LC_ALL= ctest --output-on-failure -j $(JOBS)

# Every sketch of the Lumetto Arduino library for the Uno, with its flash and
# RAM; the library as a .zip for the Arduino IDE; one sketch uploaded
# (make flash SKETCH=Sonar PORT=/dev/ttyACM0; AVRDUDE_FLAGS=-n for a dry run).
firmware: setup
	$(MAKE) -C firmware BUILD=$(CURDIR)/$(FIRMWARE_BUILD) all dimensioni

firmware-zip: build
	@echo $(CURDIR)/$(BUILD)/arduino/Lumetto.zip

flash: setup
	$(MAKE) -C firmware BUILD=$(CURDIR)/$(FIRMWARE_BUILD) flash SKETCH=$(SKETCH) PORT=$(PORT)

# The sketches' wiring from firmware/cablaggi.toml: the table in each
# sketch's comment, the wiring table of docs/ARCHITECTURE.md and the guide's
# pictures.
cablaggi:
	python3 firmware/cablaggi.py --commenti --documento docs/ARCHITECTURE.md --svg docs/guide/wiring

# The README's install section into a temporary prefix, with no warning, and
# the installed program started once to see it find its default plants.
install-test: setup
	BUILD_RELEASE=$(RELEASE_BUILD) scripts/prova-installazione.sh

# The built suite again as root of a user namespace without CAP_SYS_ADMIN,
# as in a container (see the script).
test-contenitore: build
	JOBS=$(JOBS) scripts/prova-contenitore.sh $(BUILD)

# The Debian package, checked by lintian, appstreamcli and desktop-file-validate.
deb: setup
	scripts/pacchetto.sh

# The package installed, used and purged on a fresh Debian 12 root (as root).
deb-test: deb
	scripts/prova-fresca.sh --pacchetto build-deb/lumetto_$$(head -n1 VERSION)_$$(dpkg --print-architecture).deb

# The README's Quick start on a fresh Debian 12 root, as a user and then as
# root (as root; see the script). Under CI=true, or with
# `scripts/prova-fresca.sh --severo`, what cannot run fails.
test-fresh:
	scripts/prova-fresca.sh

# The whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer.
sanitize: setup
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLUMETTO_SANITIZE=ON $(OWN) $(LAUNCHER) $(CMAKE_ARGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 LANG=it_IT.UTF-8 \
	  ctest --output-on-failure -j $(JOBS)

# The serial component's tests under ThreadSanitizer, three times over to meet
# more interleavings of the event thread and the main thread.
tsan: setup
	cmake -S . -B $(TSAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMETTO_TSAN=ON $(OWN) \
	  -DLUMETTO_BUILD_BENCH=OFF $(LAUNCHER) $(CMAKE_ARGS)
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target serial_tests classe_tests pubblicazione_tests
	cd $(TSAN_BUILD) && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 \
	  suppressions=$(CURDIR)/tests/serial/tsan.supp" LANG=it_IT.UTF-8 \
	  tests/serial_tests --gtest_repeat=3 --gtest_brief=1
	# The class broker's network thread, and a bench's acknowledgements
	# handed to its main thread, against a real Mosquitto.
	cd $(TSAN_BUILD) && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" LANG=it_IT.UTF-8 \
	  tests/classe_tests --gtest_filter='Mqtt*' --gtest_brief=1
	cd $(TSAN_BUILD) && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" LANG=it_IT.UTF-8 \
	  tests/pubblicazione_tests --gtest_filter='Pubblicazione.*-*Thirty*' --gtest_brief=1

# Every fuzz target (clang, libFuzzer) for FUZZ_SECONDS each; see fuzz/corri.sh.
fuzz: setup
	FUZZ_SECONDS=$(FUZZ_SECONDS) FUZZ_BUILD=$(FUZZ_BUILD) JOBS=$(JOBS) fuzz/corri.sh

bench: build
	$(BUILD)/bench/bench_serial
	$(BUILD)/bench/bench_lettura
	QT_QPA_PLATFORM=offscreen $(BUILD)/bench/bench_log
	$(BUILD)/bench/bench_immagine
	QT_QPA_PLATFORM=offscreen $(BUILD)/bench/bench_sovrapposizione
	QT_QPA_PLATFORM=offscreen $(BUILD)/bench/bench_grafico
	$(BUILD)/bench/bench_export
	$(BUILD)/bench/bench_soak
	$(BUILD)/bench/bench_firmware
	$(BUILD)/bench/bench_libero
	$(BUILD)/bench/bench_righe
	QT_QPA_PLATFORM=offscreen $(BUILD)/bench/bench_flusso
	$(BUILD)/bench/bench_analisi
	$(BUILD)/bench/bench_archivio
	QT_QPA_PLATFORM=offscreen $(BUILD)/bench/bench_classe
	QT_QPA_PLATFORM=offscreen $(BUILD)/bench/bench_docente

# The program against the virtual board on COM13: the board's window beside
# the program's, the program started once the board's COM13 link leads to its
# pseudo-terminal; closing the program ends the board too.
demo: build
	@if [ -z "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
	  echo "make demo needs a graphical session (no DISPLAY): try 'xvfb-run make demo'"; exit 1; fi
	@$(BUILD)/board/lumetto-scheda --sketch tutti & scheda=$$!; \
	 com13="$$HOME/.lumetto/dosdevices/com13"; \
	 for _ in $$(seq 100); do \
	   [ -e "$$com13" ] && break; \
	   kill -0 $$scheda 2>/dev/null || { echo "make demo: the virtual board ended at start-up"; exit 1; }; \
	   sleep 0.1; \
	 done; \
	 if [ ! -e "$$com13" ]; then \
	   echo "make demo: the virtual board made no COM13 link in 10 s"; kill $$scheda; exit 1; fi; \
	 $(BUILD)/app/lumetto; kill $$scheda 2>/dev/null; wait $$scheda 2>/dev/null; true

# A class on this computer: the school's Mosquitto configuration on a free
# local port, three virtual benches with three experiments, and the teacher's
# window; closing it ends everything.
classe-demo: build
	@scripts/classe-demo.sh $(BUILD)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD) $(RELEASE_BUILD) $(FIRMWARE_BUILD)

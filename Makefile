# Front door of the project: set-up, release build, tests, sanitizer run and a demo session.
# Everything is built by CMake; this file only chooses build directories and options.
#
#   make            release build at build/gro-region
#   make run        release build, then the tool in build/demo/ with the example .gro files
#   make test       build everything and run every test (ctest)
#   make sanitize   AddressSanitizer + UndefinedBehaviorSanitizer build in build-sanitize/, all tests
#   make tsan       ThreadSanitizer build in build-tsan/, the tests of the code that runs threads
#   make deps       check (and as root install) cmake, g++ and GoogleTest
#   make test-deps  check (and as root install) the programs only tests use
#   make fuzz       every fuzzing harness for FUZZ_SECONDS each (default 60), in build-fuzz/
#   make install    the release binary and its manual page under PREFIX (default /usr/local),
#                   below DESTDIR when it is set
#   make clean      remove build/, build-sanitize/ and build-tsan/

JOBS ?= 2
BUILD := build
SANITIZE_BUILD := build-sanitize
TSAN_BUILD := build-tsan
# Debian packages the build needs; make itself is assumed.
PACKAGES := cmake g++ libgtest-dev

PREFIX ?= /usr/local

.PHONY: all deps test-deps configure run test sanitize tsan install clean

# The tail of every set-up target: the Debian packages named in $$missing (each with a
# leading blank) are installed as root with apt-get; otherwise the exact command is printed
# and $(1) runs ("exit 1" stops make). Nothing comes from anywhere but the package sources.
define install_missing
if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" = 0 ] && command -v apt-get >/dev/null 2>&1; then \
	    echo "Installing:$$missing"; \
	    DEBIAN_FRONTEND=noninteractive apt-get update && \
	    DEBIAN_FRONTEND=noninteractive apt-get install -y $$missing || exit 1; \
	  else \
	    echo "Missing:$$missing. Install them with:"; \
	    echo "  sudo apt-get install -y$$missing"; \
	    $(1); \
	  fi; \
	fi
endef

all: $(BUILD)/gro-region

# Always ask CMake: it knows whether anything changed, and the build type stays Release.
$(BUILD)/gro-region: configure
	cmake --build $(BUILD) --target gro-region -j$(JOBS)

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release

# The build needs cmake, g++ and GoogleTest (headers plus the library or its sources).
# As root the missing packages are installed with apt-get; otherwise the exact command is
# printed and make stops. Nothing is fetched from anywhere but the system's package sources.
deps:
	@missing=""; \
	command -v cmake >/dev/null 2>&1 || missing="$$missing cmake"; \
	command -v g++ >/dev/null 2>&1 || missing="$$missing g++"; \
	if [ ! -f /usr/include/gtest/gtest.h ] || \
	   { ! ls /usr/lib/*/libgtest.* /usr/lib/libgtest.* >/dev/null 2>&1 && \
	     [ ! -d /usr/src/googletest ]; }; then missing="$$missing libgtest-dev"; fi; \
	$(call install_missing,exit 1)

# Programs that only tests use: rsvg-convert renders the selection picture, xmllint parses
# it and python3 reads the rendered pixels. Installed like deps; the tool itself never needs
# them, so a plain build does not ask for them.
test-deps:
	@missing=""; \
	command -v rsvg-convert >/dev/null 2>&1 || missing="$$missing librsvg2-bin"; \
	command -v xmllint >/dev/null 2>&1 || missing="$$missing libxml2-utils"; \
	command -v python3 >/dev/null 2>&1 || missing="$$missing python3"; \
	$(call install_missing,echo "(the picture tests are skipped without them)")

# A scratch directory with the example files; the tool writes its results there, never into
# the source tree.
run: all
	@mkdir -p $(BUILD)/demo
	@cp examples/*.gro $(BUILD)/demo/
	@echo "Starting gro-region in $(BUILD)/demo (example files: $$(cd examples && echo *.gro))"
	@cd $(BUILD)/demo && ../gro-region

test: configure test-deps
	cmake --build $(BUILD) -j$(JOBS)
	ctest --test-dir $(BUILD) --output-on-failure

sanitize: deps test-deps
	cmake -S . -B $(SANITIZE_BUILD) -DGRO_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(SANITIZE_BUILD) -j$(JOBS)
	UBSAN_OPTIONS=print_stacktrace=1 ctest --test-dir $(SANITIZE_BUILD) --output-on-failure

# cmake --install reads DESTDIR from the environment.
install: all
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

# The loader, the passes and the atom-line writer work on several threads: their tests, under
# ThreadSanitizer.
TSAN_TESTS := atom_lines_test atom_table_test passes_test block_input_test result_files_test \
              stream_engine_test crew_test
tsan: deps
	cmake -S . -B $(TSAN_BUILD) -DGRO_TSAN=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(TSAN_BUILD) -j$(JOBS) --target $(TSAN_TESTS)
	TSAN_OPTIONS=halt_on_error=1 ctest --test-dir $(TSAN_BUILD) --output-on-failure \
	  -R '^(BulkLoadTest|ConvertAtomLines|LoaderTest|Passes|BlockInput|ResultFilesTest|Crew)\.|^StreamEngineTest\.Parallel'

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD) $(TSAN_BUILD)

# ---------------------------------------------------------------------------------------
# Further targets (make fuzz, make bench) go below this line.

# make fuzz: every libFuzzer harness of fuzz/ for FUZZ_SECONDS each (default 60), built with
# clang++ in build-fuzz/. A crash, sanitizer report, hang or memory blow-up fails it; the
# input is kept under build-fuzz/artifacts/. Needs clang and its fuzzer runtime: installed
# as root, otherwise the command is printed.
FUZZ_SECONDS ?= 60
FUZZ_PACKAGES := clang libclang-rt-14-dev

.PHONY: fuzz fuzz-deps

fuzz-deps:
	@missing=""; \
	command -v clang++ >/dev/null 2>&1 || missing=" $(FUZZ_PACKAGES)"; \
	if [ -z "$$missing" ] && ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-*.a \
	     >/dev/null 2>&1; then missing=" libclang-rt-14-dev"; fi; \
	$(call install_missing,exit 1)

fuzz: deps fuzz-deps
	FUZZ_SECONDS=$(FUZZ_SECONDS) FUZZ_JOBS=$(JOBS) bash fuzz/run_fuzz.sh

# Two entry points, each doing all of its own set-up on a fresh Debian 12 machine:
#   make run   - install what is missing, build, start Quillmere
#   make test  - install what is missing, build, run every test headless
BUILD ?= build
JOBS  ?= $(shell nproc)

# What the program needs to build and run (libgsf opens the compound files of legacy .xls
# workbooks; LibreOffice converts them, and other legacy formats, for copying; Carlito, Caladea
# and Liberation have the widths of the office fonts that charts name), and what the tests add
# on top (xlsxwriter makes test workbooks with real charts; poppler reads the PDFs LibreOffice
# makes of our presentations; python3-uno and ImageMagick let tools/compare-charts.py have
# LibreOffice draw charts and score the differences; locales has the sources from which the
# tests compile the German, French and US locales they draw numbers in; libxml2-utils has the
# xmllint that checks our decks against the ECMA-376 schemas).
RUN_PKGS  = cmake g++ make pkg-config qt6-base-dev qt6-svg-dev libzip-dev zlib1g-dev libpugixml-dev libgsf-1-dev \
            fonts-liberation fonts-liberation2 \
            fonts-crosextra-carlito fonts-crosextra-caladea \
            libreoffice-calc-nogui libreoffice-impress-nogui
TEST_PKGS = $(RUN_PKGS) python3 python3-xlsxwriter python3-uno imagemagick poppler-utils xvfb xauth locales \
            libxml2-utils
# The test and benchmark programs' libraries, and the checkers of the installed desktop files.
TEST_PKGS += libgtest-dev libgmock-dev libbenchmark-dev $(PACKAGE_PKGS) \
             lintian desktop-file-utils appstream man-db bash-completion
# What `make package` adds: dpkg-shlibdeps (dpkg-dev) and file, which CPack's Debian generator runs.
PACKAGE_PKGS = dpkg-dev file

.PHONY: run test test-sanitized build bench package deps-run deps-test deps-package deps-fuzz configure clean fuzz fuzz-run

# Only the program and the command line: no tests, benchmarks or fuzz replays (and so neither
# GoogleTest nor Benchmark).
run: deps-run
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLMERE_TESTS=OFF
	cmake --build $(BUILD) -j$(JOBS) --target quillmere quillmere-cli
	$(BUILD)/bin/quillmere

# The Debian package, build/quillmere_<version>_<arch>.deb; install it with
# `sudo apt install ./build/quillmere_*.deb`.
package: deps-package
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLMERE_TESTS=OFF
	cmake --build $(BUILD) -j$(JOBS)
	cd $(BUILD) && cpack -G DEB

# The suite, then the fuzz targets' replays in the sanitizer build (test-sanitized).
test: deps-test build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS)
	$(MAKE) test-sanitized

# The seeds, the kept inputs of past findings and the findings in FUZZ_FINDINGS (by default the
# campaigns' folder beside the checkout, when there is one), replayed through every fuzz target
# under AddressSanitizer and UndefinedBehaviorSanitizer in a build folder of its own that holds
# only the engine and the replay programs: a memory error or undefined behaviour fails the run.
SANITIZE_BUILD ?= build-sanitize
FUZZ_FINDINGS  ?= $(wildcard ../shared/fuzz-findings)

test-sanitized: deps-test
	cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLMERE_SANITIZE=ON \
	  -DQUILLMERE_FUZZ_FINDINGS=$(if $(FUZZ_FINDINGS),$(abspath $(FUZZ_FINDINGS)))
	cmake --build $(SANITIZE_BUILD) -j$(JOBS) --target quillmere_replays
	cd $(SANITIZE_BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS)

bench: deps-test build
	cd $(BUILD) && for b in bin/quillmere_bench_*; do echo "== $$b"; QT_QPA_PLATFORM=offscreen ./$$b || exit 1; done

deps-run:
	@./tools/ensure-packages $(RUN_PKGS)

deps-test:
	@./tools/ensure-packages $(TEST_PKGS)

deps-package:
	@./tools/ensure-packages $(RUN_PKGS) $(PACKAGE_PKGS)

configure:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLMERE_TESTS=ON

build: configure
	cmake --build $(BUILD) -j$(JOBS)

clean:
	rm -rf $(BUILD) $(FUZZ_BUILD) $(SANITIZE_BUILD)

# Fuzzing: the engine's fuzz targets built with clang, libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer and clang's source-based coverage in a build folder of their own
# (`make test` replays their seeds and kept inputs in the plain and the sanitizer build).
# `make fuzz-run` runs every target (FUZZ_TARGETS="a b" for some) for SECONDS each, keeps going
# after a finding, merges each grown corpus under $(FUZZ_BUILD)/corpus and prints what it
# covers; findings land in $(FUZZ_BUILD)/findings/<target>/ and fail the run at the end (see
# tools/fuzz-run).
FUZZ_BUILD   ?= build-fuzz
FUZZ_TARGETS ?=
SECONDS      ?= 60

deps-fuzz:
	@./tools/ensure-packages $(TEST_PKGS) clang libclang-rt-14-dev llvm

fuzz: deps-fuzz
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLMERE_FUZZ=ON \
	  -DQUILLMERE_FUZZ_COVERAGE=ON
	cmake --build $(FUZZ_BUILD) -j$(JOBS) --target quillmere_fuzzers

fuzz-run: fuzz
	FUZZ_BUILD=$(FUZZ_BUILD) SECONDS_PER_TARGET=$(SECONDS) ./tools/fuzz-run $(FUZZ_TARGETS)

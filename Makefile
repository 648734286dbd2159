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
# LibreOffice draw charts and score the differences).
RUN_PKGS  = cmake g++ make pkg-config qt6-base-dev libzip-dev zlib1g-dev libpugixml-dev libxlsxwriter-dev libgsf-1-dev \
            libgtest-dev libgmock-dev libbenchmark-dev fonts-liberation fonts-liberation2 \
            fonts-crosextra-carlito fonts-crosextra-caladea \
            libreoffice-calc-nogui libreoffice-impress-nogui
TEST_PKGS = $(RUN_PKGS) python3 python3-xlsxwriter python3-uno imagemagick poppler-utils xvfb xauth

.PHONY: run test build bench deps-run deps-test configure clean

run: deps-run build
	$(BUILD)/bin/quillmere

test: deps-test build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS)

bench: deps-test build
	cd $(BUILD) && for b in bin/quillmere_bench_*; do echo "== $$b"; QT_QPA_PLATFORM=offscreen ./$$b || exit 1; done

deps-run:
	@./tools/ensure-packages $(RUN_PKGS)

deps-test:
	@./tools/ensure-packages $(TEST_PKGS)

configure:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build $(BUILD) -j$(JOBS)

clean:
	rm -rf $(BUILD)

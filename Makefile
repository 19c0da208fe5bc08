# make run   start the program under Wine against the simulated controller
#            (ARCH=win32: the i686 release, as it ships, under the new-WoW64 Wine)
# make test  build everything and run every test
# make build build the three presets: native, win64, win32
# make bench start-up against a bare window, and footprint, into build/bench/results.md
#            (SAVE=1: into the tracked bench/results.md)
# make tour  screenshots of every screen into docs/tour/
# make dist  the release package in dist/; it needs the maker's support wiki:
#            make dist KORVANI_SUPPORT_WIKI=https://... (built in build/release)
# make soak  300 update passes in one process (a short version runs in make test)

PRESETS := win32 win64 native

.PHONY: all setup build run test bench soak tour dist clean $(addprefix build-,$(PRESETS))

all: build

# The new-WoW64 Wine (and where needed the emulated PC) only for what runs the i686 release.
WOW64 := $(if $(filter test bench tour,$(MAKECMDGOALS))$(filter win32,$(ARCH)),yes,no)

setup:
	@KORVANI_SETUP_WOW64=$(WOW64) scripts/setup.sh

build: setup $(addprefix build-,$(PRESETS))

$(addprefix build-,$(PRESETS)): build-%: setup
	@cmake --preset $* >/dev/null
	@cmake --build --preset $*

ARCH ?= win64

run: setup build-$(ARCH)
	@ARCH=$(ARCH) scripts/run.sh

test: build
	@scripts/test.sh

bench: setup build-win64 build-win32
	@KORVANI_BENCH_SAVE=$(SAVE) bench/run_bench.sh

tour: setup build-win64 build-win32
	@tour/run_tour.sh

# The release with the maker's wiki is built in a folder of its own: the
# tests' builds keep the address their expected texts name.
ifdef KORVANI_SUPPORT_WIKI
dist: setup
	@cmake --preset win32 -B build/release -DKORVANI_SUPPORT_WIKI='$(KORVANI_SUPPORT_WIKI)' >/dev/null
	@cmake --build build/release --target KorvaniFWUpdater
	@KORVANI_RELEASE_BUILD=build/release scripts/dist.sh
else
dist: setup build-win32
	@scripts/dist.sh
endif

soak: setup build-win64
	@KORVANI_SOAK_PASSES=300 tests/e2e/run_under_wine.sh build/win64 --gtest_filter='Endurance.*'

clean:
	rm -rf build dist

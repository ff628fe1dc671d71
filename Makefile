# Packgate: the two commands a newcomer needs are `make run` and `make test` (or, on a machine
# without make, `./packgate run` and `./packgate test`). Every target first makes sure the
# Debian packages of debian-packages.txt are present.

BUILD   ?= build
PREFIX  ?= /usr/local
JOBS    ?= $(shell nproc 2>/dev/null || echo 2)
CONFIG  ?= RelWithDebInfo
WERROR  ?= OFF
SANITIZE ?=
CMAKE_ARGS ?=

# Fuzzing (`make fuzz`): libFuzzer programs built by clang in their own folder, each run for
# FUZZ_SECONDS seconds from its checked-in corpus. The ordinary build replays the corpora.
FUZZ_BUILD   ?= build-fuzz-clang
FUZZ_SECONDS ?= 60
FUZZ_DEBS := clang libclang-rt-14-dev

.PHONY: all deps configure build test run demo bench install clean fuzz reliability deb deb-check

all: build

deps:
	@bash ./packgate deps

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(CONFIG) -DPACKGATE_WERROR=$(WERROR) \
	    -DPACKGATE_SANITIZE="$(SANITIZE)" $(CMAKE_ARGS)

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# Only what the demo needs, so a first run does not wait for the whole test suite to build.
run: configure
	@cmake --build $(BUILD) -j $(JOBS) --target packgate-installer packgate-inbox
	@$(MAKE) --no-print-directory demo

# The demo on what `run` built, with the maker's inbox on a loopback port receiving the pane's
# reports. Leaving the installer without installing (quitting, going back: exit 3; Ctrl-C:
# exit 130) is one way for a demo to end, not a failure to report.
demo:
	@bash installer/demo/run_with_inbox.sh $(BUILD) || { code=$$?; [ $$code -eq 3 ] || [ $$code -eq 130 ]; }

bench: build
	@for b in $(BUILD)/bench/bench_*; do [ -x "$$b" ] && "$$b" || exit 1; done

install: build
	@cmake --install $(BUILD) --prefix $(PREFIX)

clean:
	rm -rf $(BUILD)

fuzz:
	@bash ./packgate deps $(FUZZ_DEBS)
	@cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
	    -DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link \
	    -DPACKGATE_SANITIZE=address,undefined -DPACKGATE_FUZZ=ON \
	    -DPACKGATE_TESTS=OFF -DPACKGATE_BENCH=OFF
	@cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzzers
	@python3 fuzz/run_fuzzers.py $(FUZZ_BUILD) $(FUZZ_SECONDS)

# Fault injection (`make reliability`): the fault tests, then one line per family of faults.
reliability: configure
	@cmake --build $(BUILD) -j $(JOBS) --target reliability_tests
	@rm -f $(BUILD)/reliability-tally.txt
	@PACKGATE_TALLY_FILE=$(CURDIR)/$(BUILD)/reliability-tally.txt \
	    $(BUILD)/tests/reliability/reliability_tests --gtest_brief=1 || status=$$?; \
	python3 tests/reliability/tally_summary.py $(BUILD)/reliability-tally.txt && exit $${status:-0}

# Debian packages (`make deb`): dpkg-buildpackage on a copy of the source tree, the packages
# and lintian's verdict in DEB_BUILD. `make deb-check` (root) installs them on a bare Debian 12.
DEB_BUILD ?= build-deb
DEB_CMAKE_ARGS ?=
DEB_TOOLS := debhelper dpkg-dev fakeroot lintian

deb:
	@bash ./packgate deps $(DEB_TOOLS)
	@JOBS=$(JOBS) PACKGATE_DEB_CMAKE_ARGS="$(DEB_CMAKE_ARGS)" bash packaging/build_debs.sh $(DEB_BUILD)

deb-check: deb
	@bash ./packgate deps debootstrap
	@bash packaging/deb_check.sh $(DEB_BUILD)

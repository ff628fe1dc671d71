# Packgate: the two commands a newcomer needs are `make run` and `make test`.
# Every target first makes sure the Debian packages below are present.

BUILD   ?= build
PREFIX  ?= /usr/local
JOBS    ?= $(shell nproc 2>/dev/null || echo 2)
CONFIG  ?= RelWithDebInfo
WERROR  ?= OFF
SANITIZE ?=
CMAKE_ARGS ?=

DEBS := cmake make g++ pkg-config binutils libxml2-dev libcurl4-openssl-dev ca-certificates \
        libgtest-dev libgmock-dev libbenchmark-dev libncurses-dev libssl-dev \
        nlohmann-json3-dev python3 openssl tmux

.PHONY: all deps configure build test run bench install clean

all: build

deps:
	@missing=""; for p in $(DEBS); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' \
	        || missing="$$missing $$p"; \
	done; \
	if [ -z "$$missing" ]; then exit 0; fi; \
	if [ "$$(id -u)" = 0 ]; then \
	    echo "Installing:$$missing"; \
	    export DEBIAN_FRONTEND=noninteractive; \
	    apt-get update -q && apt-get install -y -q --no-install-recommends $$missing; \
	else \
	    echo "Missing Debian packages. Run as root:"; \
	    echo "  apt-get install -y$$missing"; \
	    exit 1; \
	fi

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(CONFIG) -DPACKGATE_WERROR=$(WERROR) \
	    -DPACKGATE_SANITIZE="$(SANITIZE)" $(CMAKE_ARGS)

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

run: build
	@if [ -x $(BUILD)/installer/packgate-installer ]; then \
	    $(BUILD)/installer/packgate-installer --demo; \
	else \
	    echo "Built the libraries in $(BUILD)/; the installer program is not part of this build yet."; \
	fi

bench: build
	@for b in $(BUILD)/bench/bench_*; do [ -x "$$b" ] && "$$b" || exit 1; done

install: build
	@cmake --install $(BUILD) --prefix $(PREFIX)

clean:
	rm -rf $(BUILD)

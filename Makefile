# The two commands: `make run` starts the program, `make test` runs every test (and builds the
# optimised configuration, where the benchmarks' numbers come from, with warnings as errors too).
JOBS ?= $(shell nproc)
RUN_DIR ?= $(CURDIR)/workdir
# `make run` attaches the simulated device as COM $(DEVSIM_COM); DEVSIM=0 leaves it out.
DEVSIM ?= 1
DEVSIM_COM ?= 99
QRV4_PORTS ?= $(RUN_DIR)/ports
# `make run` builds only what it runs, in the optimised configuration: its objects are those of
# build-rel, so the compiler cache compiles each source once for both.
RUN_TARGETS = qrv4 qrv4-devsim

# The tests' build: clang, so that the fuzz targets (built with libFuzzer) link the same objects
# as the tests, under the address and undefined-behaviour sanitizers.
TEST_CONFIG = -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQRV4_SANITIZE=address -DQRV4_FUZZ=ON \
	-DQRV4_BENCH=OFF -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++

.PHONY: run build-run test setup configure-test

setup:
	@scripts/setup

run: build-run
	@DEVSIM=$(DEVSIM) DEVSIM_COM=$(DEVSIM_COM) QRV4_PORTS="$(QRV4_PORTS)" scripts/run build "$(RUN_DIR)"

build-run: setup
	@cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DQRV4_BENCH=OFF >/dev/null
	@cmake --build build -j $(JOBS) --target $(RUN_TARGETS)

# The tests also start the program of `make run`, as a user does; when root runs them, they run
# a second time as an unprivileged user.
test: export QRV4_RUN_BUILD = $(CURDIR)/build
test: build-run configure-test
	@cmake --build build-test -j $(JOBS)
	@cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQRV4_SANITIZE=thread >/dev/null
	@cmake --build build-tsan -j $(JOBS) --target qrv4_thread_tests
	@cmake -S . -B build-rel -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
	@cmake --build build-rel -j $(JOBS)
	@ctest --test-dir build-test --output-on-failure -j $(JOBS) -LE fuzz
	@scripts/test-unprivileged build-test --output-on-failure -j $(JOBS) -LE fuzz
	@ctest --test-dir build-tsan --output-on-failure -j $(JOBS) -L thread
	@JOBS=$(JOBS) scripts/fuzz

configure-test: setup
	@cmake -S . -B build-test $(TEST_CONFIG) >/dev/null

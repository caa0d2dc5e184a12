# The two commands: `make run` starts the program, `make test` runs every test.
JOBS ?= $(shell nproc)
RUN_DIR := $(CURDIR)/workdir

.PHONY: run test setup

setup:
	@scripts/setup

run: setup
	@cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF >/dev/null
	@cmake --build build -j $(JOBS)
	@mkdir -p $(RUN_DIR)
	@cd $(RUN_DIR) && $(CURDIR)/build/qrv4

test: setup
	@cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQRV4_SANITIZE=address >/dev/null
	@cmake --build build-test -j $(JOBS)
	@cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQRV4_SANITIZE=thread >/dev/null
	@cmake --build build-tsan -j $(JOBS) --target qrv4_thread_tests
	@ctest --test-dir build-test --output-on-failure -j $(JOBS)
	@ctest --test-dir build-tsan --output-on-failure -j $(JOBS) -L thread

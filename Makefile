# The two commands: `make run` starts the program, `make test` runs every test.
JOBS ?= $(shell nproc)
RUN_DIR := $(CURDIR)/workdir
# `make run` attaches the simulated device as COM $(DEVSIM_COM); DEVSIM=0 leaves it out.
DEVSIM ?= 1
DEVSIM_COM ?= 1
QRV4_PORTS ?= $(RUN_DIR)/ports

.PHONY: run test setup

setup:
	@scripts/setup

run: setup
	@cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF >/dev/null
	@cmake --build build -j $(JOBS)
	@mkdir -p $(RUN_DIR) $(QRV4_PORTS)
	@cd $(RUN_DIR) && export QRV4_PORTS="$(QRV4_PORTS)"; sim=; \
	if [ "$(DEVSIM)" != 0 ]; then \
		$(CURDIR)/build/qrv4-devsim --com $(DEVSIM_COM) --sample-book --archive 300 > devsim.log 2>&1 & sim=$$!; \
		for i in $$(seq 50); do [ -e "$(QRV4_PORTS)/com$(DEVSIM_COM)" ] && break; sleep 0.1; done; \
	fi; \
	$(CURDIR)/build/qrv4; status=$$?; \
	[ -z "$$sim" ] || kill $$sim; exit $$status

test: setup
	@cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQRV4_SANITIZE=address >/dev/null
	@cmake --build build-test -j $(JOBS)
	@cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQRV4_SANITIZE=thread >/dev/null
	@cmake --build build-tsan -j $(JOBS) --target qrv4_thread_tests
	@ctest --test-dir build-test --output-on-failure -j $(JOBS)
	@ctest --test-dir build-tsan --output-on-failure -j $(JOBS) -L thread

# Two commands do all the set-up: `make run` and `make test`.
BUILD ?= build
JOBS ?= 2
CMAKE_FLAGS ?=

.PHONY: deps configure build run test bench sanitize install package clean

deps:
	scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j$(JOBS)

run: build
	$(BUILD)/app/tarvol

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS)

bench: build
	$(BUILD)/bench/tarvol_bench

sanitize: deps
	cmake -S . -B $(BUILD)-asan -DTARVOL_SANITIZE=ON -DTARVOL_GUI=OFF -DTARVOL_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
	cmake --build $(BUILD)-asan -j$(JOBS)
	cd $(BUILD)-asan && ctest --output-on-failure -j$(JOBS)

PREFIX ?= /usr/local

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

package: build
	cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD) $(BUILD)-asan

# Two commands do all the set-up: `make run` and `make test`.
BUILD ?= build
JOBS ?= 2
CMAKE_FLAGS ?=

.PHONY: deps configure build run test bench sanitize tsan tidy format-check install package clean

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

# the window tests, background runs included, under ThreadSanitizer; Qt itself is not instrumented, so
# only accesses from our own code are judged
tsan: deps
	cmake -S . -B $(BUILD)-tsan -DTARVOL_TSAN=ON -DTARVOL_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
	cmake --build $(BUILD)-tsan -j$(JOBS) --target tarvol_app_tests
	cd $(BUILD)-tsan && QT_QPA_PLATFORM=offscreen TSAN_OPTIONS="halt_on_error=1 ignore_noninstrumented_modules=1" \
		ctest --output-on-failure -j$(JOBS) -R '^app\.'

tidy: deps
	cmake -S . -B $(BUILD)-tidy -DTARVOL_GUI=OFF -DTARVOL_BENCH=OFF
	clang-tidy -p $(BUILD)-tidy --quiet calc/*.cpp tank/*.cpp uncertainty/*.cpp cli/*.cpp

format-check: deps
	clang-format --dry-run --Werror $$(git ls-files '*.cpp' '*.h')

PREFIX ?= /usr/local

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

package: build
	cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD) $(BUILD)-asan $(BUILD)-tsan $(BUILD)-tidy

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

# the compiler cache, where there is one, speeds up the sanitizer and tidy builds as well
LAUNCHER := $(if $(shell command -v ccache 2>/dev/null),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

# the core, CLI and export tests (the xlsx packing thread included) under ASan and UBSan
sanitize: deps
	cmake -S . -B $(BUILD)-asan -DTARVOL_SANITIZE=ON -DTARVOL_GUI=ON -DTARVOL_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug $(LAUNCHER)
	cmake --build $(BUILD)-asan -j$(JOBS) --target tarvol_core_tests tarvol_export_tests
	cd $(BUILD)-asan && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS) -R '^(core|export)\.'

# the window and export tests, background runs and the xlsx packing thread included, under ThreadSanitizer;
# Qt itself is not instrumented, so only accesses from our own code are judged, and tests/tsan.supp names the one
# hand-over inside Qt's thread pool that TSan cannot follow; a test that runs tarvol-table forks the threaded test
# process, whose child only executes the program, so TSan is not to stop it for starting threads after the fork
tsan: deps
	cmake -S . -B $(BUILD)-tsan -DTARVOL_TSAN=ON -DTARVOL_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug $(LAUNCHER)
	cmake --build $(BUILD)-tsan -j$(JOBS) --target tarvol_app_tests tarvol_export_tests
	cd $(BUILD)-tsan && QT_QPA_PLATFORM=offscreen \
		TSAN_OPTIONS="halt_on_error=1 ignore_noninstrumented_modules=1 die_after_fork=0 suppressions=$(CURDIR)/tests/tsan.supp" \
		ctest --output-on-failure -j$(JOBS) -R '^(app|export)\.'

# every folder of the program; the moc and uic headers are generated first, as the sources include them
tidy: deps
	cmake -S . -B $(BUILD)-tidy -DTARVOL_GUI=ON -DTARVOL_BENCH=OFF -DCMAKE_GLOBAL_AUTOGEN_TARGET=ON -DCMAKE_AUTOGEN_ORIGIN_DEPENDS=OFF $(LAUNCHER)
	cmake --build $(BUILD)-tidy -j$(JOBS) --target autogen
	# clang 14 knows C++23 as c++2b
	run-clang-tidy -p $(BUILD)-tidy -quiet -j$(JOBS) -extra-arg=-std=c++2b '^$(CURDIR)/(calc|cli|app|export|viewer|tank|sensor|fit|uncertainty)/[^/]+\.cpp$$'

format-check: deps
	clang-format --dry-run --Werror $$(git ls-files '*.cpp' '*.h')

PREFIX ?= /usr/local

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

package: build
	cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD) $(BUILD)-asan $(BUILD)-tsan $(BUILD)-tidy

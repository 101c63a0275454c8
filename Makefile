# make run   installs what is missing, builds, and runs the server in ./run-home
# make test  installs what is missing, builds, and runs every test, then again under
#            AddressSanitizer and UndefinedBehaviorSanitizer, and fuzzes the recorder protocol
#            for a minute
# make fuzz  fuzzes the recorder protocol for FUZZ_SECONDS (clang, libFuzzer, ASan, UBSan)
# make console-shots  draws the console's pictures in docs/images anew
# make install  builds and installs (prefix /usr/local unless PREFIX is given)
# make package  builds the Debian package $(BUILD_DIR)/orlentis_VERSION_amd64.deb

BUILD_DIR ?= build
ASAN_DIR  ?= build-asan
FUZZ_DIR  ?= build-fuzz
FUZZ_SECONDS ?= 300
RUN_HOME  ?= $(CURDIR)/run-home
JOBS      ?= $(shell nproc)
PREFIX    ?= /usr/local

.PHONY: all deps configure build build-server build-asan build-fuzz test fuzz fuzz-corpus run \
        console-shots install package clean format format-check

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

# Only what running the server needs: no tests, no tools.
build-server: configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target orlentis

build-asan: deps
	cmake -S . -B $(ASAN_DIR) -DCMAKE_BUILD_TYPE=Debug -DORLENTIS_SANITIZE=ON
	cmake --build $(ASAN_DIR) -j $(JOBS)

# The clang build of the fuzz target: only the layers it links, not the whole project.
build-fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DORLENTIS_FUZZ=ON -DORLENTIS_TESTS=OFF
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target recorder_protocol_fuzzer

# Under the sanitizers the tests written once for both engines run on SQLite only, to keep the
# whole within half an hour; the tests of the code that only PostgreSQL runs (its sessions,
# repair, schema, the copy, the shared directory) run there all the same.
test: format-check build build-asan build-fuzz
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --test-dir $(ASAN_DIR) --output-on-failure -j $(JOBS) -E '/PostgreSQL( |$$)'
	ctest --test-dir $(FUZZ_DIR) --output-on-failure

# New inputs go to the build folder's corpus; fuzz/corpus holds the seeds and is only read.
fuzz: build-fuzz
	mkdir -p $(FUZZ_DIR)/fuzz/corpus
	$(FUZZ_DIR)/fuzz/recorder_protocol_fuzzer -max_total_time=$(FUZZ_SECONDS) -timeout=10 \
	  -print_final_stats=1 -artifact_prefix=$(FUZZ_DIR)/fuzz/ $(FUZZ_DIR)/fuzz/corpus fuzz/corpus

# Writes the seeds of fuzz/corpus anew with the recorder's own encoders.
fuzz-corpus: build-fuzz
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target orlentis-fuzz-corpus
	$(FUZZ_DIR)/fuzz/orlentis-fuzz-corpus fuzz/corpus

# Plain orlentis shows the tray program, or says so and runs headless without a display.
run: build-server
	@mkdir -p $(RUN_HOME)
	exec $(BUILD_DIR)/src/app/orlentis --home $(RUN_HOME)

# The README's pictures of the console, drawn off screen against a demonstration database.
console-shots: configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target orlentis-console-shots
	$(BUILD_DIR)/tools/console-shots/orlentis-console-shots --out docs/images

install: build
	cmake --install $(BUILD_DIR) --prefix $(PREFIX) --strip

package: build
	cd $(BUILD_DIR) && cpack -G DEB

SOURCES = $(shell git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' \
                    'tools/*.cpp' 'tools/*.h' 'bench/*.cpp' 'bench/*.h' 'fuzz/*.cpp' 'fuzz/*.h' \
                    2>/dev/null)

format:
	clang-format -i $(SOURCES)

# The sources as clang-format leaves them; part of make test.
format-check: deps
	@clang-format --dry-run --Werror $(SOURCES)

clean:
	rm -rf $(BUILD_DIR) $(ASAN_DIR) $(FUZZ_DIR)

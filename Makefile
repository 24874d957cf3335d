# Nummora: the two commands a fresh Debian machine needs are `make run` and `make test`.
BUILD_DIR ?= build
FUZZ_DIR  ?= build-fuzz
SAN_DIR   ?= build-san
FUZZ_SECONDS ?= 60
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc)

.PHONY: all deps configure build build-san test run fuzz bench format format-check clean package install

all: build

deps:
	@scripts/install-deps

configure: deps
	@if [ ! -f $(BUILD_DIR)/build.ninja ]; then \
	  cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNUMMORA_WERROR=ON $(CMAKE_FLAGS); \
	fi

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

# The program and every test built a second time under ASan and UBSan (without the benchmarks).
build-san: configure
	@if [ ! -f $(SAN_DIR)/build.ninja ]; then \
	  cmake -S . -B $(SAN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DNUMMORA_WERROR=ON \
	    -DNUMMORA_SANITIZE=ON -DNUMMORA_BUILD_BENCH=OFF $(CMAKE_FLAGS); \
	fi
	cmake --build $(SAN_DIR) -j $(JOBS)

test: build build-san
	@scripts/format-check
	@NUMMORA_SAN_BUILD=$(SAN_DIR) scripts/run-tests $(BUILD_DIR)

# The Debian package (nummora_<version>_<arch>.deb in the build folder), and an installation
# under PREFIX (default /usr/local) with DESTDIR as usual.
package: build
	cmake --build $(BUILD_DIR) --target package

install: build
	cmake --install $(BUILD_DIR) $(if $(PREFIX),--prefix $(PREFIX))

run: build
	@scripts/run-nummora $(BUILD_DIR)

fuzz: deps
	@if [ ! -f $(FUZZ_DIR)/build.ninja ]; then \
	  CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DNUMMORA_LIBFUZZER=ON -DNUMMORA_BUILD_APP=OFF -DNUMMORA_BUILD_BENCH=OFF -DNUMMORA_BUILD_TESTS=OFF \
	    -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer"; \
	fi
	cmake --build $(FUZZ_DIR) -j $(JOBS)
	@scripts/run-fuzz $(FUZZ_DIR) $(FUZZ_SECONDS)

bench: build
	@scripts/run-bench $(BUILD_DIR)

format:
	@scripts/format-check --fix

format-check:
	@scripts/format-check

clean:
	rm -rf $(BUILD_DIR) $(FUZZ_DIR) $(SAN_DIR)

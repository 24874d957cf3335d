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

# Each build folder is configured from its preset in CMakePresets.json. It is configured again
# when the presets, CMAKE_FLAGS or the folder's preset change (the stamp keeps what it was
# configured with), so a changed flag always reaches the build.
# configure-folder PRESET DIR
define configure-folder
	@key="$(1) $(CMAKE_FLAGS) $$(sha256sum CMakePresets.json | cut -c1-16)"; \
	if [ ! -f $(2)/build.ninja ] || [ "$$(cat $(2)/.nummora-preset 2>/dev/null)" != "$$key" ]; then \
	  cmake --preset $(1) -B $(2) $(CMAKE_FLAGS) && echo "$$key" > $(2)/.nummora-preset; \
	fi
endef

configure: deps
	$(call configure-folder,default,$(BUILD_DIR))

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

# The program and every test built a second time under ASan and UBSan (without the benchmarks).
build-san: configure
	$(call configure-folder,sanitize,$(SAN_DIR))
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
	$(call configure-folder,fuzz,$(FUZZ_DIR))
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

BUILD ?= build
JOBS ?= 2

.PHONY: all build test demo bench sanitize fuzz clang setup clean

all: build

setup:
	@./scripts/setup.sh

# The project's own builds treat warnings as errors.
DEVFLAGS = -DQUENVAR_WERROR=ON

$(BUILD)/build.ninja:
	@./scripts/setup.sh
	cmake -S . -B $(BUILD) -G Ninja $(DEVFLAGS)

build: $(BUILD)/build.ninja
	@cmake -S . -B $(BUILD) $(DEVFLAGS) >/dev/null
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

demo: build
	./scripts/demo.sh $(BUILD)

bench: $(BUILD)/build.ninja
	cmake -S . -B $(BUILD) -DQUENVAR_BENCHMARKS=ON >/dev/null
	cmake --build $(BUILD) -j $(JOBS) --target quenvar_benchmarks
	$(BUILD)/quenvar_benchmarks

SANITIZE = -fsanitize=address,undefined -fno-omit-frame-pointer

sanitize:
	@./scripts/setup.sh
	cmake -S . -B $(BUILD)-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug $(DEVFLAGS) \
	  -DCMAKE_C_FLAGS="$(SANITIZE)" -DCMAKE_CXX_FLAGS="$(SANITIZE)" \
	  -DCMAKE_EXE_LINKER_FLAGS="$(SANITIZE)" -DCMAKE_SHARED_LINKER_FLAGS="$(SANITIZE)"
	cmake --build $(BUILD)-sanitize -j $(JOBS)
	cd $(BUILD)-sanitize && UBSAN_OPTIONS=halt_on_error=1 ctest --output-on-failure -j $(JOBS)

# libFuzzer targets with clang, ASan and UBSan, each run for FUZZ_SECONDS in turn.
FUZZ_SECONDS ?= 60
FUZZ_TARGETS ?= text_reader csv_pair binary_loader editor_text pipeline

fuzz:
	./scripts/fuzz.sh $(BUILD)-fuzz $(FUZZ_SECONDS) $(FUZZ_TARGETS)

# The library, the tool and the tests built once with clang, warnings as errors.
clang:
	@QUENVAR_FUZZ_SETUP=1 ./scripts/setup.sh
	cmake -S . -B $(BUILD)-clang -G Ninja -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 $(DEVFLAGS) >/dev/null
	cmake --build $(BUILD)-clang -j $(JOBS)

clean:
	rm -rf $(BUILD) $(BUILD)-sanitize $(BUILD)-fuzz $(BUILD)-clang

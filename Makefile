BUILD ?= build
JOBS ?= 2

.PHONY: all build test demo bench setup clean

all: build

setup:
	@./scripts/setup.sh

$(BUILD)/build.ninja:
	@./scripts/setup.sh
	cmake -S . -B $(BUILD) -G Ninja

build: $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

demo: build
	./scripts/demo.sh $(BUILD)

bench: $(BUILD)/build.ninja
	cmake -S . -B $(BUILD) -DQUENVAR_BENCHMARKS=ON >/dev/null
	cmake --build $(BUILD) -j $(JOBS) --target quenvar_benchmarks
	$(BUILD)/quenvar_benchmarks

clean:
	rm -rf $(BUILD)

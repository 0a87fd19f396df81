BUILD ?= build
JOBS ?= 2

.PHONY: all build test demo setup clean

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

clean:
	rm -rf $(BUILD)

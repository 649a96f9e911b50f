# The two commands a newcomer needs: `make run` and `make test`.
BUILD ?= build
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
JOBS ?= $(shell nproc)
# Only `make test` (and CI) turns warnings into errors.
WERROR ?=

.PHONY: all deps build run test clean

all: build

deps:
	@scripts/install-deps

build: deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS) $(WERROR)
	cmake --build $(BUILD) -j $(JOBS)

run:
	@BUILD=$(BUILD) scripts/run --check
	@$(MAKE) --no-print-directory build
	@BUILD=$(BUILD) scripts/run

test: WERROR = -DVOK32_WERROR=ON
test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD)

# The two commands a newcomer needs: `make run` and `make test`.
BUILD ?= build
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
JOBS ?= $(shell nproc)
# What the command needs: only `make test` (and CI) installs the test tools,
# builds the tests and turns warnings into errors.
NEEDS = run
MODE = -DBUILD_TESTING=OFF
test: NEEDS = test
test: MODE = -DBUILD_TESTING=ON -DVOK32_WERROR=ON

.PHONY: all deps build run test clean

all: build

deps:
	@scripts/install-deps $(NEEDS)

build: deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS) $(MODE)
	cmake --build $(BUILD) -j $(JOBS)

run:
	@BUILD=$(BUILD) scripts/run --check
	@$(MAKE) --no-print-directory build
	@BUILD=$(BUILD) scripts/run

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD)

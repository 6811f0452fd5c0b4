# make run   - install what is missing, build the release player, start it
# make test  - install what is missing, build with ASan+UBSan, run every test
# make bench - build the release benchmarks and run them

JOBS   ?= $(shell nproc)
GEN    := -G Ninja
RELEASE := build/release
ASAN    := build/asan

.PHONY: all deps release run test asan bench clean

all: release

deps:
	@sh tools/install-deps.sh

release: deps
	cmake -S . -B $(RELEASE) $(GEN) -DCMAKE_BUILD_TYPE=Release -DQVL_TESTS=OFF
	cmake --build $(RELEASE) -j $(JOBS)

run: release
	cd $(RELEASE) && ./zemo-player

asan: deps
	cmake -S . -B $(ASAN) $(GEN) -DCMAKE_BUILD_TYPE=Debug -DQVL_SANITIZE=ON -DQVL_BENCH=OFF
	cmake --build $(ASAN) -j $(JOBS)

test: asan
	cd $(ASAN) && ctest --output-on-failure -j $(JOBS)

bench: release
	$(RELEASE)/bench/qvl_bench

clean:
	rm -rf build

# make run   - install what is missing, build the release player, start it
# make test  - install what is missing, build with ASan+UBSan, run every test
# make bench - build the release benchmarks and run them
# make fuzz  - build the fuzz targets (clang's libFuzzer)

JOBS   ?= $(shell nproc)
GEN    := -G Ninja
RELEASE := build/release
ASAN    := build/asan

.PHONY: all deps release run test asan bench fuzz fuzz-run clean

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

test: asan fuzz-run
	cd $(ASAN) && ctest --output-on-failure -j $(JOBS)

bench: release
	$(RELEASE)/bench/qvl_bench

FUZZ      := build/fuzz
FUZZFLAGS := -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined -I.
FUZZ_SECONDS ?= 5

fuzz: deps $(FUZZ)/lz_decode_fuzz $(FUZZ)/bmp_decode_fuzz $(FUZZ)/png_decode_fuzz $(FUZZ)/jpeg_decode_fuzz \
      $(FUZZ)/tex_cache_fuzz

$(FUZZ)/lz_decode_fuzz: tools/fuzz/lz_decode_fuzz.cpp files/lz_codec.cpp files/lz_codec.h
	@mkdir -p $(FUZZ)
	clang++ $(FUZZFLAGS) -o $@ tools/fuzz/lz_decode_fuzz.cpp files/lz_codec.cpp

# The image readers, each with the image sources it needs and the libraries.
IMG_FUZZ_SRC  := gfx2d/pixel_image.cpp gfx2d/image_bytes.cpp platform/console.cpp
IMG_FUZZ_DEPS := $(IMG_FUZZ_SRC) gfx2d/pixel_image.h gfx2d/image_bytes.h
IMG_FUZZ_LIBS := -lpng -ljpeg -lz

$(FUZZ)/bmp_decode_fuzz: tools/fuzz/bmp_decode_fuzz.cpp gfx2d/bmp_codec.cpp gfx2d/bmp_codec.h $(IMG_FUZZ_DEPS)
	@mkdir -p $(FUZZ)
	clang++ $(FUZZFLAGS) -o $@ tools/fuzz/bmp_decode_fuzz.cpp gfx2d/bmp_codec.cpp $(IMG_FUZZ_SRC)

$(FUZZ)/png_decode_fuzz: tools/fuzz/png_decode_fuzz.cpp gfx2d/png_codec.cpp gfx2d/png_codec.h $(IMG_FUZZ_DEPS)
	@mkdir -p $(FUZZ)
	clang++ $(FUZZFLAGS) -o $@ tools/fuzz/png_decode_fuzz.cpp gfx2d/png_codec.cpp $(IMG_FUZZ_SRC) $(IMG_FUZZ_LIBS)

$(FUZZ)/jpeg_decode_fuzz: tools/fuzz/jpeg_decode_fuzz.cpp gfx2d/jpeg_codec.cpp gfx2d/jpeg_codec.h $(IMG_FUZZ_DEPS)
	@mkdir -p $(FUZZ)
	clang++ $(FUZZFLAGS) -o $@ tools/fuzz/jpeg_decode_fuzz.cpp gfx2d/jpeg_codec.cpp $(IMG_FUZZ_SRC) $(IMG_FUZZ_LIBS)

$(FUZZ)/tex_cache_fuzz: tools/fuzz/tex_cache_fuzz.cpp gfx2d/texture_cache_file.cpp gfx2d/texture_cache_file.h gfx2d/pixel_image.cpp gfx2d/pixel_image.h
	@mkdir -p $(FUZZ)
	clang++ $(FUZZFLAGS) -o $@ tools/fuzz/tex_cache_fuzz.cpp gfx2d/texture_cache_file.cpp gfx2d/pixel_image.cpp

# A short run, part of the tests; the corpus it grows is kept for the next.
# The image readers start from the small files in tools/fuzz/seeds.
fuzz-run: fuzz
	@mkdir -p $(FUZZ)/lz_corpus $(FUZZ)/bmp_corpus $(FUZZ)/png_corpus $(FUZZ)/jpeg_corpus $(FUZZ)/tex_cache_corpus
	$(FUZZ)/lz_decode_fuzz -max_total_time=$(FUZZ_SECONDS) -max_len=4096 $(FUZZ)/lz_corpus
	$(FUZZ)/bmp_decode_fuzz -max_total_time=$(FUZZ_SECONDS) -max_len=4096 $(FUZZ)/bmp_corpus tools/fuzz/seeds/bmp
	$(FUZZ)/png_decode_fuzz -max_total_time=$(FUZZ_SECONDS) -max_len=8192 $(FUZZ)/png_corpus tools/fuzz/seeds/png
	$(FUZZ)/jpeg_decode_fuzz -max_total_time=$(FUZZ_SECONDS) -max_len=8192 $(FUZZ)/jpeg_corpus tools/fuzz/seeds/jpeg
	$(FUZZ)/tex_cache_fuzz -max_total_time=$(FUZZ_SECONDS) -max_len=4096 $(FUZZ)/tex_cache_corpus tools/fuzz/seeds/tex_cache

clean:
	rm -rf build

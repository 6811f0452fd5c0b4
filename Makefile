# make run   - install what is missing, build the release player, start it
# make release-all - every release program: player, tools, benchmarks
# make test  - install what is missing, build with ASan+UBSan, run every test
# make test-release - the same tests built in Release, without sanitizers
# make bench - build the release benchmarks and run them
# make pictures - the README's pictures of the player, under Xvfb
# make fuzz  - build the fuzz targets (clang's libFuzzer)

JOBS   ?= $(shell nproc)
GEN    := -G Ninja
RELEASE := build/release
ASAN    := build/asan
RELTEST := build/release-test

.PHONY: all deps release-config release release-all run test test-release asan bench fuzz fuzz-run clean

all: release

deps:
	@sh tools/install-deps.sh

# The release build: configured once, each target built as it is needed.
release-config: deps
	cmake -S . -B $(RELEASE) $(GEN) -DCMAKE_BUILD_TYPE=Release -DQVL_TESTS=OFF

# What `make run` starts: the player and its Media folder, nothing else.
release: release-config
	cmake --build $(RELEASE) -j $(JOBS) --target zemo-player demo-game

run: release
	cd $(RELEASE) && ./zemo-player

# Every release program: the player, the tools and the benchmarks.
release-all: release-config
	cmake --build $(RELEASE) -j $(JOBS)

asan: deps
	cmake -S . -B $(ASAN) $(GEN) -DCMAKE_BUILD_TYPE=Debug -DQVL_SANITIZE=ON -DQVL_BENCH=OFF
	cmake --build $(ASAN) -j $(JOBS)

test: asan fuzz-run
	cd $(ASAN) && ctest --output-on-failure -j $(JOBS)

# Every test must pass whatever the build type: a test that only passes
# under the sanitizers' allocator is relying on what it happens to do.
test-release: deps
	cmake -S . -B $(RELTEST) $(GEN) -DCMAKE_BUILD_TYPE=Release -DQVL_BENCH=OFF
	cmake --build $(RELTEST) -j $(JOBS)
	cd $(RELTEST) && ctest --output-on-failure -j $(JOBS)

bench: release-config
	cmake --build $(RELEASE) -j $(JOBS) --target qvl_bench
	$(RELEASE)/bench/qvl_bench

# The README's pictures of the player (docs/), taken by the player itself.
pictures: release
	cmake --build $(RELEASE) -j $(JOBS) --target player-pictures
	sh tools/readme-pictures.sh $(CURDIR)/$(RELEASE)

FUZZ      := build/fuzz
FUZZFLAGS := -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined -I.
FUZZ_SECONDS ?= 5
# Every run keeps libFuzzer's memory limit (a single allocation past it
# counts too): an input that makes a target take this much is a finding,
# so an amplification is caught even where nothing crashes.
FUZZ_RSS_MB ?= 2048

# Each fuzz target: tools/fuzz/<name>_fuzz.cpp plus the sources it needs,
# the libraries it links, the largest input, an optional seed folder
# tools/fuzz/seeds/<seed>, an optional memory limit of its own and optional
# further libFuzzer flags.
IMG_FUZZ_SRC := gfx2d/pixel_image.cpp gfx2d/image_bytes.cpp platform/console.cpp

FUZZERS := lz_decode bmp_decode png_decode jpeg_decode wave_read wave_convert tex_cache vector_font \
           path_search game_read http_response session_packet kvd_binary kvd_text music_load

lz_decode_SRC    := files/lz_codec.cpp
lz_decode_MAXLEN := 4096
# Long inputs from the start: a short run would otherwise grow its inputs
# only slowly and never reach the encoder's window-sized matches.
lz_decode_FLAGS  := -len_control=0
bmp_decode_SRC    := gfx2d/bmp_codec.cpp $(IMG_FUZZ_SRC)
bmp_decode_MAXLEN := 4096
bmp_decode_SEEDS  := bmp
png_decode_SRC    := gfx2d/png_codec.cpp $(IMG_FUZZ_SRC)
png_decode_LIBS   := -lpng -lz
png_decode_MAXLEN := 8192
png_decode_SEEDS  := png
# Inputs may declare any size. No block may pass the reader's pixel budget
# (8192 x 8192 RGBA, 256 MB; libpng's own chunk limit is 8 MB), and the
# process may take the image, the decoder and the sanitizers' own keeping
# of freed blocks, no more: a larger block or more memory is an
# amplification (seeds long_splt.png, stub_16384.png).
png_decode_FLAGS  := -malloc_limit_mb=256
png_decode_RSS_MB := 1536
jpeg_decode_SRC    := gfx2d/jpeg_codec.cpp $(IMG_FUZZ_SRC)
jpeg_decode_LIBS   := -ljpeg
jpeg_decode_MAXLEN := 8192
jpeg_decode_SEEDS  := jpeg
# The same bounds: a header of 16384 x 16384 took a 1 GB block, 1,000 empty
# progressive scans 512 MB of coefficients (seeds stub_16384.jpg,
# empty_scans_16384.jpg; many_scans.jpg sits past the scan limit), 107
# arithmetic-coded bytes 900 MB and 6 s (arithmetic_progressive.jpg).
jpeg_decode_FLAGS  := -malloc_limit_mb=256
jpeg_decode_RSS_MB := 1536
wave_read_SRC    := host/wave_file.cpp
wave_read_MAXLEN := 4096
# A WAVE through a sound slot's load and SDL's conversion (dummy driver).
# Low rates convert into hundreds of times their bytes (32 KB at 100 Hz
# into 29 MB; seed low_rate_past_budget.wav passed the budget when it
# weighed SDL's working room): no block may pass the sound budget of 128 MB.
wave_convert_SRC    := host/sound_slots.cpp host/wave_file.cpp platform/audio.cpp \
                       files/file_channel.cpp files/mem_file.cpp platform/file_io.cpp \
                       core/number_text.cpp core/basic_string.cpp core/slot_block.cpp \
                       tools/fuzz/no_runtime_errors.cpp
# Expanded when the recipe runs: on a fresh machine SDL's headers (and
# pkg-config) arrive only with `deps`, after this file was read.
wave_convert_LIBS    = $(shell pkg-config --cflags sdl2) -lSDL2_mixer -lSDL2
wave_convert_MAXLEN := 32768
wave_convert_SEEDS  := wave_convert
wave_convert_FLAGS  := -malloc_limit_mb=129
# Any bytes as music through the WAVE chunk check and SDL_mixer's loaders
# (dummy driver). A 'smpl' chunk of 0xFFFFFFF0 loops crashed its WAV loader
# (seed endless_loops.wav).
music_load_SRC    := host/music.cpp host/wave_chunks.cpp host/wave_file.cpp \
                     platform/music_player.cpp platform/audio.cpp files/file_channel.cpp \
                     files/mem_file.cpp platform/file_io.cpp core/number_text.cpp \
                     core/basic_string.cpp core/slot_block.cpp tools/fuzz/no_runtime_errors.cpp
music_load_LIBS    = $(shell pkg-config --cflags sdl2) -lSDL2_mixer -lSDL2
music_load_MAXLEN := 8192
music_load_SEEDS  := music_load
tex_cache_SRC    := gfx2d/texture_cache_file.cpp gfx2d/pixel_image.cpp
tex_cache_MAXLEN := 4096
tex_cache_SEEDS  := tex_cache
vector_font_SRC    := gfx2d/vector_font.cpp core/slot_block.cpp
vector_font_MAXLEN := 4096
path_search_SRC    := pathfind/planner.cpp pathfind/astar_planner.cpp pathfind/list_astar_planner.cpp \
                      pathfind/node_factory.cpp pathfind/node_hash_table.cpp
path_search_MAXLEN := 1100
game_read_SRC    := game/gamefile_parse.cpp game/gamefile_check.cpp game/gamefile_encode.cpp \
                    game/palette_sets.cpp game/model.cpp game/sfxr_params.cpp game/sfxr_synth.cpp \
                    core/basic_string.cpp core/number_text.cpp core/string_split.cpp \
                    core/string_commands.cpp core/slot_block.cpp core/isaac.cpp core/maths.cpp \
                    tools/fuzz/no_runtime_errors.cpp
# Room for a game of hundreds of sound strings (seed many_sounds), where the
# sound budget decides.
game_read_MAXLEN := 65536
game_read_SEEDS  := game_read
http_response_SRC    := net/http_response.cpp
http_response_MAXLEN := 2048
http_response_SEEDS  := http_response
session_packet_SRC    := net/session_packet.cpp net/session_dispatch.cpp net/session_record.cpp \
                         net/session_roster.cpp net/text_queue.cpp net/thread_mutex.cpp \
                         platform/clock.cpp
session_packet_MAXLEN := 4096
session_packet_SEEDS  := session_packet
# The object-file readers with the mesh code and the number parsing they use.
KVD_FUZZ_SRC := gfx3d/kvd_binary.cpp gfx3d/kvd_text.cpp gfx3d/mesh_records.cpp \
                gfx3d/mesh_triangles.cpp gfx3d/mesh_edges.cpp gfx3d/smooth_normals.cpp \
                gfx3d/position_hash.cpp gfx3d/vertex_normal_table.cpp core/number_text.cpp \
                core/maths.cpp core/basic_string.cpp core/slot_block.cpp \
                tools/fuzz/no_runtime_errors.cpp
kvd_binary_SRC    := $(KVD_FUZZ_SRC)
kvd_binary_MAXLEN := 4096
kvd_binary_SEEDS  := kvd_binary
kvd_text_SRC    := $(KVD_FUZZ_SRC)
# Room for many frames of a many-cornered face (seed many_frames.kvd), where
# the record limit decides.
kvd_text_MAXLEN := 16384
kvd_text_SEEDS  := kvd_text

define fuzz_rule
$(FUZZ)/$(1)_fuzz: tools/fuzz/$(1)_fuzz.cpp $$($(1)_SRC) $$(wildcard $$($(1)_SRC:.cpp=.h))
	@mkdir -p $(FUZZ)
	clang++ $(FUZZFLAGS) -o $$@ tools/fuzz/$(1)_fuzz.cpp $$($(1)_SRC) $$($(1)_LIBS)

fuzz-run-$(1): $(FUZZ)/$(1)_fuzz
	@mkdir -p $(FUZZ)/$(1)_corpus
	$(FUZZ)/$(1)_fuzz -max_total_time=$(FUZZ_SECONDS) -max_len=$$($(1)_MAXLEN) -rss_limit_mb=$$(or $$($(1)_RSS_MB),$(FUZZ_RSS_MB)) $$($(1)_FLAGS) $(FUZZ)/$(1)_corpus $$(if $$($(1)_SEEDS),tools/fuzz/seeds/$$($(1)_SEEDS))
endef
$(foreach f,$(FUZZERS),$(eval $(call fuzz_rule,$(f))))

.PHONY: $(FUZZERS:%=fuzz-run-%)

fuzz: deps $(FUZZERS:%=$(FUZZ)/%_fuzz)

# A short run of each, part of the tests; the corpus it grows is kept.
fuzz-run: fuzz $(FUZZERS:%=fuzz-run-%)

clean:
	rm -rf build

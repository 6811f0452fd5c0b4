#include "host/music.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "core/error_state.h"
#include "files/mem_file.h"
#include "host/wave_chunks.h"
#include "platform/music_player.h"
#include "tests/host/wave_bytes.h"
#include "tests/support/child_process.h"
#include "tests/support/test_files.h"

namespace {

// A decoder stand-in that records what the player asked of it.
struct FakePlayer {
  double length = 1000.0;  // < 0: the decoder cannot tell
  bool active = true;
  std::vector<bool> plays;  // the loop flag of every play
  std::vector<int> volumes;
  int pauses = 0, resumes = 0, closes = 0;
} fake;
double fake_now = 0.0;
PlatMusic* const kPiece = reinterpret_cast<PlatMusic*>(0x1000);

const QvlMusicBackend kFakeBackend = {
    [](const char*, const PlatMusicPatch*, size_t) { return kPiece; },
    [](const uint8_t*, size_t, const PlatMusicPatch*, size_t) { return kPiece; },
    [](PlatMusic*) { ++fake.closes; },
    [](PlatMusic*, bool loop) {
      fake.plays.push_back(loop);
      return true;
    },
    [] { ++fake.pauses; },
    [] { ++fake.resumes; },
    [](int v) { fake.volumes.push_back(v); },
    [](PlatMusic*) { return fake.length; },
    [](PlatMusic*) { return 0.0; },
    [] { return fake.active; },
};

class MusicRules : public ::testing::Test {
 protected:
  void SetUp() override {
    fake = FakePlayer{};
    fake_now = 10000.0;
    qvl_mus_backend = kFakeBackend;
    qvl_mus_clock = [] { return fake_now; };
    path_ = qvl_test::temp_dir() + "tune.ogg";
    std::fclose(std::fopen(path_.c_str(), "wb"));
  }
  void TearDown() override { qvl_mus_stop(); }
  void play(int loop) { qvl_mus_play(BasicString(path_.c_str()), loop); }
  std::string path_;
};

}  // namespace

TEST_F(MusicRules, LoopingPieceRestartsWhenItsLengthHasPassed) {
  play(1);
  ASSERT_EQ(fake.plays.size(), 1u);
  EXPECT_EQ(qvl_mus_loop_end, 11000.0);
  fake_now = 10999.0;
  qvl_mus_restart_if_due();
  EXPECT_EQ(fake.plays.size(), 1u);
  fake_now = 11003.0;
  qvl_mus_restart_if_due();
  EXPECT_EQ(fake.plays.size(), 2u);
  EXPECT_EQ(qvl_mus_loop_end, 12003.0);
  // Between its end and its restart a looping piece still counts as playing.
  fake.active = false;
  EXPECT_EQ(qvl_mus_is_playing(), 1);
}

TEST_F(MusicRules, ShortPiecesRestartEvery500ms) {
  fake.length = 120.0;
  play(1);
  EXPECT_EQ(qvl_mus_loop_end, 10500.0);
  fake_now = 10500.0;
  qvl_mus_restart_if_due();
  EXPECT_EQ(fake.plays.size(), 2u);
  EXPECT_EQ(qvl_mus_loop_end, 11000.0);
}

TEST_F(MusicRules, PieceOfUnknownLengthLoopsInTheDecoder) {
  fake.length = -1.0;
  play(1);
  ASSERT_EQ(fake.plays.size(), 1u);
  EXPECT_TRUE(fake.plays[0]);
  for (int i = 1; i <= 10; ++i) {
    fake_now = 10000.0 + i * 500.0;
    qvl_mus_restart_if_due();
  }
  EXPECT_EQ(fake.plays.size(), 1u) << "restarted while it was still playing";
  // Should the decoder stop after all, the timer starts it again.
  fake.active = false;
  fake_now += 500.0;
  qvl_mus_restart_if_due();
  EXPECT_EQ(fake.plays.size(), 2u);
}

TEST_F(MusicRules, PauseShiftsTheRestartTime) {
  play(1);
  fake_now = 10400.0;
  qvl_mus_pause(1);
  EXPECT_EQ(qvl_mus_loop_end, -11000.0);
  EXPECT_EQ(qvl_mus_is_playing(), 1);  // paused pieces are still there
  fake_now = 13000.0;
  qvl_mus_restart_if_due();
  EXPECT_EQ(fake.plays.size(), 1u);  // no restart while paused
  qvl_mus_pause(0);
  EXPECT_EQ(qvl_mus_loop_end, 13600.0);
  EXPECT_EQ(fake.pauses, 1);
  EXPECT_EQ(fake.resumes, 1);
}

TEST_F(MusicRules, OncePlayedPieceEndsWithTheDecoder) {
  play(0);
  EXPECT_EQ(qvl_mus_loop_end, 0.0);
  EXPECT_FALSE(fake.plays[0]);
  EXPECT_EQ(qvl_mus_is_playing(), 1);
  fake.active = false;
  EXPECT_EQ(qvl_mus_is_playing(), 0);
  fake_now = 20000.0;
  qvl_mus_restart_if_due();
  EXPECT_EQ(fake.plays.size(), 1u);
  // Restarting it by hand plays it once more, also when its length is unknown.
  fake.length = -1.0;
  play(0);
  qvl_mus_restart();
  EXPECT_EQ(fake.plays, (std::vector<bool>{false, false, false}));
}

TEST_F(MusicRules, VolumeIsSentOnlyWhenItChanges) {
  play(0);
  EXPECT_EQ(fake.volumes, std::vector<int>{1000});
  qvl_mus_set_volume(0.25);
  qvl_mus_set_volume(0.25);
  EXPECT_EQ(fake.volumes, (std::vector<int>{1000, 250}));
  qvl_mus_stop();
  EXPECT_EQ(fake.closes, 1);
  EXPECT_EQ(qvl_mus_window, nullptr);
  qvl_mus_set_volume(0.25);  // no piece: remembered, nothing sent
  play(0);
  qvl_mus_set_volume(0.25);  // play reset the volume to 1, so this is sent
  EXPECT_EQ(fake.volumes, (std::vector<int>{1000, 250, 1000, 250}));
  qvl_mus_set_volume(7.0);
  EXPECT_EQ(fake.volumes.back(), 1000);
}

TEST_F(MusicRules, MissingFileRaises3AndNothingPlays) {
  qvl_err_clear();
  qvl_mus_play(BasicString("no/such/tune.ogg"), 1);
  EXPECT_EQ(qvl_err_state.last_error, 3);
  EXPECT_EQ(qvl_mus_window, nullptr);
  EXPECT_EQ(qvl_mus_is_playing(), 0);
  EXPECT_TRUE(fake.plays.empty());
}

// The real decoder on SDL's dummy driver: a WAVE file as music, from disk and
// from a memory block that goes away right after the play starts.
TEST(MusicPlayer, PlaysFromDiskAndFromACopiedBlock) {
  using namespace wave_bytes;
  Bytes wav = wave16_stereo(square16(22050 * 3 / 10, 8000, 8000));  // 300 ms
  std::string path = qvl_test::temp_dir() + "tune.wav";
  FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(wav.data(), 1, wav.size(), f);
  std::fclose(f);

  qvl_mus_play(BasicString(path.c_str()), 0);
  ASSERT_NE(qvl_mus_window, nullptr);
  ASSERT_NE(qvl_mus_window->music, nullptr);
  EXPECT_NEAR(qvl_mus_length_ms(), 300.0, 1.0);
  EXPECT_EQ(qvl_mus_is_playing(), 1);
  for (int i = 0; i < 200 && qvl_mus_is_playing(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(qvl_mus_is_playing(), 0);

  auto* block = new Bytes(wav);
  char name[kMemFileNameSize];
  ASSERT_TRUE(qvl_mem_file_register(block->data(), static_cast<uint32_t>(block->size()), nullptr, name));
  qvl_mus_play(BasicString(name), 1);
  qvl_mem_file_release(block->data());
  std::fill(block->begin(), block->end(), 0xEE);
  delete block;
  ASSERT_NE(qvl_mus_window->music, nullptr);
  EXPECT_NEAR(qvl_mus_length_ms(), 300.0, 1.0);
  EXPECT_EQ(qvl_mus_is_playing(), 1);
  qvl_mus_stop();
  EXPECT_EQ(qvl_mus_is_playing(), 0);
}

namespace {

using namespace wave_bytes;

// A 'smpl' chunk: nine words, the eighth the loop count, then the loops.
Bytes sampler(uint32_t loops, int loops_held) {
  Bytes body(28, 0);
  put32(body, loops);
  put32(body, 0);
  for (int i = 0; i < loops_held; ++i) {
    const Bytes loop(24, 0);
    body.insert(body.end(), loop.begin(), loop.end());
  }
  return chunk("smpl", body);
}

Bytes info(const std::vector<Bytes>& texts) {
  Bytes body{'I', 'N', 'F', 'O'};
  for (const Bytes& t : texts) body.insert(body.end(), t.begin(), t.end());
  return chunk("LIST", body);
}

Bytes text(const char* id, const std::string& value, bool pad = false) {
  Bytes b = chunk(id, Bytes(value.begin(), value.end()));
  if (pad) b.push_back(0);
  return b;
}

const Bytes kFmt = chunk("fmt ", fmt_body(2, 22050, 16));
const Bytes kData = chunk("data", square16(1100, 8000, 8000));

// The file: 4.5 KB whose 'smpl' chunk declares 0xFFFFFFF0 loops.
Bytes endless_loops() { return riff({kFmt, sampler(0xFFFFFFF0u, 0), kData}); }

// A float WAVE of no channels, as the music fuzzer found it: SDL's
// converter divided by the count (SIGFPE); so it did for 4,096 channels,
// which it holds in a byte.
Bytes no_channels() { return riff({chunk("fmt ", fmt_body(0, 22050, 32, 3, 8)), kData}); }
Bytes channels_4096() { return riff({chunk("fmt ", fmt_body(4096, 22050, 16, 1, 4)), kData}); }

// AIFF, big-endian, each chunk padded to an even size.
void put32_be(Bytes& b, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) b.push_back((v >> shift) & 0xFF);
}
Bytes aiff_chunk(const char* id, const Bytes& body) {
  Bytes b(id, id + 4);
  put32_be(b, static_cast<uint32_t>(body.size()));
  b.insert(b.end(), body.begin(), body.end());
  if (body.size() % 2 == 1) b.push_back(0);
  return b;
}
// 'COMM': channels, frames, bits, then the rate as an 80-bit float, its
// exponent byte 0x0D for 22,050 (0x13 for 64 times that, 1,411,200).
Bytes aiff_comm(int channels, uint8_t exponent = 0x0D) {
  return aiff_chunk("COMM", Bytes{uint8_t(channels >> 8), uint8_t(channels), 0, 0, 0, 4, 0, 16, 0x40, exponent, 0xAC, 0x44, 0, 0, 0, 0, 0, 0});
}
Bytes aiff(const std::vector<Bytes>& chunks) {
  Bytes body{'A', 'I', 'F', 'F'};
  for (const Bytes& c : chunks) body.insert(body.end(), c.begin(), c.end());
  Bytes b{'F', 'O', 'R', 'M'};
  put32_be(b, static_cast<uint32_t>(body.size()));
  b.insert(b.end(), body.begin(), body.end());
  return b;
}
const Bytes kSound = aiff_chunk("SSND", Bytes(24, 0));

// Plays a copy of the bytes as a memory file, as the archive hands pieces
// over, and tells whether the decoder took it; the copy must come back as
// it went in.
bool opens_from_memory(const Bytes& bytes) {
  Bytes block(bytes);
  char name[kMemFileNameSize];
  qvl_mem_file_register(block.data(), uint32_t(block.size()), nullptr, name);
  qvl_mus_play(BasicString(name), 0);
  const bool opened = qvl_mus_window != nullptr && qvl_mus_window->music != nullptr;
  qvl_mus_stop();
  qvl_mem_file_release(block.data());
  return opened && block == bytes;
}

struct ChunkCase {
  const char* name;
  Bytes bytes;
  WaveChunks expected;
};

}  // namespace

// What SDL_mixer's WAV loader was found to read past (hostile files under
// valgrind), each refused, beside honest layouts that pass.
TEST(MusicWaveChunks, ChunksThatClaimMoreThanTheyHoldAreFound) {
  const ChunkCase cases[] = {
      {"plain", riff({kFmt, kData}), WaveChunks::whole},
      {"loops that fit", riff({kFmt, sampler(2, 2), kData}), WaveChunks::whole},
      {"no loops", riff({kFmt, sampler(0, 0), kData}), WaveChunks::whole},
      {"texts", riff({kFmt, info({text("INAM", std::string("ab\0", 3), true), text("IART", std::string("xyz\0", 4))}), kData}), WaveChunks::whole},
      {"texts without the pad byte", riff({kFmt, info({text("INAM", std::string("ab\0", 3)), text("IART", std::string("xyz\0", 4))}), kData}), WaveChunks::whole},
      {"another list", riff({kFmt, chunk("LIST", Bytes{'a', 'd', 't', 'l', 1, 2}), kData}), WaveChunks::whole},
      {"a pad byte after the data", [] { Bytes b = riff({kFmt, chunk("data", Bytes(5, 0))}); b.push_back(0); return b; }(), WaveChunks::whole},
      {"an ogg file", Bytes{'O', 'g', 'g', 'S', 0, 2, 0, 0, 0, 0, 0, 0, 0, 0}, WaveChunks::not_wave},
      {"endless loops", endless_loops(), WaveChunks::broken},
      {"endless loops after the data", riff({kFmt, kData, sampler(0xFFFFFFF0u, 0)}), WaveChunks::broken},
      {"one loop too many", riff({kFmt, sampler(3, 2), kData}), WaveChunks::broken},
      {"a sampler chunk too short for its header", riff({kFmt, chunk("smpl", Bytes(8, 0)), kData}), WaveChunks::broken},
      {"loops after an odd chunk without its pad", riff({kFmt, chunk("junk", Bytes(3, 1)), sampler(0xFFFFFFF0u, 0), kData}), WaveChunks::broken},
      {"a list too short for its type", riff({kFmt, chunk("LIST", Bytes{'I', 'N'}), kData}), WaveChunks::broken},
      {"a text past its list", riff({kFmt, info({chunk("IART", Bytes{'a', 'b', 'c', 0}, 7)}), kData}), WaveChunks::broken},
      {"a text without its NUL", riff({kFmt, info({text("IART", "wxyz")}), kData}), WaveChunks::broken},
      {"an empty text", riff({kFmt, info({text("INAM", "")}), kData}), WaveChunks::broken},
      {"a text header cut short", riff({kFmt, info({Bytes{'I', 'N', 'A', 'M'}}), kData}), WaveChunks::broken},
      {"data past the end", riff({kFmt, chunk("data", Bytes(64, 0), 0x7FFFFFF0u)}), WaveChunks::broken},
      {"data of a streaming writer", riff({kFmt, chunk("data", Bytes(64, 0), 0xFFFFFFFFu)}), WaveChunks::broken},
      {"a chunk past the end", riff({kFmt, chunk("junk", Bytes(4, 0), 0xFFFFFFF0u), kData}), WaveChunks::broken},
      {"8 channels at 768 kHz", riff({chunk("fmt ", fmt_body(8, 768000, 16)), kData}), WaveChunks::whole},
      {"no channels", no_channels(), WaveChunks::bad_format},
      {"4,096 channels", channels_4096(), WaveChunks::bad_format},
      {"9 channels", riff({chunk("fmt ", fmt_body(9, 22050, 16)), kData}), WaveChunks::bad_format},
      {"16 million samples a second", riff({chunk("fmt ", fmt_body(2, 16165410, 32, 3, 8)), kData}), WaveChunks::bad_format},
      {"a format too short for the loader", riff({chunk("fmt ", Bytes{1, 0, 0, 0}), kData}), WaveChunks::whole},
      {"an AIFF", aiff({aiff_comm(1), kSound}), WaveChunks::whole},
      {"an AIFF of no channels", aiff({aiff_comm(0), kSound}), WaveChunks::bad_format},
      {"an AIFF of no channels after an odd chunk", aiff({aiff_chunk("NAME", Bytes{'a', 'b', 'c'}), aiff_comm(0), kSound}), WaveChunks::bad_format},
      {"an AIFF of 256 channels", aiff({aiff_comm(256), kSound}), WaveChunks::bad_format},
      {"an AIFF of 1,411,200 samples a second", aiff({aiff_comm(1, 0x13), kSound}), WaveChunks::bad_format},
      {"an AIFF whose 'COMM' is cut short", aiff({aiff_chunk("COMM", Bytes{0, 1}), kSound}), WaveChunks::broken},
      {"an AIFF text past the end", [] { Bytes b = aiff({aiff_chunk("NAME", Bytes{'a', 'b'}), aiff_comm(1), kSound}); b[16] = b[17] = b[18] = b[19] = 0xFF; return b; }(), WaveChunks::broken},
      {"an AIFF ending in half a chunk header", [] { Bytes b = aiff({aiff_comm(1), kSound}); b.insert(b.end(), {'N', 'A', 'M', 'E', 0x98}); return b; }(), WaveChunks::broken},
      {"an AIFF ending in an odd chunk without its pad", [] { Bytes b = aiff({aiff_comm(1), kSound, aiff_chunk("NAME", Bytes{'a'})}); b.pop_back(); return b; }(), WaveChunks::whole},
  };
  for (const ChunkCase& c : cases) {
    WaveMemorySource source(c.bytes.data(), c.bytes.size());
    EXPECT_EQ(wave_check_chunks(source), c.expected) << c.name;
  }
}

// Played as music, from disk and from memory, through the real decoder on
// SDL's dummy driver: crashed it (SIGSEGV); now the piece plays nothing,
// with a line in the error log, and honest loops and texts still play.
TEST(MusicPlayer, WaveWithEndlessLoopsIsRefusedFromDiskAndMemory) {
  const std::string path = qvl_test::temp_dir() + "loops.wav";
  const Bytes bad = endless_loops();
  ASSERT_GT(bad.size(), 4000u);
  qvl_test::write_file(path, std::string(bad.begin(), bad.end()));
  const qvl_test::ChildResult r = qvl_test::run_in_child([&path, &bad] {
    qvl_mus_play(BasicString(path.c_str()), 1);
    std::printf("disk %d %d\n", qvl_mus_window != nullptr && qvl_mus_window->music == nullptr,
                qvl_err_state.last_error);
    std::printf("memory %d\n", !opens_from_memory(bad));
    const Bytes good = riff({kFmt, sampler(1, 1), info({text("INAM", std::string("tune\0", 5), true)}), kData});
    std::printf("honest %d\n", opens_from_memory(good));
  });
  EXPECT_EQ(r.signal, 0);
  EXPECT_EQ(r.out, "disk 1 0\nmemory 1\nhonest 1\n");
  const std::string log = qvl_test::error_log();
  EXPECT_NE(log.find("Music can't be played: its chunks claim more than they hold: " + path),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("Music can't be played: its chunks claim more than they hold: mem://"),
            std::string::npos)
      << log;
}

// A WAVE or AIFF of no channels (or 4,096, held in a byte) made SDL's
// converter divide by zero (SIGFPE) from disk and from memory; now it plays
// nothing, with a line in the error log, while the same AIFF of one channel
// plays.
TEST(MusicPlayer, FormatsOfNoChannelsAreRefusedFromDiskAndMemory) {
  const struct {
    const char* file;
    Bytes bytes;
  } cases[] = {{"float.wav", no_channels()},
               {"wide.wav", channels_4096()},
               {"tune.aiff", aiff({aiff_comm(0), kSound})}};
  const Bytes honest = aiff({aiff_comm(1), kSound});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string path = qvl_test::temp_dir() + c.file;
    qvl_test::write_file(path, std::string(c.bytes.begin(), c.bytes.end()));
    const qvl_test::ChildResult r = qvl_test::run_in_child([&] {
      qvl_mus_play(BasicString(path.c_str()), 1);
      std::printf("disk %d\n", qvl_mus_window != nullptr && qvl_mus_window->music == nullptr);
      for (const Bytes* bytes : {&c.bytes, &honest}) std::printf("memory %d\n", opens_from_memory(*bytes));
    });
    EXPECT_EQ(r.signal, 0);
    EXPECT_EQ(r.out, "disk 1\nmemory 0\nmemory 1\n");
    const std::string log = qvl_test::error_log();
    const std::string why = "Music can't be played: its format's channels or rate are out of range: ";
    EXPECT_NE(log.find(why + path), std::string::npos) << log;
    EXPECT_NE(log.find(why + "mem://"), std::string::npos) << log;
  }
}

// SDL_mixer walks an INFO list's texts by a rule of its own, a text's size
// taken from the start of its header: here it lands on an "INAM" whose text
// would begin at the list's end and reads past it (found by the music
// fuzzer). The list is well formed, so the piece plays, from disk and from
// memory, with its 'LIST' renamed for the decoder; the bytes on disk stay.
TEST(MusicPlayer, AListTheDecoderWouldMisreadIsSkipped) {
  const Bytes list = chunk("LIST", Bytes{'I', 'N', 'F', 'O', 'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 0, 0,
                                         'I', 'N', 'F', 'O', 'I', 'N', 'A', 'M', 0, 0, 0, 0});
  const Bytes wave = riff({kFmt, list, kData});
  const std::string path = qvl_test::temp_dir() + "listed.wav";
  qvl_test::write_file(path, std::string(wave.begin(), wave.end()));
  const qvl_test::ChildResult r = qvl_test::run_in_child([&] {
    qvl_mus_play(BasicString(path.c_str()), 1);
    std::printf("disk %d\n", qvl_mus_window != nullptr && qvl_mus_window->music != nullptr);
    qvl_mus_stop();
    std::printf("memory %d\n", opens_from_memory(wave));
  });
  EXPECT_EQ(r.signal, 0);
  EXPECT_EQ(r.out, "disk 1\nmemory 1\n");
  EXPECT_EQ(qvl_test::read_file(path), std::string(wave.begin(), wave.end()));
}

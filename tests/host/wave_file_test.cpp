#include "host/wave_file.h"

#include <gtest/gtest.h>

#include "tests/host/wave_bytes.h"

using namespace wave_bytes;

namespace {

struct WaveCase {
  const char* what;
  Bytes file;
  WaveResult result;
};

WaveResult read_bytes(const Bytes& file, WaveFormat& format, Bytes& samples) {
  WaveMemorySource source(file.data(), file.size());
  return wave_read(source, format, samples);
}

}  // namespace

TEST(WaveFile, GoodFilesGiveTheirFormatAndSamples) {
  struct Good {
    int channels, bits, rate;
  } goods[] = {{1, 8, 11025}, {2, 8, 22050}, {1, 16, 44100}, {2, 16, 22050}};
  for (const Good& g : goods) {
    Bytes data;
    for (int i = 0; i < 40; ++i) data.push_back(static_cast<uint8_t>(i * 7));
    Bytes file = riff({chunk("fmt ", fmt_body(g.channels, g.rate, g.bits)), chunk("data", data)});
    WaveFormat f{};
    Bytes samples;
    ASSERT_EQ(read_bytes(file, f, samples), WaveResult::ok) << g.channels << "x" << g.bits;
    EXPECT_EQ(f.channels, g.channels);
    EXPECT_EQ(f.bits_per_sample, g.bits);
    EXPECT_EQ(f.samples_per_second, static_cast<uint32_t>(g.rate));
    EXPECT_EQ(f.block_align, g.channels * g.bits / 8);
    EXPECT_EQ(f.data_size, 40u);
    EXPECT_EQ(samples, data);
  }
}

TEST(WaveFile, ChunkLayoutsAndLies) {
  Bytes pcm(64, 0x80);
  Bytes fmt = chunk("fmt ", fmt_body(1, 22050, 16));
  Bytes data = chunk("data", pcm);
  Bytes long_fmt_body = fmt_body(1, 22050, 16);
  long_fmt_body.insert(long_fmt_body.end(), {0, 0});  // cbSize of a WAVEFORMATEX
  Bytes extensible = fmt_body(2, 22050, 16, 0xFFFE);
  // cbSize 22, valid bits 16, channel mask 3, then the PCM sub-format GUID.
  for (int v : {22, 0, 16, 0, 3, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38,
                0x9B, 0x71})
    extensible.push_back(static_cast<uint8_t>(v));
  Bytes odd_data = chunk("data", Bytes(5, 1));  // 2.5 blocks of 16-bit mono

  std::vector<WaveCase> cases = {
      {"odd chunk before fmt, no pad byte", riff({chunk("LIST", Bytes(3, 'x')), fmt, data}),
       WaveResult::ok},
      // RIFF pads an odd chunk to an even size with a 0 byte.
      {"odd chunk before fmt with its pad byte",
       riff({chunk("LIST", {'x', 'x', 'x', 0}, 3), fmt, data}), WaveResult::ok},
      {"odd chunk between fmt and data with its pad byte",
       riff({fmt, chunk("LIST", {'x', 'x', 'x', 0}, 3), data}), WaveResult::ok},
      {"odd fmt with its pad byte", [&] {
         Bytes body = fmt_body(1, 22050, 16);
         body.insert(body.end(), {7, 0});  // 17 bytes and the pad
         return riff({chunk("fmt ", body, 17), data});
       }(), WaveResult::ok},
      {"chunk between fmt and data", riff({fmt, chunk("fact", Bytes(4, 0)), data}), WaveResult::ok},
      {"fmt longer than 16 bytes", riff({chunk("fmt ", long_fmt_body), data}), WaveResult::ok},
      {"extensible PCM", riff({chunk("fmt ", extensible), data}), WaveResult::ok},
      {"data before fmt", riff({data, fmt}), WaveResult::no_data},
      {"no chunks at all", riff({}), WaveResult::no_format},
      {"fmt but no data", riff({fmt}), WaveResult::no_data},
      {"header cut inside a chunk header", [&] { Bytes b = riff({fmt}); b.insert(b.end(), {'d', 'a'}); return b; }(),
       WaveResult::no_data},
      {"skip past the end", riff({chunk("junk", Bytes(2, 0), 1000), fmt, data}), WaveResult::no_format},
      {"data size 0xFFFFFFFF", riff({fmt, chunk("data", pcm, 0xFFFFFFFFu)}), WaveResult::truncated},
      {"data cut short", riff({fmt, chunk("data", pcm, 100)}), WaveResult::truncated},
      {"empty data", riff({fmt, chunk("data", {})}), WaveResult::no_data},
      {"not RIFF", Bytes{'R', 'I', 'F', 'X', 0, 0, 0, 0, 'W', 'A', 'V', 'E'}, WaveResult::not_wave},
      {"RIFF cut short", Bytes{'R', 'I', 'F', 'F', 0, 0}, WaveResult::not_wave},
      {"float samples", riff({chunk("fmt ", fmt_body(1, 22050, 32, 3)), data}), WaveResult::bad_format},
      {"24-bit PCM", riff({chunk("fmt ", fmt_body(1, 22050, 24)), data}), WaveResult::bad_format},
      {"3 channels", riff({chunk("fmt ", fmt_body(3, 22050, 16)), data}), WaveResult::bad_format},
      {"ADPCM", riff({chunk("fmt ", fmt_body(1, 22050, 4, 2, 256)), data}), WaveResult::bad_format},
      {"block align that lies", riff({chunk("fmt ", fmt_body(2, 22050, 16, 1, 2)), data}),
       WaveResult::bad_format},
      {"rate 0", riff({chunk("fmt ", fmt_body(1, 0, 16)), data}), WaveResult::bad_format},
      {"fmt of 14 bytes", riff({chunk("fmt ", Bytes(14, 1)), data}), WaveResult::bad_format},
  };
  for (const WaveCase& c : cases) {
    WaveFormat f{};
    Bytes samples;
    EXPECT_EQ(read_bytes(c.file, f, samples), c.result) << c.what;
    if (c.result != WaveResult::ok) {
      EXPECT_TRUE(samples.empty()) << c.what;
    } else {
      EXPECT_EQ(samples, pcm) << c.what;
    }
  }

  // A partial last block is dropped.
  WaveFormat f{};
  Bytes samples;
  ASSERT_EQ(read_bytes(riff({fmt, odd_data}), f, samples), WaveResult::ok);
  EXPECT_EQ(f.data_size, 4u);
  EXPECT_EQ(samples.size(), 4u);
}

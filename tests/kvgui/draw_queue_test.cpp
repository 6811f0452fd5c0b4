// The draw queue on its own: random pieces - faces, lines, outlines given
// as rings, points, glyphs and sprites at many alpha modes, crowded so
// that most overlap - drawn once each at once in their order and once
// through the queue give the same picture, pixel for pixel. The pieces
// open more textured batches than a layer holds, and one case puts more
// faces into a batch than one draw call takes.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "gfx2d/pixel_image.h"
#include "gfx2d/poly_batch.h"
#include "gfx2d/sprite_draw.h"
#include "kvgui/draw_queue.h"
#include "tests/kvgui/kvgui_fixture.h"
#include "tests/support/screen_pictures.h"

namespace {

class DrawQueue : public kvgui_test::KvguiTest {
 protected:
  void SetUp() override {
    KvguiTest::SetUp();
    for (int id : {1, 2, 3}) {
      PixelImage image;
      ASSERT_TRUE(image.resize(8 + 4 * id, 6 + 2 * id));
      for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
          uint8_t* p = image.pixel(x, y);
          p[0] = uint8_t(40 * id + 9 * x);
          p[1] = uint8_t(200 - 13 * y);
          p[2] = uint8_t((x + y) % 3 ? 90 : 240);
          p[3] = uint8_t((x * y) % 4 ? 255 : 128);
        }
      ASSERT_TRUE(gfx_->set_sprite_image(id, image, false));
    }
  }

  // One piece: what to draw and the box of pixels it may touch.
  struct Piece {
    enum Kind { FACES, LINES, POINTS, GLYPHS, SPRITES } kind;
    std::vector<ColourVertex> colours;
    std::vector<uint16_t> indices;
    std::vector<TexVertex> glyphs;
    std::vector<QuadVertex> sprites;
    int source = 0;
    float alpha_mode = -1.0f;
    KvguiBox box;
  };

  // Pieces with whole-pixel corners inside w x h at (10, 10).
  std::vector<Piece> random_pieces(unsigned seed, int count, int w, int h) {
    std::mt19937 rng(seed);
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    // Enough alpha modes that the glyphs and sprites open more batches
    // than one layer holds.
    auto alpha_mode = [&pick] { return -1.0f + 0.02f * float(pick(0, 20)); };
    std::vector<Piece> pieces;
    for (int i = 0; i < count; ++i) {
      Piece p;
      const int x = 10 + pick(0, w - 1), y = 10 + pick(0, h - 1);
      const int pw = pick(1, 40), ph = pick(1, 30);
      const uint32_t colour = uint32_t(pick(1, 0xFFFFFF));
      const float alpha = pick(0, 1) ? 1.0f : 0.5f;
      auto vertex = [&](float vx, float vy) {
        return qvl_gfx_colour_vertex(vx, vy, colour, alpha);
      };
      switch (pick(0, 5)) {
        case 0:  // a rectangle as two triangles
          p.kind = Piece::FACES;
          p.colours = {vertex(x, y + ph), vertex(x + pw, y + ph), vertex(x + pw, y), vertex(x, y)};
          p.indices = {0, 1, 2, 0, 2, 3};
          p.box = {x, y, x + pw, y + ph};
          break;
        case 1:  // a line without its end pixel, across or down
          p.kind = Piece::LINES;
          if (pick(0, 1)) {
            p.colours = {vertex(x, y), vertex(x + pw, y)};
            p.box = {x, y, x + pw, y + 1};
          } else {
            p.colours = {vertex(x, y), vertex(x, y + ph)};
            p.box = {x, y, x + 1, y + ph};
          }
          break;
        case 2: {  // an outline: only its border is touched
          p.kind = Piece::LINES;
          const int r = x + pw + 2, b = y + ph + 2;
          p.colours = {vertex(x, y),         vertex(r, y),         vertex(x, b - 1),
                       vertex(r, b - 1),     vertex(x, y + 1),     vertex(x, b - 1),
                       vertex(r - 1, y + 1), vertex(r - 1, b - 1)};
          p.box = {x, y, r, b, true};
          break;
        }
        case 3:
          p.kind = Piece::POINTS;
          p.colours = {vertex(x, y)};
          p.box = {x, y, x + 1, y + 1};
          break;
        case 4: {
          p.kind = Piece::GLYPHS;
          p.alpha_mode = alpha_mode();
          const std::string text = pick(0, 1) ? "Ag" : "x#W";
          const int quads = gfx_->glyph_quads(0, text.c_str(), nullptr, float(x), float(y), 0.0f,
                                              0, 1, 1.0f, true);
          p.glyphs.assign(gfx_->vertices.data, gfx_->vertices.data + 4 * quads);
          p.box = {x, y, x + 12 * int(text.size()), y + 12};
          break;
        }
        default: {
          p.kind = Piece::SPRITES;
          p.alpha_mode = alpha_mode();
          p.source = pick(1, 3);
          QuadVertex q[4];
          qvl_sprite_blit_quad(gfx_->sprites[p.source], x, y, q);
          p.sprites.assign(q, q + 4);
          p.box = {x, y, x + 8 + 4 * p.source, y + 6 + 2 * p.source};
          break;
        }
      }
      pieces.push_back(p);
    }
    return pieces;
  }

  void draw_at_once(const Piece& p) {
    const ColourVertex* v = p.colours.data();
    const int n = static_cast<int>(p.colours.size());
    switch (p.kind) {
      case Piece::FACES:
        gfx_->set_alpha_mode(-1.0f);
        gfx_->draw_coloured(ColourPrimitive::kTriangles, v, n, p.indices.data(),
                            static_cast<int>(p.indices.size()));
        break;
      case Piece::LINES:
        gfx_->set_alpha_mode(-1.0f);
        gfx_->draw_coloured(ColourPrimitive::kLines, v, n);
        break;
      case Piece::POINTS:
        gfx_->set_alpha_mode(-1.0f);
        gfx_->draw_coloured(ColourPrimitive::kPoints, v, n);
        break;
      case Piece::GLYPHS:
        gfx_->set_alpha_mode(p.alpha_mode);
        gfx_->draw_glyph_quads(0, p.glyphs.data(), static_cast<int>(p.glyphs.size() / 4));
        break;
      case Piece::SPRITES:
        gfx_->set_alpha_mode(p.alpha_mode);
        gfx_->draw_sprite_quads(p.source, p.sprites.data(), 1);
        break;
    }
  }

  static void queue(KvguiDrawQueue& q, const Piece& p) {
    const ColourVertex* v = p.colours.data();
    const int n = static_cast<int>(p.colours.size());
    switch (p.kind) {
      case Piece::FACES:
        q.add_faces(v, n, p.indices.data(), static_cast<int>(p.indices.size()), p.box);
        break;
      case Piece::LINES:
        q.add_lines(v, n, p.box);
        break;
      case Piece::POINTS:
        q.add_points(v, n, p.box);
        break;
      case Piece::GLYPHS:
        q.add_glyphs(0, p.alpha_mode, p.glyphs.data(), static_cast<int>(p.glyphs.size() / 4),
                     p.box);
        break;
      case Piece::SPRITES:
        q.add_sprites(p.source, p.alpha_mode, p.sprites.data(), 1, p.box);
        break;
    }
  }

  // The pieces at once and through the queue; returns the batches drawn.
  int expect_same_picture(const std::vector<Piece>& pieces, const std::string& what) {
    clear_screen();
    for (const Piece& p : pieces) draw_at_once(p);
    qvl_gfx_flush_sprites();
    const std::vector<uint32_t> at_once = qvl_test::read_frame(kWidth, kHeight);
    clear_screen();
    KvguiDrawQueue q;
    q.start(kWidth, kHeight);
    for (const Piece& p : pieces) queue(q, p);
    const int batches = q.draw(*gfx_);
    const std::vector<uint32_t> queued = qvl_test::read_frame(kWidth, kHeight);
    const qvl_test::FrameDifference d =
        qvl_test::compare_frames(at_once, queued, kWidth, kHeight, 0);
    EXPECT_EQ(d.pixels, 0) << what << ": first pixels (at once / queued):" << d.first;
    return batches;
  }
};

TEST_F(DrawQueue, RandomPiecesLookAsDrawnAtOnce) {
  for (unsigned seed = 1; seed <= 12; ++seed) {
    const std::vector<Piece> pieces = random_pieces(seed, 300, 160, 120);
    const int batches = expect_same_picture(pieces, "seed " + std::to_string(seed));
    EXPECT_LT(batches, 300) << "pieces side by side share batches";
  }
}

// More faces in one batch than a draw call takes: the batch goes out in
// pieces, each with indices into its own vertices.
TEST_F(DrawQueue, ABatchLongerThanADrawCallIsSplit) {
  std::vector<Piece> pieces;
  for (int i = 0; i < 2600; ++i) {
    Piece p;
    p.kind = Piece::FACES;
    const float x = float(20 + (i % 100) * 3), y = float(20 + (i / 100) * 3);
    const uint32_t colour = uint32_t(0x102030 + 0x010305 * i);
    auto vertex = [&](float vx, float vy) { return qvl_gfx_colour_vertex(vx, vy, colour, 1.0f); };
    p.colours = {vertex(x, y + 2), vertex(x + 2, y + 2), vertex(x + 2, y), vertex(x, y)};
    p.indices = {0, 1, 2, 0, 2, 3};
    p.box = {int(x), int(y), int(x) + 2, int(y) + 2};
    pieces.push_back(p);
  }
  EXPECT_EQ(expect_same_picture(pieces, "10,400 vertices"), 1);
}

}  // namespace

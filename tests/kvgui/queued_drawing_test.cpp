// Dialogs drawn with their drawing queued (a few batches a dialog, widgets
// cut to their viewports on the CPU) look as they do drawn widget by
// widget: the standard dialogs of kvgui-demo, and a dialog of every kind
// under a second one, scrolled so that the clip band cuts widgets, with
// hover looks, a tool tip, a user kind's own drawing and the veil. Where
// gradients are cut, their colours may round one step apart.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <utility>
#include <vector>

#include "gfx2d/draw_commands.h"
#include "gfx2d/pixel_image.h"
#include "gfx2d/viewport.h"
#include "kvgui/canvas.h"
#include "tests/kvgui/kvgui_fixture.h"
#include "tests/support/screen_pictures.h"
#include "tests/support/test_files.h"

namespace {

using kvgui_test::host;
namespace step = kvgui_test::step;
BasicString S(const char* s) { return BasicString(s); }

class QueuedDrawing : public kvgui_test::KvguiTest {
 public:
  void TearDown() override {
    kvgui_queue_drawing = true;
    kvgui_font_scaling = 0;
    KvguiTest::TearDown();
  }

  // Every dialog shown once drawn widget by widget and once queued; the
  // two pictures may differ by one step of a colour channel at most. Where
  // line ends may fall on pixel edges (a zoom of 1.5), a line may also be a
  // pixel longer or shorter in one picture than in the other.
  static void expect_same_picture(const std::string& what, bool line_ends_vary = false) {
    kvgui_queue_drawing = false;
    clear_screen();
    kvgui_show(0);
    qvl_gfx_flush_sprites();
    const std::vector<uint32_t> direct = qvl_test::read_frame(kWidth, kHeight);
    kvgui_queue_drawing = true;
    clear_screen();
    kvgui_show(0);
    qvl_gfx_flush_sprites();
    const std::vector<uint32_t> queued = qvl_test::read_frame(kWidth, kHeight);
    const qvl_test::FrameDifference d =
        qvl_test::compare_frames(direct, queued, kWidth, kHeight, 1);
    if (line_ends_vary) {
      const std::string not_a_line_end = other_than_line_ends(direct, queued);
      EXPECT_EQ(not_a_line_end, "") << what << ": " << d.pixels << " pixels differ";
      return;
    }
    EXPECT_EQ(d.pixels, 0) << what << ": worst channel difference " << d.worst
                           << "; first pixels (direct / queued):" << d.first;
  }

  // The pixels where the pictures differ other than at the end of a line:
  // a line's end pixel stands alone (no pixel beside it differs), and a
  // pixel beside it, the same in both pictures, has its colour in one of
  // them (the line goes on there).
  static std::string other_than_line_ends(const std::vector<uint32_t>& a,
                                          const std::vector<uint32_t>& b) {
    auto at = [](const std::vector<uint32_t>& f, int x, int y) {
      return f[size_t(y) * kWidth + size_t(x)] & 0xFFFFFF;
    };
    auto differs = [&](int x, int y) {
      return x >= 0 && y >= 0 && x < kWidth && y < kHeight &&
             !kvgui_test::near(at(a, x, y), at(b, x, y), 1);
    };
    std::string found;
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        if (!differs(x, y)) continue;
        bool alone = true, goes_on = false;
        for (const auto& [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
          const int nx = x + dx, ny = y + dy;
          if (nx < 0 || ny < 0 || nx >= kWidth || ny >= kHeight) continue;
          if (differs(nx, ny)) alone = false;
          const uint32_t n = at(a, nx, ny);
          if (!differs(nx, ny) && (n == at(a, x, y) || n == at(b, x, y))) goes_on = true;
        }
        if (!alone || !goes_on)
          found += " (" + std::to_string(x) + ", " + std::to_string(kHeight - 1 - y) + ")";
      }
    }
    return found;
  }

  // A sprite of w x h with a colour pattern, so a stretched copy shows
  // where its texels land.
  void pattern_sprite(int id, int w, int h) {
    PixelImage image;
    ASSERT_TRUE(image.resize(w, h));
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        uint8_t* p = image.pixel(x, y);
        p[0] = uint8_t(x * 255 / w);
        p[1] = uint8_t(y * 255 / h);
        p[2] = uint8_t((x + y) % 2 ? 200 : 40);
        p[3] = 255;
      }
    ASSERT_TRUE(gfx_->set_sprite_image(id, image, false));
  }
};

// A user kind that draws for itself: a square in its own viewport.
double draw_square(BasicString&, BasicString& verb, BasicString&) {
  if (verb.compare_text("DRAW") == 0) qvl_gfx_draw_rect(2, 2, 12, 12, 0x8000C0);
  return 0;
}

// The compare, run from a modal dialog's frame once it has come to rest
// with the mouse on `hover` (a widget id, or none) for a while.
void compare_at_rest(const std::string& what, const char* hover = nullptr) {
  step::settle();
  if (hover) {
    const std::string id(hover);
    step::run([id] { kvgui_test::widget_point(id.c_str(), -1, -1, &host().mouse_x, &host().mouse_y); });
    step::idle(40);  // rest long enough for tool tips
  }
  step::run([what] { QueuedDrawing::expect_same_picture(what); });
}

TEST_F(QueuedDrawing, DemoDialogsLookAsDrawnWidgetByWidget) {
  const std::string folder = qvl_test::enter_fresh_folder("files");
  mkdir("saves", 0777);
  for (const char* name : {"notes.txt", "todo.txt", "level one.txt", "old.dat"})
    qvl_test::write_file(name, "x");

  kvgui_push_dialog(0, 0, 0, 0, 0, 0);
  set("", "TEXT", "KVgui demo");
  kvgui_add_widget(S(""), S("The standard dialogs, one after the other."), 0, 0);
  frames(2);
  expect_same_picture("the demo's own dialog");

  compare_at_rest("colour picker, a slider hovered", "sl_G");
  step::run([] { set("bt_ok", "TIPTEXT", "Take the colour\nand close"); });
  compare_at_rest("colour picker with a tool tip", "bt_ok");
  step::key(1);
  kvgui_pick_color(0x0080FF);
  step::forget();

  compare_at_rest("keypad", "btOK");
  step::click("btCancel");
  kvgui_enter_text(S("hello"), 1, 0, 1, 0, S("Your name:"));
  step::forget();

  compare_at_rest("file chooser, a file hovered", "ls_file");
  step::click("bt_cancel");
  kvgui_choose_file(0, S("*.txt"), 0);
  step::forget();

  compare_at_rest("popup list", "b1");
  step::key(1);
  kvgui_pick_item(100, 100, 200, 0, S("red|green|blue"), 0, 0);
  step::forget();

  // Too long for the room below it: a scroll bar, and the clip band cuts
  // the buttons at its top and bottom.
  std::string items;
  for (int i = 0; i < 40; ++i) items += "item " + std::to_string(i) + "|";
  step::run([] { set("", "SCROLL", "47"); });
  compare_at_rest("long popup list, scrolled", "b5");
  step::key(1);
  kvgui_pick_item(100, 500, 200, 0, S(items.c_str()), 3, 0);
  step::forget();

  compare_at_rest("message box", "bt_no");
  step::click("bt_yes");
  kvgui_show_message(S("Did you like the dialogs?"), 1, S("KVgui demo"));
}

// Every kind of widget in a dialog taller than its body, scrolled so that
// widgets are cut at both ends, under a second dialog; at the font's own
// scale, fitted to the widget height, and on a virtual screen of 640 x 480
// drawn at 1.5 times (ends of lines then fall between pixels).
TEST_F(QueuedDrawing, EveryKindLooksAsDrawnWidgetByWidget) {
  pattern_sprite(7, 64, 64);
  pattern_sprite(8, 10, 6);
  struct Look {
    bool fitted;
    int virtual_w, virtual_h;  // 0: the window's own pixels
  } const looks[] = {{false, 0, 0}, {true, 0, 0}, {false, 640, 480}};
  for (const Look& look : looks) {
    const bool fitted = look.fitted;
    qvl_gfx_set_virtual_resolution(look.virtual_w, look.virtual_h);
    kvgui_dialog_stack.dim(0, 0, 0, 0);
    kvgui_font_scaling = fitted ? 1 : 0;
    kvgui_widget_height = fitted ? 20 : 16;
    // A user kind without a callback stops the program once it is operated:
    // its placeholder shows in a dialog that never is on top.
    kvgui_push_dialog(0, 300, 400, 200, 0, 0);
    kvgui_add_widget(S(""), S("Below the others"), 0, 0);
    kvgui_add_custom(S("us"), S("DIAL"), 90, 30);
    kvgui_push_dialog(10, 10, 620, 400, 0, 0);
    set("", "TEXT", "Every kind");
    kvgui_add_frame(S("fr"), S("Frame"), 0);
    kvgui_add_widget(S("lb"), S("A label: two words\nand a second line"), 0, 0);
    kvgui_add_checkbox(S("ch"), S("Checked"), 0, 0);
    kvgui_add_unframe();
    kvgui_add_expander(S("ex"), S("Open"), 200);
    kvgui_add_button(S("in"), S("Inside"), 0, 0);
    kvgui_add_unexpander();
    kvgui_add_expander(S("ex2"), S("Closed"), 120);
    kvgui_add_widget(S("hidden"), S("hidden"), 0, 0);
    kvgui_add_unexpander();
    kvgui_add_line_break(0);
    kvgui_add_tab(S("tb"), S("One,p1|Two,p2"), 0);
    kvgui_add_button(S("p1"), S("Page one"), 0, 0);
    kvgui_add_button(S("p2"), S("Page two"), 0, 0);
    kvgui_add_radio(S("rd"), S("alpha|beta|gamma"), 0);
    kvgui_add_combo(S("cb"), S("one|two|SPR_C255"), 0, 0);
    kvgui_add_gallery(S("ga"), S("SPR_B7|SPR_C65280"), 60, 40);
    kvgui_add_combo(S("cs"), S("SPR_B8|x"), 60, 0);
    std::string items = "SPR_B7|";
    for (int i = 0; i < 12; ++i) items += "row " + std::to_string(i) + "|";
    kvgui_add_list(S("ls"), S(items.c_str()), 140, 90);
    kvgui_add_file_field(S("ff"), S("/data/games/save.txt"), S(""), 0, 0);
    kvgui_add_text(S("tx"), S("A field of several lines, long enough to wrap and to scroll: "
                              "one two three four five six seven eight nine ten."),
                   180, 50);
    kvgui_add_single_text(S("st"), S("single"), 80);
    kvgui_add_number_text(S("nt"), S("12.5"), 60);
    kvgui_add_slider(S("sl"), 4.0, 120, 0);
    kvgui_add_button(S("b_plain"), S("Plain"), 0, 0);
    kvgui_add_button(S("b_down"), S("Down"), 0, 0);
    kvgui_add_button(S("b_ro"), S("Read only"), 0, 0);
    kvgui_add_button(S("b_spr"), S("SPR_B7"), 40, 40);
    kvgui_add_button(S("b_col"), S("SPR_C16711680"), 0, 0);
    kvgui_add_button(S("b_long"), S("A caption far too long for it"), 60, 0);
    kvgui_add_callback_widget(S("own"), S("SQUARE"), draw_square, 30, 30);
    kvgui_add_widget(S("tip"), S("Hover me"), 0, 0);
    for (int i = 0; i < 60; ++i) kvgui_add_button(S(""), S("more"), 50, 0);
    set("tx", "READONLY", "0");
    set("nt", "READONLY", "1");
    set("b_down", "SELECT", "1");
    set("b_ro", "READONLY", "1");
    set("rd", "SELECT", "1");
    set("cb", "SELECT", "2");
    set("ga", "SELECT", "0");
    set("cs", "SELECT", "0");
    set("ls", "SELECT", "3");
    set("ls", "SCROLL", "10");
    set("sl", "MAXVAL", "10");
    set("sl", "SELSTART", "2");
    set("sl", "SELEND", "6");
    set("ch", "SELECT", "1");
    set("ex2", "SELECT", "1");
    set("tip", "TIPTEXT", "A tip\nof two lines");
    kvgui_hide_widget(S("hidden"), 1);
    set("", "FOCUS", "tx");
    set("tx", "SELSTART", "3");
    set("tx", "SELEND", "9");
    frames(3);

    // Hovered, resting on the label with the tip, the body scrolled to cut
    // widgets at its top and bottom.
    int x = 0, y = 0;
    kvgui_test::widget_point("tip", -1, -1, &x, &y);
    set("", "SCROLL", std::to_string(y - 10 - 60 - 7).c_str());
    frames(2);
    kvgui_test::widget_point("tip", -1, -1, &x, &y);
    move(x, y);
    frames(40);
    const std::string scale = std::string(fitted ? ", font fitted" : "") +
                              (look.virtual_w ? ", zoom 1.5" : "");
    const bool between_pixels = look.virtual_w != 0;
    expect_same_picture("every kind, scrolled, a tool tip" + scale, between_pixels);
    kvgui_test::widget_point("rd", 10, 20, &x, &y);
    move(x, y);
    frames(2);
    expect_same_picture("every kind, a radio row hovered" + scale, between_pixels);

    // A second dialog on top: the first is drawn under its veil.
    kvgui_push_dialog(300, 200, 200, 120, 0, 0);
    set("", "MOVEABLE", "1");
    set("", "SCALEABLE", "1");
    set("", "TEXT", "On top");
    kvgui_add_button(S("top"), S("Top"), 0, 0);
    kvgui_add_list(S("tl"), S("a|b|c|d|e|f|g|h|i"), 100, 60);
    frames(3);
    expect_same_picture("a dialog over the veil" + scale, between_pixels);
  }
  qvl_gfx_set_virtual_resolution(0, 0);
}

// A dialog of many plain buttons goes out in a handful of batches however
// many buttons it has.
TEST_F(QueuedDrawing, ADialogOfButtonsTakesAFewBatches) {
  for (int n : {10, 1000}) {
    kvgui_dialog_stack.dim(0, 0, 0, 0);
    kvgui_push_dialog(0, 0, 0, 0, 0, 0);
    for (int i = 0; i < n; ++i) {
      const std::string caption = "Button " + std::to_string(i);
      kvgui_add_button(S(""), S(caption.c_str()), 42, 14);
    }
    frames(2);
    EXPECT_LE(kvgui_canvas_batches_drawn(), 8) << n << " buttons";
    EXPECT_GE(kvgui_canvas_batches_drawn(), 3) << n << " buttons";
  }
}

}  // namespace

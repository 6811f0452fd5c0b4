// Building dialogs: automatic ids, the base rule's sizes, every add
// operation's kind and size, and inserting and deleting items.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gfx2d/pixel_image.h"
#include "tests/kvgui/kvgui_fixture.h"

namespace {

using Construction = kvgui_test::KvguiTest;
BasicString S(const char* s) { return BasicString(s); }

using kvgui_test::callback_log;
TEST_F(Construction, EmptyIdsGetAutomaticIdsByKind) {
  plain_dialog(300, 200);
  kvgui_add_widget(S(""), S(""), 10, 10);
  kvgui_add_widget(S(""), S(""), 10, 10);
  kvgui_add_widget(S(""), S(""), 10, 10);
  kvgui_add_button(S(""), S("Go"), 0, 0);
  kvgui_add_spacer(5, 5);
  kvgui_add_frame(S(""), S("F"), 0);
  kvgui_add_unframe();
  kvgui_add_expander(S(""), S("E"), 0);
  kvgui_add_unexpander();
  kvgui_add_separator();
  kvgui_add_line_break(0);
  struct Case {
    const char* id;
    KvguiKind kind;
  } const cases[] = {
      {"iwdg%1", KvguiKind::WIDGET},       {"iwdg%2", KvguiKind::WIDGET},
      {"iwdg%3", KvguiKind::WIDGET},       {"iwdg%4", KvguiKind::BUTTON},
      {"ID_SPACER_4", KvguiKind::SPACER},  {"kvgui_frm6", KvguiKind::FRAME},
      {"kvgui_unfrm7", KvguiKind::UNFRAME}, {"kvgui_frm8", KvguiKind::EXPANDER},
      {"kvgui_unepx9", KvguiKind::UNEXPANDER}, {"ID_SPACER_9", KvguiKind::SPACER},
      {"ID_SPACER_10", KvguiKind::SPACER},
  };
  const KVGUI_DLG& d = top();
  ASSERT_EQ(d.order.size1, 11);
  for (int k = 0; k < 11; ++k) {
    EXPECT_STREQ(d.order.data[k].id.text, cases[k].id) << k;
    EXPECT_EQ(widget(cases[k].id).kind, cases[k].kind) << cases[k].id;
  }
}

TEST_F(Construction, BaseRuleSizes) {
  plain_dialog(300, 200);
  kvgui_add_widget(S("half"), S(""), -50, 20);
  kvgui_add_widget(S("tiny"), S(""), -1, 20);
  kvgui_add_widget(S("none"), S(""), 0, 20);
  kvgui_add_widget(S("text"), S("Hello"), 0, 20);
  kvgui_add_widget(S("short"), S("one line"), 200, 0);
  kvgui_add_widget(S("two"), S("one\ntwo"), 200, 3);
  EXPECT_EQ(widget("half").WIDTH, 148);
  EXPECT_EQ(widget("tiny").WIDTH, 1);
  EXPECT_EQ(widget("none").WIDTH, 16);  // the widget height
  EXPECT_EQ(widget("text").WIDTH, kvgui_measure_caption_width(S("Hello")));
  EXPECT_EQ(widget("short").HEIGHT, 12);  // one wrapped line of 12-pixel glyphs
  EXPECT_EQ(widget("two").HEIGHT, 24);
}

TEST_F(Construction, AddOperationsSetKindAndSize) {
  plain_dialog(300, 200);
  const int pad = 20 + 1;  // max(row height 20, glyph width 12) + 1
  kvgui_add_button(S("bt"), S("OK"), 0, 0);
  kvgui_add_button_fit(S("fit"), S("Fit me"), 0);
  kvgui_add_button_tall(S("tall"), S("T"), 70);
  kvgui_add_slider(S("sl"), 0.5, 0, 0);
  kvgui_add_checkbox(S("cb"), S("Check"), 0, 0);
  kvgui_add_file_field(S("ff"), S("/data/a.txt"), S("*.txt"), 0, 20);
  kvgui_add_single_text(S("st"), S("abc"), 80);
  kvgui_add_number_text(S("nt"), S("12"), 80);
  kvgui_add_text(S("tx"), S("long text"), 120, 60);
  kvgui_add_tab(S("tab"), S("One|Two"), 0);
  kvgui_add_frame(S("fr"), S("Frame"), 0);
  kvgui_add_spacer(5, 0);
  kvgui_add_line_break(7);
  kvgui_add_radio(S("ra"), S("a|bb|c"), 0);
  kvgui_add_radio(S("r0"), S(""), 0);
  kvgui_add_combo(S("co"), S("a|bbbb|cc"), 0, 0);
  kvgui_add_gallery(S("ga"), S("SPR_C255"), 0, 0);
  kvgui_add_list(S("li"), S("a|b|c"), 0, 0);
  kvgui_add_list(S("l50"), S("a|b|c"), 0, 50);
  kvgui_add_list(S("l0"), S(""), 0, 0);
  struct Case {
    const char* id;
    KvguiKind kind;
    int width, height;
  } const cases[] = {
      {"bt", KvguiKind::BUTTON, kvgui_measure_caption_width(S("OK")), 16},
      {"fit", KvguiKind::BUTTON, kvgui_measure_caption_width(S("Fit me")), 16},
      {"tall", KvguiKind::BUTTON, 70, 32},
      {"sl", KvguiKind::SLIDER, kvgui_measure_caption_width(S("-0123456789-")), 12},
      {"cb", KvguiKind::CHECKBOX, kvgui_measure_caption_width(S("Check")) + 24, 12},
      {"ff", KvguiKind::FILE, kvgui_measure_caption_width(S("12345678.123")), 20},
      {"st", KvguiKind::SINGLETEXT, 80, 12},
      {"nt", KvguiKind::NUMBERTEXT, 80, 12},
      {"tx", KvguiKind::TEXT, 120, 60},
      {"tab", KvguiKind::TAB, 10000, 19},
      {"fr", KvguiKind::FRAME, 10000, 100},
      {"ID_SPACER_11", KvguiKind::SPACER, 5, 0},
      {"ID_SPACER_12", KvguiKind::SPACER, 10000, 7},
      // "a|bb|c" is wider than the group: the blank laid out after it wraps.
      {"ra", KvguiKind::RADIO, kvgui_measure_caption_width(S("bb")) + 24, 24},
      {"r0", KvguiKind::RADIO, 24, 12},
      {"co", KvguiKind::COMBO, kvgui_measure_caption_width(S("bbbb")) + pad, 16},
      {"ga", KvguiKind::GALLERY, 32 + pad, 32},  // the swatch is the longest candidate
      {"li", KvguiKind::LIST, kvgui_measure_caption_padded(S("123")), 68},
      {"l50", KvguiKind::LIST, kvgui_measure_caption_padded(S("123")), 52},
      {"l0", KvguiKind::LIST, kvgui_measure_caption_padded(S("123")), 68},
  };
  for (const Case& c : cases) {
    const KVGUI_WDG& w = widget(c.id);
    EXPECT_EQ(w.kind, c.kind) << c.id;
    EXPECT_EQ(w.WIDTH, c.width) << c.id;
    EXPECT_EQ(w.HEIGHT, c.height) << c.id;
  }
  EXPECT_STREQ(widget("sl").TEXT.text, "0.5");
  EXPECT_STREQ(widget("ff").FILTER.text, "*.txt");
  EXPECT_EQ(widget("tab").SELECT, -1);
  EXPECT_EQ(widget("ra").SELECT, 0);
  EXPECT_EQ(widget("r0").SELECT, -1);
  EXPECT_EQ(widget("li").COUNT, 3);
  EXPECT_EQ(widget("li").SELECT, 0);
  EXPECT_EQ(widget("li").scroll_range, 3);
  EXPECT_EQ(widget("l0").SELECT, -1);
}

TEST_F(Construction, AddingAnExistingIdOverwritesItsLookAndKeepsItsState) {
  plain_dialog(300, 200);
  kvgui_add_list(S("w"), S("a|b|c"), 0, 0);
  widget("w").SELECT = 2;
  kvgui_add_button(S("w"), S("now a button"), 90, 30);
  const KVGUI_WDG& w = widget("w");
  EXPECT_EQ(w.kind, KvguiKind::BUTTON);
  EXPECT_EQ(w.WIDTH, 90);
  EXPECT_STREQ(w.TEXT.text, "now a button");
  EXPECT_EQ(w.SELECT, 2);
  EXPECT_EQ(top().order.size1, 1);
}

TEST_F(Construction, CallbackWidgetsHearInitAtOnce) {
  plain_dialog(300, 200);
  callback_log().clear();
  kvgui_add_callback_widget(S("cw"), S("Dial"), kvgui_test::log_callback, 30, 30);
  kvgui_add_callback_widget(S(""), S("Dial"), kvgui_test::log_callback, 30, 30);
  kvgui_add_callback_widget(S("quiet"), S("Dial"), nullptr, 30, 30);
  EXPECT_EQ(callback_log(), (std::vector<std::string>{"cw INIT []", "iwdg%2 INIT []"}));
  EXPECT_EQ(widget("cw").kind, KvguiKind::USER);
  EXPECT_STREQ(widget("cw").TEXT.text, "");
}

TEST_F(Construction, SpriteButtonsTakeTheLargestSprite) {
  plain_dialog(600, 200);
  PixelImage a, b;
  ASSERT_TRUE(a.resize(20, 10));
  ASSERT_TRUE(b.resize(8, 30));
  ASSERT_TRUE(gfx_->set_sprite_image(5, a, false));
  ASSERT_TRUE(gfx_->set_sprite_image(6, b, false));
  BasicArray<BasicString> names;
  names.dim(3, 0, 0, 0);
  names.at(0) = S("s5");
  names.at(1) = S("s6");
  names.at(2) = S("unused");
  BasicArray<int> sprites;
  sprites.dim(2, 0, 0, 0);
  sprites.at(0) = 5;
  sprites.at(1) = 6;
  kvgui_add_sprite_buttons(names, sprites);
  EXPECT_STREQ(widget("s5").TEXT.text, "SPR_B5");
  EXPECT_STREQ(widget("s6").TEXT.text, "SPR_B6");
  EXPECT_EQ(widget("s5").WIDTH, 20);
  EXPECT_EQ(widget("s5").HEIGHT, 30);
  EXPECT_FALSE(exists("unused"));
  EXPECT_EQ(top().order.size1, 3);  // and a line break

  BasicArray<int> none;
  kvgui_add_sprite_buttons(names, none);
  EXPECT_EQ(top().order.size1, 4);
  EXPECT_EQ(widget("ID_SPACER_3").WIDTH, 10000);
}

TEST_F(Construction, InsertingAndDeletingItems) {
  plain_dialog(300, 200);
  struct Case {
    const char* items;
    int select;
    bool insert;
    const char* item;
    int index;
    const char* after;
    int count, select_after;
  } const cases[] = {
      {"a|b|c", 2, true, "x", 1, "a|x|b|c", 4, 3},
      {"a|b|c", 0, true, "x", 0, "x|a|b|c", 4, 1},
      {"a|b|c", 1, true, "", 7, "a|b|c|<null>", 4, 1},
      {"a|b|c", 2, true, "x", -1, "a|b|c|x", 4, 2},
      {"", 0, true, "x", 0, "x", 1, 0},
      {"a|b", 0, false, nullptr, 0, "b", 1, -1},
      {"a|b", 0, false, nullptr, 5, "a", 1, 0},
      {"a|b|c", 2, false, nullptr, 1, "a|c", 2, 1},
      {"a|b", 1, false, nullptr, -1, "", 0, -1},
      {"", 0, false, nullptr, 0, "", 0, -1},
  };
  for (const Case& c : cases) {
    kvgui_add_list(S("l"), S(c.items), 100, 0);
    widget("l").SELECT = c.select;
    widget("l").CLICKED = 1;
    if (c.insert)
      kvgui_insert_item(S("l"), S(c.item), c.index);
    else
      kvgui_delete_item(S("l"), c.index);
    const KVGUI_WDG& w = widget("l");
    EXPECT_STREQ(w.TEXT.text, c.after) << c.items << " " << c.index;
    EXPECT_EQ(w.COUNT, c.count) << c.items << " " << c.index;
    EXPECT_EQ(w.SELECT, c.select_after) << c.items << " " << c.index;
  }
}

}  // namespace

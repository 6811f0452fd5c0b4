// The application's entry points and its call-by-name table.
#include "game/entry.h"

#include <gtest/gtest.h>

#include <string>

#include "core/call_by_name.h"
#include "core/error_state.h"
#include "files/app_name.h"
#include "game/call_table.h"
#include "game/model.h"
#include "gfx2d/opengl_rainbows.h"
#include "host/project_settings.h"
#include "kvgui/globals.h"
#include "kvgui/unit_routines.h"
#include "tests/support/text_shape.h"

namespace {

using qvl_test::shaped_like;

TEST(GameEntry, ProjectSettings) {
  qvl_err_state.debug_mode = 1;
  game_project_settings();
  const ProjectSettings& s = qvl_win_project_settings;
  EXPECT_EQ(s.width, 1024);
  EXPECT_EQ(s.height, 768);
  EXPECT_EQ(s.full_screen, 0);
  EXPECT_EQ(s.multisample, 0);
  EXPECT_EQ(s.frame_rate, 60);
  EXPECT_EQ(s.hide_pointer, 1);
  EXPECT_EQ(qvl_err_state.debug_mode, 0);
  EXPECT_STREQ(qvl_sys_app_name().c_str(), "ZemoAppName");
}

TEST(GameEntry, CallTableNamesTheFrameAndWidgetUnits) {
  qvl_call_set_table(game_call_table);
  EXPECT_EQ(qvl_call_find_routine(BasicString("ZEMO_PLAYER_APP")), game_player_app_frame);
  EXPECT_EQ(qvl_call_find_routine(BasicString("__KVgui_Callbacks__")), __KVgui_Callbacks__);
  EXPECT_EQ(qvl_call_find_routine(BasicString("__KVgui_Helpers___")), __KVgui_Helpers___);
  EXPECT_EQ(qvl_call_find_routine(BasicString("__KVgui_Widgets___")), __KVgui_Widgets___);
  EXPECT_EQ(qvl_call_find_routine(BasicString("zemo_player_app")), nullptr);
  EXPECT_EQ(qvl_call_find_routine(BasicString("ZEMO_PLAYER_APP ")), nullptr);
  // The program has none of the runtime's optional hooks.
  EXPECT_EQ(qvl_call_find_routine(BasicString("QVL_ON_LOOP")), nullptr);
}

TEST(GameEntry, InfoAnswers) {
  BasicString s;
  game_info_version(s);
  EXPECT_STREQ(s.c_str(), "123.456");
  game_info_host_id(s);
  EXPECT_TRUE(shaped_like(s.c_str(), "xxxxxxxx")) << s.c_str();
  game_info_compiled(s);
  // "Jul 11 2019-05:05:01"; a day below 10 has a blank in place of the tens.
  EXPECT_TRUE(shaped_like(s.c_str(), "AAA ?9 9999-99:99:99")) << s.c_str();
}

TEST(GameEntry, GlobalsForTheWidgetLibrary) {
  kvgui_caret_color = 0xFF;
  kvgui_font_scaling = 1;
  game_init_globals();
  EXPECT_EQ(kvgui_caret_color, 0);
  EXPECT_EQ(kvgui_font_scaling, 0);
}

TEST(GameEntry, WindowTitleIsAlsoTheHostsCaption) {
  // The host puts its caption back when a pause ends.
  game_set_window_title(BasicString("Star Patrol"));
  EXPECT_STREQ(qvl_win_caption().c_str(), "Star Patrol");
}

}  // namespace

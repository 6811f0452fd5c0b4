#include "game/call_table.h"

#include "game/entry.h"
#include "kvgui/unit_routines.h"

const NamedSub game_call_table[] = {
    {game_player_app_frame, "ZEMO_PLAYER_APP"},
    {__KVgui_Callbacks__, "__KVgui_Callbacks__"},
    {__KVgui_Helpers___, "__KVgui_Helpers___"},
    {__KVgui_Widgets___, "__KVgui_Widgets___"},
    {nullptr, nullptr},
};

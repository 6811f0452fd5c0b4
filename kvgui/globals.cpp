#include "kvgui/globals.h"

// Definition order is release order reversed: the font goes first at exit,
// then the fade list, then the stack with every dialog in it.
BasicArray<KVGUI_DLG> kvgui_dialog_stack;
BasicArray<KVGUI_POPDLG_IMAGE> kvgui_fade_images;
KVGUI_FONT kvgui_font;

int32_t kvgui_font_scaling = 0;
int32_t kvgui_widget_height = 0;
int32_t kvgui_min_row_height = 0;
int32_t kvgui_caret_color = 0;
int32_t kvgui_mouse_down = 0;
double kvgui_use_keypad = 0.0;
double kvgui_keypad_open = 0.0;

int32_t kvgui_button_held = 0;
int32_t kvgui_last_mouse_x = 0, kvgui_last_mouse_y = 0;
double kvgui_rest_time = 0.0;
int32_t kvgui_rest_x = 0, kvgui_rest_y = 0;
int32_t kvgui_wheel_total_seen = 0;
int32_t kvgui_wheel_started = 0;
int32_t kvgui_wheel_notches = 0;

int32_t kvgui_last_key = 0;
int32_t kvgui_last_key_time = 0;

int32_t kvgui_escape_used = 0;

int32_t kvgui_busy_sprite = -1;
double kvgui_busy_next_time = 0.0;

int32_t kvgui_gradient_mode = -1;

uint32_t kvgui_dialog_serial = 0;

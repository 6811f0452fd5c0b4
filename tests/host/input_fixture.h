// An opened InputManager on a hidden window of SDL's offscreen driver, and
// helpers that push SDL events the way a real keyboard or mouse reports
// them.
#pragma once

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include "host/input_manager.h"
#include "platform/video.h"

class InputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = plat_window_create("input", 64, 48, 0);
    ASSERT_NE(window_, nullptr) << plat_video_error();
    qvl_input_manager = new InputManager();
    qvl_input_manager->open(window_, nullptr, 0);
    qvl_input_key_query_count = 0;
    qvl_input_wheel_sum = 0;
    qvl_input_pointer_mode = -1;
  }
  void TearDown() override {
    if (qvl_input_manager) {
      qvl_input_manager->release();
      delete qvl_input_manager;
      qvl_input_manager = nullptr;
    }
    plat_window_destroy(window_);
    plat_video_quit();
  }

  uint32_t window_id() const { return SDL_GetWindowID(window_); }

  void key(SDL_Scancode sc, bool down) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.windowID = window_id();
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.scancode = sc;
    e.key.keysym.sym = SDL_GetKeyFromScancode(sc);
    ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();
  }
  void motion(int x, int y, int dx, int dy) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.windowID = window_id();
    e.motion.x = x;
    e.motion.y = y;
    e.motion.xrel = dx;
    e.motion.yrel = dy;
    ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();
  }
  void button(uint8_t which, bool down) {
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.windowID = window_id();
    e.button.button = which;
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();
  }
  // What show-screen does at the end of every frame.
  void next_frame() {
    qvl_input_key_query_count = 0;
    qvl_input_manager->key_refresh_count = 100000;
  }

  WindowHandle window_ = nullptr;
};

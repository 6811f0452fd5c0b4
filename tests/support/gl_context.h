// A hidden window with a current GL context for tests that check GL state
// (SDL's offscreen driver: no display needed).
#pragma once

#include <gtest/gtest.h>

#include "platform/video.h"

class GlContextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = plat_window_create("test", 64, 64, 0);
    ASSERT_NE(window_, nullptr) << plat_video_error();
    context_ = plat_gl_create_context(window_);
    ASSERT_NE(context_, nullptr) << plat_video_error();
    ASSERT_TRUE(plat_gl_make_current(window_, context_));
  }
  void TearDown() override {
    plat_gl_make_current(window_, nullptr);
    plat_gl_delete_context(context_);
    plat_window_destroy(window_);
    plat_video_quit();
  }
  WindowHandle window_ = nullptr;
  GlContext context_ = nullptr;
};

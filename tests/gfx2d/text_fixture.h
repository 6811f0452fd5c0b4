// A small hidden window with the one graphics object on it, for text tests
// that read a few pixels back.
#pragma once

#include "tests/gfx2d/gfx_fixture.h"

using GfxWindowTest = GfxWindowFixture<160, 120>;

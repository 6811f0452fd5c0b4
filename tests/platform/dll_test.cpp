#include "platform/dll.h"

#include <gtest/gtest.h>

#include "platform/pointer_input.h"

namespace {
int enable_calls = 0;
int fake_enable(int on) {
  ++enable_calls;
  return on;
}
}  // namespace

TEST(Dll, User32IsTheLayersOwn) {
  QvlDllModule* m = qvl_dll_open("USER32.DLL");
  ASSERT_NE(m, nullptr);
  EXPECT_TRUE(qvl_dll_is_builtin(m));
  auto enable = reinterpret_cast<QvlEnableMouseInPointerFn>(qvl_dll_symbol(m, "EnableMouseInPointer"));
  ASSERT_NE(enable, nullptr);
  EXPECT_NE(qvl_dll_symbol(m, "GetPointerTouchInfo"), nullptr);
  EXPECT_EQ(qvl_dll_symbol(m, "enablemouseinpointer"), nullptr);  // entries keep their case
  EXPECT_EQ(qvl_dll_symbol(m, "MessageBoxA"), nullptr);

  // A stub until the host fills it in; the bound address stays the same.
  EXPECT_EQ(enable(1), 0);
  qvl_user32_set_pointer_handlers(&fake_enable, nullptr);
  EXPECT_EQ(enable(1), 1);
  EXPECT_EQ(enable_calls, 1);
  qvl_user32_set_pointer_handlers(nullptr, nullptr);
  qvl_dll_close(m);
}

TEST(Dll, SystemLibrariesThroughDlopen) {
  QvlDllModule* m = qvl_dll_open("libm.so.6");
  ASSERT_NE(m, nullptr);
  EXPECT_FALSE(qvl_dll_is_builtin(m));
  auto cosine = reinterpret_cast<double (*)(double)>(qvl_dll_symbol(m, "cos"));
  ASSERT_NE(cosine, nullptr);
  EXPECT_DOUBLE_EQ(cosine(0.0), 1.0);
  EXPECT_EQ(qvl_dll_symbol(m, "no_such_entry_here"), nullptr);
  qvl_dll_close(m);
  EXPECT_EQ(qvl_dll_open("kernel33.dll"), nullptr);
  EXPECT_EQ(qvl_dll_open(""), nullptr);
}

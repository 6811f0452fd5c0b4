#include "files/dll_binding.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cctype>
#include <string>

#include "platform/pointer_input.h"
#include "tests/support/test_files.h"

namespace {

using qvl_test::error_log;
std::string debug_log() { return qvl_test::read_file(qvl_test::temp_dir() + "debug.log"); }

void capture_debug_log() {
  setenv("QVL_DEBUG_LOG", (qvl_test::temp_dir() + "debug.log").c_str(), 1);
}

}  // namespace

TEST(DllBinding, BindsInOrderAndLogsEachFailure) {
  capture_debug_log();
  void* add = nullptr;
  void* missing_entry = nullptr;
  void* missing_module = reinterpret_cast<void*>(0x1);  // cleared by the declaration
  void* answer = nullptr;
  void* touch = nullptr;
  void* enable = nullptr;
  EXPECT_EQ(qvl_dll_declare(QVL_TEST_DLL_PATH, "qvl_fixture_add", &add), 1);
  qvl_dll_declare(QVL_TEST_DLL_PATH, "no_such_entry", &missing_entry);
  qvl_dll_declare("NoSuchLib.so", "anything", &missing_module);
  EXPECT_EQ(missing_module, nullptr);
  qvl_dll_declare(QVL_TEST_DLL_PATH, "qvl_fixture_answer", &answer);
  qvl_dll_declare("user32.dll", "GetPointerTouchInfo", &touch);
  EXPECT_EQ(qvl_dll_declare("User32.dll", "EnableMouseInPointer", &enable), 6);

  qvl_dll_resolve_all();

  ASSERT_NE(add, nullptr);
  EXPECT_EQ(reinterpret_cast<int (*)(int, int)>(add)(2, 3), 5);
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(reinterpret_cast<int (*)()>(answer)(), 42);
  EXPECT_EQ(missing_entry, nullptr);
  EXPECT_EQ(missing_module, nullptr);
  EXPECT_EQ(touch, reinterpret_cast<void*>(&qvl_user32_get_pointer_touch_info));
  EXPECT_EQ(enable, reinterpret_cast<void*>(&qvl_user32_enable_mouse_in_pointer));

  EXPECT_EQ(error_log(),
            "Delay load DLLs\n"
            "DECLARE entry not found: no_such_entry\n"
            "DECLARE module not found: nosuchlib.so\n");
  EXPECT_EQ(debug_log(),
            "TXDECLARE entry not found: no_such_entry\n"
            "TXDECLARE module not found: nosuchlib.so\n");

  // Each library once, under its lower-cased name; both user32 spellings
  // share one entry.
  std::string fixture = QVL_TEST_DLL_PATH;
  for (char& c : fixture) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const DllRegistry& r = qvl_dll_registry();
  ASSERT_EQ(r.names.count, 2);
  EXPECT_EQ(std::string(r.names[0].c_str()), fixture);
  EXPECT_STREQ(r.names[1].c_str(), "user32.dll");
  EXPECT_EQ(r.modules.count, 2);
  EXPECT_EQ(r.names.capacity, 512);  // the first block of a 128 / 512 vector
}

TEST(DllBinding, NoDeclarationsWriteNothing) {
  capture_debug_log();
  qvl_dll_resolve_all();
  EXPECT_EQ(error_log(), "");
  EXPECT_EQ(debug_log(), "");
}

TEST(DllBinding, ResolveOneAndUnloadAtExit) {
  void* slot = nullptr;
  void* address = qvl_dll_resolve(QVL_TEST_DLL_PATH, "qvl_fixture_answer", &slot);
  EXPECT_EQ(address, slot);
  ASSERT_NE(slot, nullptr);
  qvl_dll_at_exit();
  EXPECT_EQ(qvl_dll_registry().modules.count, 0);
  EXPECT_EQ(qvl_dll_registry().names.count, 0);
}

TEST(DllBinding, ModulePathWithBackslashesAndOtherCase) {
  // Programs write Windows paths; the second look-up ignores case.
  std::string path = QVL_TEST_DLL_PATH;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  size_t last = path.rfind('\\');
  for (size_t i = last + 1; i < path.size(); ++i) {
    path[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(path[i])));
  }
  void* slot = nullptr;
  EXPECT_NE(qvl_dll_resolve(path.c_str(), "qvl_fixture_add", &slot), nullptr);
}

#include "files/mem_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int g_freed = 0;
void count_free(void* block) {
  ++g_freed;
  std::free(block);
}

uint8_t* new_block(const char* text) {
  auto* block = static_cast<uint8_t*>(std::malloc(std::strlen(text) + 1));
  std::memcpy(block, text, std::strlen(text) + 1);
  return block;
}

TEST(MemFile, NameHasTheFixedFormatAndOpens) {
  uint8_t* block = new_block("hello");
  char name[kMemFileNameSize];
  ASSERT_TRUE(qvl_mem_file_register(block, 5, std::free, name));
  char expected[kMemFileNameSize];
  std::snprintf(expected, sizeof expected, "mem://       5.%p", static_cast<void*>(block));
  EXPECT_STREQ(name, expected);

  const uint8_t* data = nullptr;
  uint32_t size = 0;
  ASSERT_TRUE(qvl_mem_file_acquire(name, &data, &size));
  EXPECT_EQ(data, block);
  EXPECT_EQ(size, 5u);
  qvl_mem_file_unpin(data);
  qvl_mem_file_release(block);
  EXPECT_FALSE(qvl_mem_file_known(name));
}

TEST(MemFile, NamesThatNameNoLiveBlockFailToOpen) {
  uint8_t* block = new_block("registered");
  char name[kMemFileNameSize];
  ASSERT_TRUE(qvl_mem_file_register(block, 10, std::free, name));
  char stack_bytes[16] = "not registered";
  char forged[kMemFileNameSize], wrong_size[kMemFileNameSize];
  std::snprintf(forged, sizeof forged, "mem://%8x.%p", 16u, static_cast<void*>(stack_bytes));
  std::snprintf(wrong_size, sizeof wrong_size, "mem://%8x.%p", 11000u, static_cast<void*>(block));
  const char* bad[] = {forged, wrong_size, "mem://", "mem://       5.", "mem://zzzzzzzz.0x10",
                       "mem://       5.0x0", "mem://       5.(nil)", "Mem://       5.0x1234",
                       "mem://       5.0xffffffffffffffffff"};
  for (const char* n : bad) {
    const uint8_t* data = nullptr;
    uint32_t size = 0;
    EXPECT_FALSE(qvl_mem_file_acquire(n, &data, &size)) << n;
    EXPECT_FALSE(qvl_mem_file_known(n)) << n;
  }
  EXPECT_TRUE(qvl_mem_file_known(name));
  qvl_mem_file_release(block);
}

TEST(MemFile, AnOpenReaderKeepsAReleasedBlockAlive) {
  g_freed = 0;
  uint8_t* block = new_block("payload");
  char name[kMemFileNameSize];
  ASSERT_TRUE(qvl_mem_file_register(block, 7, count_free, name));
  const uint8_t* data = nullptr;
  uint32_t size = 0;
  ASSERT_TRUE(qvl_mem_file_acquire(name, &data, &size));
  qvl_mem_file_release(block);
  EXPECT_EQ(g_freed, 0);
  EXPECT_FALSE(qvl_mem_file_known(name));  // released: no new reader
  EXPECT_EQ(std::memcmp(data, "payload", 7), 0);
  qvl_mem_file_unpin(data);
  EXPECT_EQ(g_freed, 1);

  // Without a reader, release frees at once; a null free function never frees.
  uint8_t* other = new_block("x");
  ASSERT_TRUE(qvl_mem_file_register(other, 1, count_free, name));
  qvl_mem_file_release(other);
  EXPECT_EQ(g_freed, 2);
  static uint8_t fixed[4] = {1, 2, 3, 4};
  ASSERT_TRUE(qvl_mem_file_register(fixed, 4, nullptr, name));
  qvl_mem_file_release(fixed);
  EXPECT_EQ(g_freed, 2);
  EXPECT_FALSE(qvl_mem_file_register(nullptr, 0, nullptr, name));
  EXPECT_STREQ(name, "");
}

}  // namespace

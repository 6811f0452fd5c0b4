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
  // Size from character 6, address from character 15, as every reader of
  // the name takes them; then the registration's number.
  char expected[kMemFileNameSize];
  std::snprintf(expected, sizeof expected, "mem://       5.%p#", static_cast<void*>(block));
  EXPECT_EQ(std::strncmp(name, expected, std::strlen(expected)), 0) << name;
  EXPECT_GT(std::strlen(name), std::strlen(expected));
  EXPECT_EQ(std::strtoul(name + 6, nullptr, 16), 5u);
  EXPECT_EQ(std::strtoull(name + 15, nullptr, 16), reinterpret_cast<uintptr_t>(block));

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
  char forged[kMemFileNameSize], wrong_size[kMemFileNameSize], unnumbered[kMemFileNameSize];
  std::snprintf(forged, sizeof forged, "mem://%8x.%p#1", 16u, static_cast<void*>(stack_bytes));
  std::snprintf(wrong_size, sizeof wrong_size, "mem://%8x.%p%s", 11000u, static_cast<void*>(block),
                std::strchr(name, '#'));
  std::snprintf(unnumbered, sizeof unnumbered, "mem://%8x.%p", 10u, static_cast<void*>(block));
  const std::string renumbered = std::string(name) + "0";
  const std::string trailing = std::string(name) + " ";
  const char* bad[] = {forged, wrong_size, unnumbered, renumbered.c_str(), trailing.c_str(),
                       "mem://", "mem://       5.", "mem://zzzzzzzz.0x10",
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

// The allocator may hand a freed block's address to the next block of the
// same size; a name formed for the first must not open the second.
TEST(MemFile, AStaleNameNeverOpensANewerBlockAtTheSameAddress) {
  static uint8_t reused[3] = {'o', 'l', 'd'};
  char first[kMemFileNameSize], second[kMemFileNameSize];
  ASSERT_TRUE(qvl_mem_file_register(reused, 3, nullptr, first));
  qvl_mem_file_release(reused);
  ASSERT_TRUE(qvl_mem_file_register(reused, 3, nullptr, second));
  EXPECT_STRNE(first, second);
  EXPECT_FALSE(qvl_mem_file_known(first));
  EXPECT_TRUE(qvl_mem_file_known(second));
  // Registering a live block again renames it too.
  char third[kMemFileNameSize];
  ASSERT_TRUE(qvl_mem_file_register(reused, 3, nullptr, third));
  EXPECT_FALSE(qvl_mem_file_known(second));
  EXPECT_TRUE(qvl_mem_file_known(third));
  qvl_mem_file_release(reused);
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

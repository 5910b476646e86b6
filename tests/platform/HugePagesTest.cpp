#include "platform/HugePages.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

namespace zun {
namespace {

// A race's buffers grow past the size where they are mapped apart, shrink and are handed over:
// every byte written must read back, small and large blocks alike.
TEST(HugePages, LargeAndSmallBlocksKeepTheirBytesAcrossGrowthAndMoves) {
  LargeVector<uint32_t> numbers;
  for (uint32_t i = 0; i < 3'000'000; ++i) numbers.push_back(i * 7);  // through small and large blocks
  LargeVector<uint32_t> moved = std::move(numbers);
  ASSERT_EQ(moved.size(), 3'000'000u);
  for (uint32_t i = 0; i < moved.size(); i += 9973) ASSERT_EQ(moved[i], i * 7);
  moved.resize(10);
  moved.shrink_to_fit();
  EXPECT_EQ(moved[9], 63u);

  std::basic_string<char, std::char_traits<char>, HugePageAllocator<char>> text;
  text.reserve(5u << 20);
  text.append(5u << 20, 'a');
  text += "end";
  EXPECT_EQ(text.size(), (5u << 20) + 3);
  EXPECT_EQ(text.substr(text.size() - 4), "aend");
  EXPECT_EQ(text.c_str()[text.size()], '\0');
}

TEST(HugePages, ABlockOfTheLargeSizeIsUsableToItsLastByte) {
  for (size_t bytes : {size_t{1}, size_t{2} << 20, (size_t{2} << 20) + 1, size_t{7} << 20}) {
    char* block = static_cast<char*>(AllocateLarge(bytes));
    ASSERT_NE(block, nullptr);
    std::memset(block, 0x5A, bytes);
    EXPECT_EQ(block[bytes - 1], 0x5A);
    FreeLarge(block, bytes);
  }
}

}  // namespace
}  // namespace zun

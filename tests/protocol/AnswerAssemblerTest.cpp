// The board's answer put together from its input reports, as the recorder and the window's
// recording both take it.
#include <gtest/gtest.h>

#include <vector>

#include "protocol/BoardProtocol.h"

namespace {

// The bytes of `count` samples counting up from `first`, little-endian.
std::vector<uint8_t> RampBytes(uint16_t first, int count) {
  std::vector<uint8_t> bytes;
  for (int k = 0; k < count; ++k) {
    const uint16_t raw = static_cast<uint16_t>(first + k);
    bytes.push_back(static_cast<uint8_t>(raw & 0xFF));
    bytes.push_back(static_cast<uint8_t>(raw >> 8));
  }
  return bytes;
}

BoardProtocol::TSampleBlock RampBlock(uint16_t first) {
  BoardProtocol::TSampleBlock block{};
  for (int k = 0; k < BoardProtocol::kSamplesPerBlock; ++k)
    block[k] = static_cast<uint16_t>(first + k);
  return block;
}

}  // namespace

TEST(AnswerAssembler, AWholeReportIsABlockAndBytesBeyondItAreNoSamples) {
  BoardProtocol::TAnswerAssembler answer;
  BoardProtocol::TSampleBlock block{};
  std::vector<uint8_t> report = RampBytes(1000, 32);
  ASSERT_TRUE(answer.Take(report.data(), report.size(), block));
  EXPECT_EQ(block, RampBlock(1000));
  // A longer report (a board whose input report has room to spare): the first 64 bytes.
  report = RampBytes(300, 33);
  ASSERT_TRUE(answer.Take(report.data(), report.size(), block));
  EXPECT_EQ(block, RampBlock(300));
  // Nothing of the spare bytes is kept for the next answer.
  report = RampBytes(7, 32);
  ASSERT_TRUE(answer.Take(report.data(), report.size(), block));
  EXPECT_EQ(block, RampBlock(7));
}

TEST(AnswerAssembler, ShortReportsAreJoinedUntilABlockHasCome) {
  BoardProtocol::TAnswerAssembler answer;
  BoardProtocol::TSampleBlock block{};
  const std::vector<uint8_t> bytes = RampBytes(500, 40);
  // Eight reports of 8 bytes: only the last completes the block.
  for (int part = 0; part < 7; ++part)
    EXPECT_FALSE(answer.Take(bytes.data() + 8 * part, 8, block)) << "part " << part;
  ASSERT_TRUE(answer.Take(bytes.data() + 56, 8, block));
  EXPECT_EQ(block, RampBlock(500));
  // 40 bytes and then 40: the block is the first 64; the 16 after it belong to no block.
  ASSERT_FALSE(answer.Take(bytes.data(), 40, block));
  ASSERT_TRUE(answer.Take(bytes.data() + 40, 40, block));
  EXPECT_EQ(block, RampBlock(500));
  const std::vector<uint8_t> next = RampBytes(900, 32);
  ASSERT_TRUE(answer.Take(next.data(), next.size(), block));
  EXPECT_EQ(block, RampBlock(900));
}

TEST(AnswerAssembler, ANewAnswerDropsWhatCameOfTheLastOne) {
  BoardProtocol::TAnswerAssembler answer;
  BoardProtocol::TSampleBlock block{};
  const std::vector<uint8_t> half = RampBytes(0, 16);
  ASSERT_FALSE(answer.Take(half.data(), half.size(), block));
  answer.NewAnswer();
  // Without the new answer, these 32 bytes would have completed a block of two answers.
  const std::vector<uint8_t> second = RampBytes(200, 16);
  EXPECT_FALSE(answer.Take(second.data(), second.size(), block));
  const std::vector<uint8_t> rest = RampBytes(216, 16);
  ASSERT_TRUE(answer.Take(rest.data(), rest.size(), block));
  EXPECT_EQ(block, RampBlock(200));
  // An empty report changes nothing.
  EXPECT_FALSE(answer.Take(nullptr, 0, block));
}

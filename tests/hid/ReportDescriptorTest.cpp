#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "BoardDescriptor.h"
#include "hid/ReportDescriptor.h"

namespace {

struct Row {
  std::string name;
  std::vector<uint8_t> bytes;
  bool numbered;
  unsigned usagePage, usage, input, output, feature;
};

std::vector<uint8_t> FromHex(const std::string& text) {
  std::vector<uint8_t> bytes;
  std::istringstream in(text);
  std::string byte;
  while (in >> byte) bytes.push_back(static_cast<uint8_t>(std::stoul(byte, nullptr, 16)));
  return bytes;
}

unsigned Number(const std::string& text) {
  return text.empty() ? 0 : static_cast<unsigned>(std::stoul(text, nullptr, 0));
}

std::vector<Row> ReadCorpus(const std::string& file) {
  std::ifstream in(std::string(SIMPLESCOPE_TEST_DATA) + "/" + file);
  std::vector<Row> rows;
  std::string line;
  std::getline(in, line);  // header
  while (std::getline(in, line)) {
    std::vector<std::string> f;
    std::stringstream fields(line);
    std::string field;
    while (std::getline(fields, field, '\t')) f.push_back(field);
    if (f.size() < 9) continue;
    rows.push_back({f[0], FromHex(f[2]), f[3] == "1", Number(f[4]), Number(f[5]), Number(f[6]),
                    Number(f[7]), Number(f[8])});
  }
  return rows;
}

THidDescriptorInfo Parse(const std::vector<uint8_t>& bytes) {
  return ParseReportDescriptor(bytes.data(), bytes.size());
}

}  // namespace

TEST(ReportDescriptor, AgreesWithEveryRowOfTheCorpus) {
  const auto rows = ReadCorpus("hid-descriptors.tsv");
  ASSERT_EQ(rows.size(), 111u);
  for (const Row& row : rows) {
    const THidDescriptorInfo info = Parse(row.bytes);
    SCOPED_TRACE(row.name);
    EXPECT_EQ(info.Numbered, row.numbered);
    EXPECT_EQ(info.UsagePage, row.usagePage);
    EXPECT_EQ(info.Usage, row.usage);
    EXPECT_EQ(info.InputReportByteLength, row.input);
    EXPECT_EQ(info.OutputReportByteLength, row.output);
    EXPECT_EQ(info.FeatureReportByteLength, row.feature);
    EXPECT_FALSE(info.Truncated || info.UnbalancedEnd || info.UnclosedCollection);
  }
}

TEST(ReportDescriptor, TheFuzzerMadeRowGetsADefinedResult) {
  const auto rows = ReadCorpus("hid-descriptors-edge.tsv");
  ASSERT_EQ(rows.size(), 1u);
  const THidDescriptorInfo info = Parse(rows[0].bytes);
  EXPECT_EQ(info.InputReportByteLength, rows[0].input);
  EXPECT_EQ(info.OutputReportByteLength, rows[0].output);
  EXPECT_EQ(info.FeatureReportByteLength, rows[0].feature);
  EXPECT_EQ(info.Collections, 0);
}

TEST(ReportDescriptor, TheBoard) {
  const THidDescriptorInfo info = Parse(kBoardDescriptor);
  EXPECT_EQ(info.UsagePage, 0xFF00);
  EXPECT_EQ(info.Usage, 1);
  EXPECT_EQ(info.InputReportByteLength, 65);
  EXPECT_EQ(info.OutputReportByteLength, 9);
  EXPECT_EQ(info.FeatureReportByteLength, 0);
  EXPECT_FALSE(info.Numbered);
  const THidPCaps caps = CapsFromDescriptorInfo(info);
  EXPECT_EQ(caps.InputReportByteLength, 65);
  EXPECT_EQ(caps.OutputReportByteLength, 9);
  EXPECT_EQ(caps.NumberLinkCollectionNodes, 1);
  EXPECT_EQ(caps.NumberInputDataIndices, 64);
}

TEST(ReportDescriptor, EveryTruncationOfARealDescriptorIsSafe) {
  const auto rows = ReadCorpus("hid-descriptors.tsv");
  for (const Row& row : rows) {
    for (size_t cut = 0; cut <= row.bytes.size(); ++cut) {
      // A copy of exactly `cut` bytes, so a read past the end is an AddressSanitizer error.
      std::vector<uint8_t> prefix(row.bytes.begin(), row.bytes.begin() + cut);
      const THidDescriptorInfo info = ParseReportDescriptor(prefix.data(), prefix.size());
      EXPECT_LE(info.InputReportByteLength, 0xFFFF);
    }
  }
  EXPECT_EQ(ParseReportDescriptor(nullptr, 0).InputReportByteLength, 0);
}

TEST(ReportDescriptor, MalformedItemsHaveDefinedResults) {
  // Truncated mid-item: Report Count wants two bytes, one is there.
  auto info = Parse({0x75, 0x08, 0x96, 0x40});
  EXPECT_TRUE(info.Truncated);
  // A long item is stepped over; one running past the end stops the walk.
  info = Parse({0xFE, 0x02, 0x10, 0xAA, 0xBB, 0x75, 0x08, 0x95, 0x02, 0x81, 0x02});
  EXPECT_FALSE(info.Truncated);
  EXPECT_EQ(info.InputReportByteLength, 3);
  info = Parse({0xFE, 0xFF, 0x10, 0x00});
  EXPECT_TRUE(info.Truncated);
  // Unknown tags (reserved main, global and local tags) change nothing.
  info = Parse({0xF0, 0xF4, 0xF8, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02});
  EXPECT_EQ(info.InputReportByteLength, 2);
  // Report Size 0 declares no bits; Report Size above 32 is counted as written.
  info = Parse({0x75, 0x00, 0x95, 0x10, 0x81, 0x02, 0x75, 0x40, 0x95, 0x01, 0xB1, 0x02});
  EXPECT_EQ(info.InputReportByteLength, 1);
  EXPECT_EQ(info.FeatureReportByteLength, 9);
  // Absurd sizes and counts saturate at the largest length the record can hold.
  info =
      Parse({0x77, 0xFF, 0xFF, 0xFF, 0xFF, 0x97, 0xFF, 0xFF, 0xFF, 0xFF, 0x81, 0x02, 0x81, 0x02});
  EXPECT_EQ(info.InputReportByteLength, 0xFFFF);
  info = Parse({0x75, 0x08, 0x96, 0xFF, 0xFF, 0x91, 0x02});
  EXPECT_EQ(info.OutputReportByteLength, 0xFFFF);
  // Unbalanced End Collection and a collection left open are noticed, not fatal.
  info = Parse({0xC0, 0xC0, 0xA1, 0x01});
  EXPECT_TRUE(info.UnbalancedEnd);
  EXPECT_TRUE(info.UnclosedCollection);
}

TEST(ReportDescriptor, DeepNestingAndStackMisuse) {
  std::vector<uint8_t> deep;
  for (int i = 0; i < 1000; ++i) deep.insert(deep.end(), {0x09, 0x01, 0xA1, 0x02});
  deep.insert(deep.end(), {0x75, 0x08, 0x95, 0x03, 0x81, 0x02});
  for (int i = 0; i < 1000; ++i) deep.push_back(0xC0);
  auto info = Parse(deep);
  EXPECT_EQ(info.Collections, 1000);
  EXPECT_EQ(info.InputReportByteLength, 4);
  EXPECT_FALSE(info.UnclosedCollection);

  // Pop without Push keeps the current globals; Push without Pop is harmless; Pop restores
  // the report id as well as the sizes.
  info = Parse({0xB4, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02});
  EXPECT_TRUE(info.StackMisuse);
  EXPECT_EQ(info.InputReportByteLength, 2);
  std::vector<uint8_t> pushes;
  for (int i = 0; i < 100; ++i) pushes.push_back(0xA4);
  pushes.insert(pushes.end(), {0x75, 0x08, 0x95, 0x01, 0x81, 0x02});
  info = Parse(pushes);
  EXPECT_TRUE(info.StackMisuse);
  EXPECT_EQ(info.InputReportByteLength, 2);
  info = Parse({0x85, 0x01, 0x75, 0x08, 0x95, 0x02, 0xA4, 0x85, 0x02, 0x95, 0x10, 0x81, 0x02, 0xB4,
                0x81, 0x02});
  EXPECT_EQ(info.InputReportByteLength, 17);  // report 2: 16 bytes; report 1: 2 bytes
}

TEST(ReportDescriptor, SixteenMegabytesInLinearTime) {
  // One byte field declared, then sixteen million one-byte Input items.
  std::vector<uint8_t> huge(16 * 1024 * 1024, 0x80);
  const uint8_t field[] = {0x75, 0x08, 0x95, 0x01};
  std::copy(std::begin(field), std::end(field), huge.begin());
  const THidDescriptorInfo info = Parse(huge);
  EXPECT_EQ(info.InputReportByteLength, 0xFFFF);  // saturated, not wrapped
}

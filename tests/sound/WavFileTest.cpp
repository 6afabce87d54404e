#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "sound/WavFile.h"

namespace {

std::uint32_t Little32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | std::uint32_t{bytes[at + 3]} << 24;
}
std::uint16_t Little16(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}
std::string Tag(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  return std::string(bytes.begin() + at, bytes.begin() + at + 4);
}

TEST(WavFile, HeaderSaysPcmMono44100And16Bits) {
  const std::vector<std::int16_t> samples{0, 1, -1, 32767, -32768, 0x1234};
  const auto bytes = WavFile::Bytes(samples);
  ASSERT_EQ(bytes.size(), 44u + 12u);
  EXPECT_EQ(Tag(bytes, 0), "RIFF");
  EXPECT_EQ(Little32(bytes, 4), bytes.size() - 8);
  EXPECT_EQ(Tag(bytes, 8), "WAVE");
  EXPECT_EQ(Tag(bytes, 12), "fmt ");
  EXPECT_EQ(Little32(bytes, 16), 16u);
  EXPECT_EQ(Little16(bytes, 20), 1);  // PCM
  EXPECT_EQ(Little16(bytes, 22), 1);  // mono
  EXPECT_EQ(Little32(bytes, 24), 44100u);
  EXPECT_EQ(Little32(bytes, 28), 88200u);
  EXPECT_EQ(Little16(bytes, 32), 2);
  EXPECT_EQ(Little16(bytes, 34), 16);
  EXPECT_EQ(Tag(bytes, 36), "data");
  EXPECT_EQ(Little32(bytes, 40), 12u);
  // The samples, little-endian, in order.
  const std::vector<std::uint8_t> data(bytes.begin() + 44, bytes.end());
  EXPECT_EQ(data, (std::vector<std::uint8_t>{0, 0, 1, 0, 0xFF, 0xFF, 0xFF, 0x7F, 0x00, 0x80, 0x34,
                                             0x12}));
  // No samples: a header alone.
  const auto empty = WavFile::Bytes({});
  ASSERT_EQ(empty.size(), 44u);
  EXPECT_EQ(Little32(empty, 4), 36u);
  EXPECT_EQ(Little32(empty, 40), 0u);
}

class WavFileWrite : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ =
        std::filesystem::temp_directory_path() /
        ("simplescope-wav-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
         "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }
  std::filesystem::path folder_;
};

TEST_F(WavFileWrite, WritesTheBytesAndReplacesAnOldFile) {
  const std::vector<std::int16_t> samples(44100, -1234);
  // Japanese in the name, as a teacher would save it.
  const auto path = folder_ / std::filesystem::path(u8"音-test.wav");
  { std::ofstream(path, std::ios::binary) << std::string(200000, 'x'); }
  WavFile::Write(path, samples);
  std::ifstream file(path, std::ios::binary);
  const std::vector<std::uint8_t> read((std::istreambuf_iterator<char>(file)),
                                       std::istreambuf_iterator<char>());
  EXPECT_EQ(read, WavFile::Bytes(samples));
}

TEST_F(WavFileWrite, AFolderThatIsNotThereGivesAClearError) {
  const auto path = folder_ / "missing" / "sound.wav";
  try {
    WavFile::Write(path, std::vector<std::int16_t>(10, 0));
    FAIL() << "no error";
  } catch (const WavFile::TWriteError& error) {
    const std::string message = error.what();
    EXPECT_NE(message.find("Cannot create the sound file"), std::string::npos) << message;
    EXPECT_NE(message.find("sound.wav"), std::string::npos) << message;
    EXPECT_NE(message.find(std::strerror(ENOENT)), std::string::npos) << message;
  }
  EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace

#include <gtest/gtest.h>

#include "DeviceListing.h"
#include "RecorderOptions.h"

namespace {

TRecorderCommandLine Parse(QStringList arguments) {
  arguments.prepend(QStringLiteral("simplescope-record"));
  return ParseRecorderCommandLine(arguments);
}

}  // namespace

TEST(RecorderOptions, DefaultsAreTheWindowsRateToStandardOutputUntilStopped) {
  const TRecorderCommandLine parsed = Parse({});
  ASSERT_TRUE(parsed.options);
  EXPECT_EQ(parsed.options->intervalMs, 100);
  EXPECT_TRUE(parsed.options->output.isEmpty());
  EXPECT_EQ(parsed.options->format, TSampleTable::TFormat::Csv);
  EXPECT_FALSE(parsed.options->seconds);
  EXPECT_FALSE(parsed.options->blocks);
  EXPECT_FALSE(parsed.options->noWait);
  EXPECT_FALSE(parsed.options->exitOnUnplug);
}

TEST(RecorderOptions, EveryOptionInBothSpellings) {
  const TRecorderCommandLine parsed =
      Parse({"-o", "lab.csv", "--format=tsv", "--seconds", "2.5", "--blocks=40", "--interval", "10",
             "--no-wait", "--exit-on-unplug"});
  ASSERT_TRUE(parsed.options) << parsed.text.toStdString();
  EXPECT_EQ(parsed.options->output, "lab.csv");
  EXPECT_EQ(parsed.options->format, TSampleTable::TFormat::Tsv);
  EXPECT_DOUBLE_EQ(*parsed.options->seconds, 2.5);
  EXPECT_EQ(*parsed.options->blocks, 40u);
  EXPECT_EQ(parsed.options->intervalMs, 10);
  EXPECT_TRUE(parsed.options->noWait);
  EXPECT_TRUE(parsed.options->exitOnUnplug);
  EXPECT_TRUE(Parse({"--list"}).options->list);
}

TEST(RecorderOptions, MistakesAreUsageErrorsWithExitCodeTwo) {
  for (const QStringList& arguments : {QStringList{"--interval", "9"},
                                       {"--interval", "1e2"},
                                       {"--blocks", "0"},
                                       {"--seconds", "-1"},
                                       {"--seconds", "inf"},
                                       {"--format", "CSV"},
                                       {"--output"},
                                       {"--list", "--no-wait"},
                                       {"extra"},
                                       {"--unknown"}}) {
    const TRecorderCommandLine parsed = Parse(arguments);
    EXPECT_FALSE(parsed.options) << arguments.join(' ').toStdString();
    EXPECT_EQ(parsed.exitCode, 2) << arguments.join(' ').toStdString();
    EXPECT_TRUE(parsed.text.startsWith("simplescope-record: ")) << parsed.text.toStdString();
  }
  const TRecorderCommandLine help = Parse({"--help"});
  EXPECT_FALSE(help.options);
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_TRUE(help.text.contains("--interval <MS>")) << help.text.toStdString();
}

TEST(DeviceListing, ColumnsLineUpAndOnlyABoardWithoutAccessGetsAdvice) {
  std::vector<TListedDevice> devices = {
      {"/dev/hidraw10", 0x046D, 0xC077, "USB Optical Mouse", false},
      {"/dev/hidraw2", 0x21CF, 0x0004, "", true},
      {"/dev/hidraw3", 0x21CF, 0x0004, "Board", false},
  };
  const QString text = DeviceListingText(devices);
  EXPECT_EQ(text.toStdString(),
            "/dev/hidraw10  046D:C077  USB Optical Mouse  no access\n"
            "/dev/hidraw2   21CF:0004  (no name)          read/write  <- experiment board\n"
            "/dev/hidraw3   21CF:0004  Board              no access   <- experiment board\n"
            "\n" +
                NoAccessAdvice("/dev/hidraw3", THidAccessRemedy::CheckPermissions).toStdString() +
                "\n");
  EXPECT_EQ(DeviceListingText({}).toStdString(), "No HID devices found.\n");
}

// On Windows what stood in the way decides the advice: another program that holds the board
// (close it) or the machine's policy (ask the administrator); permissions are Linux's. Devices
// the recorder doesn't use are listed there without being opened, and say so.
TEST(DeviceListing, TheAdviceFollowsWhatStoodInTheWayAndUnopenedDevicesSaySo) {
  const std::string node = "\\\\?\\hid#vid_21cf&pid_0004#1";
  const std::pair<THidAccessRemedy, const char*> cases[] = {
      {THidAccessRemedy::CloseOtherPrograms, "another program holds it"},
      {THidAccessRemedy::AskAdministrator, "Ask the administrator"},
      {THidAccessRemedy::CheckPermissions, "udev"},
  };
  for (const auto& [remedy, advice] : cases) {
    TListedDevice board{QString::fromStdString(node), 0x21CF, 0x0004, "Board", false, remedy};
    TListedDevice mouse{"\\\\?\\hid#vid_046d&pid_c077#2",
                        0x046D,
                        0xC077,
                        "Mouse",
                        false,
                        remedy,
                        /*listedOnly=*/true};
    const QString text = DeviceListingText({board, mouse});
    const QStringList lines = text.split(QLatin1Char('\n'));
    ASSERT_GE(lines.size(), 4) << text.toStdString();
    EXPECT_TRUE(lines[0].contains("no access")) << text.toStdString();
    EXPECT_TRUE(lines[1].endsWith("not opened")) << text.toStdString();
    EXPECT_EQ(lines[3], NoAccessAdvice(QString::fromStdString(node), remedy));
    EXPECT_TRUE(lines[3].contains(advice)) << text.toStdString();
    EXPECT_EQ(text.count(QStringLiteral("udev")), remedy == THidAccessRemedy::CheckPermissions);
  }
}

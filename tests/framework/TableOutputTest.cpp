// A table's output: a file made by its first piece, every piece whole or not at all, and
// standard output left open. On the system's own files, and on a disk in memory that fills up.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "MemoryDisk.h"
#include "framework/TableOutput.h"

namespace {

QByteArray Read(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const std::string kHeader = "block,sample\r\n";
const std::string kBlock(1200, 'x');  // about a block's rows

}  // namespace

TEST(TableOutput, AFileIsMadeByItsFirstPieceAndTakesNoneAfterItsClose) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QString error;
  EXPECT_EQ(TTableOutput::OpenFile(dir.filePath("missing/table.csv"), error), nullptr);
  EXPECT_FALSE(error.isEmpty());

  // An old file stays as it was until the first piece replaces it.
  const QString path = dir.filePath("table.csv");
  QFile old(path);
  ASSERT_TRUE(old.open(QIODevice::WriteOnly));
  old.write("old contents that are longer than the new ones\n");
  old.close();
  std::unique_ptr<TTableOutput> output = TTableOutput::OpenFile(path, error);
  ASSERT_NE(output, nullptr) << error.toStdString();
  EXPECT_EQ(output->Name(), path);
  EXPECT_EQ(Read(path), "old contents that are longer than the new ones\n");
  ASSERT_TRUE(output->Write(kHeader));
  ASSERT_TRUE(output->Write("1,2\r\n"));
  ASSERT_TRUE(output->Flush());
  // Exactly the bytes given: no line end turned into another.
  EXPECT_EQ(Read(path), "block,sample\r\n1,2\r\n");
  EXPECT_TRUE(output->Close());
  EXPECT_FALSE(output->Write("3,4\r\n"));
  EXPECT_FALSE(output->Error().isEmpty());
  EXPECT_EQ(Read(path), "block,sample\r\n1,2\r\n");

  // Closed before its first piece: nothing is made.
  output = TTableOutput::OpenFile(dir.filePath("never.csv"), error);
  ASSERT_NE(output, nullptr);
  EXPECT_TRUE(output->Close());
  EXPECT_FALSE(QFile::exists(dir.filePath("never.csv")));
}

TEST(TableOutput, APieceThatDoesNotFitIsTakenBackWholeAndTheNextOneMayStillFit) {
  TMemoryDisk disk;
  TMemoryDiskInPlace inPlace(disk);
  disk.capacity = kHeader.size() + kBlock.size() + kBlock.size() / 2;
  disk.largestWrite = 100;  // every piece takes several writes
  QString error;
  std::unique_ptr<TTableOutput> output = TTableOutput::OpenFile("disk/table.csv", error);
  ASSERT_NE(output, nullptr);
  ASSERT_TRUE(output->Write(kHeader));
  ASSERT_TRUE(output->Write(kBlock));
  EXPECT_FALSE(output->Write(kBlock));
  EXPECT_EQ(output->Error(), "No space left on device");
  EXPECT_FALSE(output->ReaderGone());
  EXPECT_EQ(disk.Contents("disk/table.csv"), kHeader + kBlock);
  // The room that is left is still there for a smaller piece, after the last whole one.
  ASSERT_TRUE(output->Write("small\r\n"));
  EXPECT_EQ(disk.Contents("disk/table.csv"), kHeader + kBlock + "small\r\n");
  EXPECT_TRUE(output->Close());
  EXPECT_FALSE(disk.Open("disk/table.csv"));

  // A folder that went away between the check and the first piece: said, nothing made.
  output = TTableOutput::OpenFile("gone/table.csv", error);
  ASSERT_NE(output, nullptr);
  disk.missingFolders = {"gone"};
  EXPECT_FALSE(output->Write(kHeader));
  EXPECT_EQ(output->Error(), "No such file or directory");
  EXPECT_FALSE(disk.Exists("gone/table.csv"));
  EXPECT_EQ(TTableOutput::OpenFile("gone/other.csv", error), nullptr);
  EXPECT_EQ(error, "No such file or directory");
}

TEST(TableOutput, StandardOutputStaysOpenAndKnowsAReaderThatLeft) {
  TMemoryDisk disk;
  TMemoryDiskInPlace inPlace(disk);
  std::unique_ptr<TTableOutput> output = TTableOutput::OpenStandardOutput("standard output");
  EXPECT_EQ(output->Name(), "standard output");
  ASSERT_TRUE(output->Write(kHeader));
  EXPECT_TRUE(output->Close());
  EXPECT_TRUE(disk.Open("(standard output)"));
  ASSERT_TRUE(output->Write("after\r\n"));
  EXPECT_EQ(disk.Contents("(standard output)"), kHeader + "after\r\n");

  disk.writeError = TMemoryDisk::kReaderGone;
  EXPECT_FALSE(output->Write(kBlock));
  EXPECT_TRUE(output->ReaderGone());
  disk.writeError = TMemoryDisk::kDiskFull;
  EXPECT_FALSE(output->Write(kBlock));
  EXPECT_FALSE(output->ReaderGone());
}

TEST(TableOutput, FlushHandsWhatWasWrittenToTheDiskAndSaysWhenItCant) {
  TMemoryDisk disk;
  TMemoryDiskInPlace inPlace(disk);
  QString error;
  std::unique_ptr<TTableOutput> output = TTableOutput::OpenFile("table.tsv", error);
  ASSERT_NE(output, nullptr);
  EXPECT_TRUE(output->Flush());  // nothing made yet, nothing to hand over
  ASSERT_TRUE(output->Write(kHeader));
  ASSERT_TRUE(output->Write(kBlock));
  EXPECT_EQ(disk.Flushed("table.tsv"), 0u);
  ASSERT_TRUE(output->Flush());
  EXPECT_EQ(disk.Flushed("table.tsv"), kHeader.size() + kBlock.size());
  // A file server that only now finds its disk full.
  disk.flushError = TMemoryDisk::kDiskFull;
  ASSERT_TRUE(output->Write(kBlock));
  EXPECT_FALSE(output->Flush());
  EXPECT_EQ(output->Error(), "No space left on device");
}

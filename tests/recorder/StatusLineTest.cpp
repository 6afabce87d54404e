// The recorder's progress line on a terminal: overwritten in place, cleared before a message,
// and, where the terminal takes no sequences (an old Windows console), with blanks instead.
#include <gtest/gtest.h>

#include "StatusLine.h"

namespace {

struct TTerminal {
  QString written;
  TStatusLine::TWriter Writer() {
    return [this](const QString& text) { written += text; };
  }
};

}  // namespace

TEST(StatusLine, ProgressIsOverwrittenAndClearedBeforeAMessage) {
  TTerminal terminal;
  TStatusLine status(true, true, terminal.Writer());
  status.Progress("12.0 s  120 blocks");
  status.Progress("12.3 s  123 blocks");
  status.Say("done");
  EXPECT_EQ(terminal.written,
            "\r\033[K12.0 s  120 blocks\r\033[K12.3 s  123 blocks\r\033[K"
            "simplescope-record: done\n");
}

// Without the clearing sequence, a shorter text is followed by as many blanks as the longer
// one took beyond it, counting two columns for each wide character, and the line is blanked
// out before a message. Nothing but carriage returns and blanks goes with the texts.
TEST(StatusLine, WithoutSequencesBlanksCoverWhatALongerTextLeft) {
  TTerminal terminal;
  TStatusLine status(true, false, terminal.Writer());
  status.Progress("9.5 s  95 ブロック");  // 10 + 2 * 4 = 18 columns
  status.Progress("10 s");
  status.Progress("10.1 s  101 blocks");
  status.EndProgress();
  status.EndProgress();  // nothing left to clear
  status.Say("the board was unplugged");
  EXPECT_FALSE(terminal.written.contains(QLatin1Char('\033')));
  EXPECT_EQ(terminal.written.toStdString(), ("\r9.5 s  95 ブロック"
                                             "\r10 s" +
                                             QString(14, ' ') +
                                             "\r10.1 s  101 blocks"
                                             "\r" +
                                             QString(18, ' ') +
                                             "\r"
                                             "simplescope-record: the board was unplugged\n")
                                                .toStdString());
  EXPECT_EQ(TStatusLine::Columns("計測 ok"), 7);
}

TEST(StatusLine, OffATerminalOnlyMessagesGoOut) {
  TTerminal terminal;
  TStatusLine status(false, true, terminal.Writer());
  status.Progress("1.0 s  10 blocks");
  status.Say("blocks: 10");
  EXPECT_EQ(terminal.written, "simplescope-record: blocks: 10\n");
}

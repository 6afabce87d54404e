// The chart menu's list of runs, in the window's logic over the fake board: what each entry
// says, and which run choosing one shows.
#include <QDateTime>
#include <chrono>

#include "Form1Fixture.h"

namespace {

using std::chrono::system_clock;

std::vector<uint16_t> Block(uint16_t raw) {
  return std::vector<uint16_t>(32, raw);
}

class RunsMenu : public Form1Test {
 protected:
  struct TReceiver {
    std::vector<int> shown;
    void ShowRun(TObject*, int index) { shown.push_back(index); }
  };

  void SetUp() override {
    Form1Test::SetUp();
    form->OnShowRun = TEvent<void(TObject*, int)>::Bind<&TReceiver::ShowRun>(&receiver);
  }

  // A run measured as a student measures one: start, a few ticks, stop.
  void MeasureRun(int ticks) {
    StartMeasuring();
    for (int tick = 0; tick < ticks; ++tick) form->Timer1Timer(nullptr);
    form->Image3Click(nullptr);
  }
  // A run put in as a recording opened from a file would be.
  void AddRun(int64_t durationMs, const std::string& fileName = {}) {
    TRun& run = form->Runs.StartRun(system_clock::now());
    const std::vector<uint16_t> samples = Block(600);
    form->Runs.AppendBlock(samples, 0);
    form->Runs.AppendBlock(samples, static_cast<int32_t>(durationMs));
    if (!fileName.empty()) run.SetFileName(fileName);
  }

  QStringList RunCaptions() {
    form->PopupMenu1Popup(nullptr);
    QStringList captions;
    for (int i = 0; i < form->RunsItem->Count(); ++i) captions << form->RunsItem->Items(i)->Caption;
    return captions;
  }
  static QString StartText(const TRun& run) {
    return QDateTime::fromMSecsSinceEpoch(std::chrono::duration_cast<std::chrono::milliseconds>(
                                              run.StartTime().time_since_epoch())
                                              .count())
        .toString("HH:mm:ss");
  }

  TReceiver receiver;
};

}  // namespace

TEST_F(RunsMenu, ListsEachRunByNumberStartAndLengthOrByItsFileAndShowsTheOneChosen) {
  form->PopupMenu1Popup(nullptr);
  EXPECT_FALSE(form->RunsItem->Enabled);  // nothing measured yet
  EXPECT_EQ(form->RunsItem->Count(), 0);

  Plug(FakeBoard({SampleBlock(Block(700))}));
  MeasureRun(3);
  MeasureRun(2);
  ASSERT_EQ(form->Runs.RunCount(), 2);
  AddRun(45'000, "run.csv");
  AddRun(125'400);
  AddRun(3'725'000);
  const QStringList captions = RunCaptions();
  EXPECT_TRUE(form->RunsItem->Enabled);
  ASSERT_EQ(captions.size(), 5);
  // The ticks came within a second of each start.
  EXPECT_EQ(captions[0], "Run 1 — " + StartText(form->Runs.RunAt(0)) + ", 0 s");
  EXPECT_EQ(captions[1], "Run 2 — " + StartText(form->Runs.RunAt(1)) + ", 0 s");
  EXPECT_EQ(captions[2], "run.csv — 45 s");
  EXPECT_EQ(captions[3], "Run 4 — " + StartText(form->Runs.RunAt(3)) + ", 2 min 5 s");
  EXPECT_EQ(captions[4], "Run 5 — " + StartText(form->Runs.RunAt(4)) + ", 1 h 2 min");

  form->RunsItem->Items(1)->Click();
  form->RunsItem->Items(2)->Click();
  EXPECT_EQ(receiver.shown, std::vector<int>({1, 2}));
  // The list is made anew each time the menu opens, one entry a run.
  EXPECT_EQ(RunCaptions().size(), 5);
  EXPECT_TRUE(boxes.empty());
}

TEST_F(RunsMenu, AnEntryChosenAfterItsRunMadeWayShowsNothingAndTheOthersTheirRunsNewPlace) {
  for (int i = 0; i < TRunStore::kMaxRuns; ++i) AddRun(1000 * i);
  ASSERT_EQ(RunCaptions().size(), TRunStore::kMaxRuns);
  TMenuItem* first = form->RunsItem->Items(0);
  TMenuItem* third = form->RunsItem->Items(2);
  // Two more runs while the menu is open: the oldest two go.
  AddRun(1000);
  AddRun(1000);
  ASSERT_EQ(form->Runs.RunAt(0).Number(), 3);
  first->Click();
  third->Click();
  EXPECT_EQ(receiver.shown, std::vector<int>({0}));
}

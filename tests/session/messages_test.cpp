#include <gtest/gtest.h>

#include <thread>

#include "session/cancel.hpp"
#include "session/session.hpp"
#include "support/test_host.hpp"

namespace lumivane {

TEST(MessageRoutine, ButtonSetsAndDefaultAnswers) {
  struct Case { int buttons; bool yes; int expected; };
  const Case cases[] = {
      {kButtonsOK, false, kResultOK},          {kButtonsOK, true, kResultOK},
      {kButtonsYesNo, false, kResultNo},       {kButtonsYesNo, true, kResultYes},
      {kButtonsYesNoCancel, false, kResultCancel}, {kButtonsYesNoCancel, true, kResultYes},
  };
  for (const Case& c : cases) EXPECT_EQ(DefaultAnswer(c.buttons, c.yes), c.expected) << c.buttons << " " << c.yes;
  EXPECT_EQ(kButtonsYesNo, 3);
  EXPECT_EQ(kButtonsOK, 4);
  EXPECT_EQ(kButtonsYesNoCancel, 11);
  EXPECT_STREQ(ResultName(kResultCancel), "Cancel");
}

TEST(MessageRoutine, CheckStateChangesOnlyForMessagesWithACheckBox) {
  Session s;
  test::TestHost host;
  s.SetHost(&host);
  host.Answer(kResultYes, true);
  EXPECT_EQ(CALLMessagedlg(s, "Colourimage", "Image seems to be in colour, process in colour ?", "Do not ask", true,
                           kButtonsYesNo),
            kResultYes);
  EXPECT_TRUE(s.MessageCheckState);
  host.Answer(kResultOK, false);
  EXPECT_EQ(CALLMessagedlg(s, "Info", "Done"), kResultOK);
  EXPECT_TRUE(s.MessageCheckState);  // unchanged by the plain message
  ASSERT_EQ(host.Messages().size(), 2u);
  EXPECT_EQ(host.Messages()[0].Title, "Colourimage");
  EXPECT_EQ(host.Messages()[0].Buttons, kButtonsYesNo);
  EXPECT_EQ(host.Sounds(), 0);
  s.Controls.SetChecked("ProjectSounds", true);
  CALLMessagedlg(s, "Info", "Done");
  EXPECT_EQ(host.Sounds(), 1);  // the question sound
}

TEST(Cancelling, AsksAndSetsTheRequestOnlyOnYes) {
  Session s;
  test::TestHost host;
  s.SetHost(&host);
  s.CancelRequested = true;
  host.Answer(kResultNo);
  CancelOutcome no = Start_Cancel(s);
  EXPECT_FALSE(no.Cancelled);
  EXPECT_FALSE(s.CancelRequested);  // cleared, and the stage runs on
  const Message m = host.Messages().back();
  EXPECT_EQ(m.Title, "Cancelling ...");
  EXPECT_EQ(m.Text, "Do you want to cancel ?");
  EXPECT_EQ(m.CheckText, "Restart Lumivane V6 ");
  EXPECT_EQ(m.Buttons, kButtonsYesNo);

  host.Answer(kResultNo, true);  // the box ticked but No: no restart
  EXPECT_FALSE(Start_Cancel(s).Restart);
  host.Answer(kResultYes, false);
  CancelOutcome yes = Start_Cancel(s);
  EXPECT_TRUE(yes.Cancelled);
  EXPECT_FALSE(yes.Restart);
  EXPECT_TRUE(s.CancelRequested);
  host.Answer(kResultYes, true);
  EXPECT_TRUE(Start_Cancel(s).Restart);
}

TEST(Pausing, HoldsTheProgressReportUntilOK) {
  Session s;
  class SlowHost : public test::TestHost {
   public:
    MessageAnswer ShowMessage(const Message& m) override {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      return TestHost::ShowMessage(m);
    }
  } host;
  s.SetHost(&host);
  std::atomic<bool> entered{false}, released{false}, over{false};
  std::thread worker([&] {
    while (!s.Progress.Paused() && !over) std::this_thread::yield();
    entered = true;
    s.Progress.WaitWhilePaused(s.CancelRequested);
    released = true;
  });
  PauseButtonClick(s);
  over = true;
  worker.join();
  EXPECT_TRUE(entered);
  EXPECT_TRUE(released);
  EXPECT_EQ(host.Messages().back().Text, "Pausing program, click OK to continue");
  EXPECT_FALSE(s.Progress.Paused());
}

}  // namespace lumivane

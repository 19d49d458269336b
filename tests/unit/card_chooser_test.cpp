// The display-card chooser: the panels' lines and geometry, the software device's
// features, and the choice itself against the card memory, with a window whose user
// answers each panel once it has been painted.
#include "display2d/chooser.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "support/engine.h"
#include "support/image_builder.h"

namespace zt::test {
namespace {

constexpr uint32_t Gold = 0xFFC028, Orange = 0xF09614, White = 0xFFFFFF, Yellow = 0xFFFF00, Red = 0xFF0000;

struct Line {
  std::string text;
  int top, left;
  bool centred;
  uint32_t colour;
};

void expectLines(const Panel& p, const std::vector<Line>& want) {
  ASSERT_EQ(p.lines.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    const PanelLine& got = p.lines[i];
    EXPECT_EQ(got.text, want[i].text);
    EXPECT_EQ(got.top, want[i].top) << want[i].text;
    EXPECT_EQ(got.centred, want[i].centred) << want[i].text;
    if (!want[i].centred) {
      EXPECT_EQ(got.left, want[i].left) << want[i].text;
    }
    EXPECT_EQ(got.colour, want[i].colour) << want[i].text;
  }
}

void expectArea(const Rect& r, int left, int top, int right, int bottom) {
  EXPECT_EQ(r.left, left);
  EXPECT_EQ(r.top, top);
  EXPECT_EQ(r.right, right);
  EXPECT_EQ(r.bottom, bottom);
}

TEST(CardChooser, TheDriverListAndItsPromptMoveDownWithTheNumberOfDrivers) {
  const Panel p = chooserPanel(320, 240, {"Card A", "Card B", "Card C"});
  expectArea(p.area, 20, 30, 300, 200);
  expectLines(p, {{"MULTIPLE DISPLAY CARDS DETECTED", 16, 0, true, Gold},
                  {"1. Card A", 46, 0, true, White},
                  {"2. Card B", 60, 0, true, White},
                  {"3. Card C", 74, 0, true, White},
                  {"PLEASE SELECT KEYS 1 to 3", 110, 0, true, Gold},
                  {"TO CHOOSE YOUR BEST CARD", 124, 0, true, Gold},
                  {"(THIS WINDOW ONLY APPEARS ONCE)", 138, 0, true, Orange}});
}

TEST(CardChooser, APanelWiderThan300IsNarrowedTo300By200AboutItsCentre) {
  expectArea(chooserPanel(340, 240, {"A"}).area, 20, 30, 320, 200);  // 300 wide: kept
  expectArea(chooserPanel(341, 240, {"A"}).area, 20, 15, 320, 215);  // 301 wide: centred
  expectArea(reportPanel(340, 240, "A", {}).area, 20, 30, 320, 216);  // the report's bottom inset is 24
  expectArea(reportPanel(1024, 768, "A", {}).area, 362, 287, 662, 487);
}

TEST(CardChooser, TheReportAnswersEachFeatureAndSumsThemUp) {
  CardFeatures all{24, true, true, true, true};
  const std::vector<Line> features = {{"Supports 3D at 640x480x24", 46, 16, false, White},
                                      {"Yes", 46, 252, false, Yellow},
                                      {"Supports Alphablending", 60, 16, false, White},
                                      {"Yes", 60, 252, false, Yellow},
                                      {"Supports Texture Filtering", 74, 16, false, White},
                                      {"Yes", 74, 252, false, Yellow},
                                      {"Supports Fogging", 88, 16, false, White},
                                      {"Yes", 88, 252, false, Yellow}};
  std::vector<Line> want = {{"Card", 16, 0, true, Gold}};
  want.insert(want.end(), features.begin(), features.end());
  want.push_back({"YOUR 3D CARD SUPPORTS", 124, 0, true, Gold});
  want.push_back({"ALL BUILT-IN FEATURES", 138, 0, true, Gold});
  want.push_back({"PRESS ANY KEY", 156, 0, true, Orange});
  expectLines(reportPanel(340, 240, "Card", all), want);

  CardFeatures noFog = all;
  noFog.Fogging = false;
  const Panel some = reportPanel(340, 240, "Card", noFog);
  EXPECT_EQ(some.lines[8].text, "No");
  EXPECT_EQ(some.lines[8].colour, Red);
  EXPECT_EQ(some.lines[9].text, "YOU MAY EXPERIENCE SOME");
  EXPECT_EQ(some.lines[10].text, "LOSS IN VISUAL QUALITY");

  // Without 3D the depth line is fixed at 16 bits, whatever depth was tried last.
  CardFeatures none = all;
  none.ThreeD = false;
  const Panel poor = reportPanel(340, 240, "Card", none);
  EXPECT_EQ(poor.lines[1].text, "Supports 3D at 640x480x16");
  EXPECT_EQ(poor.lines[2].text, "No");
  EXPECT_EQ(poor.lines[9].text, "YOUR GRAPHICS CARD IS NOT");
  EXPECT_EQ(poor.lines[10].text, "RECOMMENDED FOR HIGH-CONTENT 3D");
}

TEST(CardChooser, TheSoftwareDeviceHasEveryFeatureAtSixteenBits) {
  const std::vector<DisplayDriver> drivers = listDisplayDrivers();
  ASSERT_EQ(drivers.size(), 1u);
  EXPECT_EQ(drivers[0].description, "Software Display Device");
  const CardFeatures f = testDisplayCard(drivers[0]);
  EXPECT_TRUE(f.ThreeD && f.AlphaBlending && f.TextureFiltering && f.Fogging);
  EXPECT_EQ(f.Best3DDepth, 16);
}

// Keeps every frame it is given, in a window of a fixed size.
class RecordingPresenter final : public Presenter {
 public:
  std::vector<std::vector<uint32_t>> frames;
  void present(int width, int height, const std::function<const uint32_t*()>& pixels) override {
    EXPECT_EQ(width, Width);
    EXPECT_EQ(height, Height);
    const uint32_t* p = pixels();
    frames.emplace_back(p, p + size_t(width) * size_t(height));
  }
  void toFrame(int wx, int wy, int& fx, int& fy) const override {
    fx = wx;
    fy = wy;
  }
  void outputSize(int& width, int& height) const override {
    width = Width;
    height = Height;
  }
  std::vector<DisplayMode> displayModes() const override { return {}; }
  static constexpr int Width = 400, Height = 300;
};

// A user who answers a panel only once it is on the screen: each message goes out when
// the presenter has shown the given number of frames.
class AnsweringWindow final : public Window {
 public:
  struct Answer {
    size_t afterFrames;
    WindowMessage message;
  };
  AnsweringWindow(const RecordingPresenter& p, std::vector<Answer> a) : presenter(p), answers(std::move(a)) {}
  void setTitle(std::string_view) override {}
  bool show(bool, std::string&) override { return true; }
  void pollEvents() override {
    while (next < answers.size() && presenter.frames.size() >= answers[next].afterFrames) post(answers[next++].message);
  }
  bool waitEvents(int) override {
    EXPECT_LT(next, answers.size()) << "the chooser waits for more than the user does";
    pollEvents();
    return next < answers.size();
  }
  std::unique_ptr<Presenter> createPresenter() override { return makeNullPresenter(); }
  void showCursor(bool) override {}

 private:
  const RecordingPresenter& presenter;
  std::vector<Answer> answers;
  size_t next = 0;
};

// A fresh card memory for each test, written by the host's own functions.
class CardChoice : public ::testing::Test {
 protected:
  void SetUp() override {
    // A folder per test: the tests may run at the same time in separate processes.
    folder = freshFolder(std::string("card_chooser_") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
    useVirtualClock(rt);
  }
  void TearDown() override { unsetenv("XDG_CONFIG_HOME"); }

  CardMemory memory() {
    CardMemory m{{}, 16, storeCardName, storeCardDepth};
    readCardChoice(m.card, m.depth);
    return m;
  }
  bool choose(const std::vector<DisplayDriver>& drivers, RecordingPresenter* presenter,
              std::vector<AnsweringWindow::Answer> answers = {}) {
    RecordingPresenter none;
    AnsweringWindow window(presenter ? *presenter : none, std::move(answers));
    rt.input.Source = &window;
    const bool open = ChooseDisplayCard(rt, drivers, presenter, memory());
    rt.input.Source = rt.host.MainWindow.get();
    return open;
  }
  bool remembered() { return std::filesystem::exists(cardMemoryPath()); }

  std::string folder;
  Runtime rt;
};

size_t countColour(const std::vector<uint32_t>& frame, uint32_t colour, int top, int bottom) {
  size_t n = 0;
  for (int y = std::max(0, top); y < std::min(bottom, RecordingPresenter::Height); ++y)
    for (int x = 0; x < RecordingPresenter::Width; ++x) n += frame[size_t(y * RecordingPresenter::Width + x)] == colour;
  return n;
}

const std::vector<DisplayDriver> ThreeCards = {{"Card One"}, {"Card Two"}, {"Card Three"}};

TEST_F(CardChoice, OnlyADigitForAListedDriverEndsTheChooserThenTheReportWaitsForAClick) {
  RecordingPresenter screen;
  const Panel list = chooserPanel(RecordingPresenter::Width, RecordingPresenter::Height, {"a", "b", "c"});
  ASSERT_TRUE(choose(ThreeCards, &screen,
                     {{1, {MessageKind::Char, '4'}},
                      {1, {MessageKind::Char, '0'}},
                      {1, {MessageKind::KeyDown, 1}},  // Escape is only a key here
                      {1, {MessageKind::Char, '2'}},
                      {2, {MessageKind::ButtonDown, 0}}}));
  EXPECT_FALSE(rt.interp.QuitPosted);
  EXPECT_EQ(rt.display.RequestedCardName, "Card Two");
  EXPECT_EQ(rt.display.Best3DDepth, 16);
  EXPECT_EQ(rt.display.Chooser.State, 0);
  const CardMemory stored = memory();
  EXPECT_EQ(stored.card, "Card Two");
  EXPECT_EQ(stored.depth, 16);

  ASSERT_EQ(screen.frames.size(), 2u);
  const int top = list.area.top;
  // The list: the frame's dark grey line inset 2, the gold title, three white drivers.
  EXPECT_EQ(screen.frames[0][size_t((top + 50) * RecordingPresenter::Width + list.area.left + 2)], 0x404040u);
  EXPECT_GT(countColour(screen.frames[0], Gold, top + 16, top + 32), 50u);
  EXPECT_GT(countColour(screen.frames[0], White, top + 46, top + 46 + 3 * 14), 100u);
  EXPECT_EQ(countColour(screen.frames[0], Yellow, 0, RecordingPresenter::Height), 0u);
  // The report: four yellow answers, no red one.
  EXPECT_GT(countColour(screen.frames[1], Yellow, 0, RecordingPresenter::Height), 40u);
  EXPECT_EQ(countColour(screen.frames[1], Red, 0, RecordingPresenter::Height), 0u);
}

TEST_F(CardChoice, OneDriverIsTakenAtOnceAndALaterStartShowsNothing) {
  RecordingPresenter first;
  ASSERT_TRUE(choose({{"Only Card"}}, &first, {{1, {MessageKind::KeyDown, 57}}}));
  EXPECT_EQ(first.frames.size(), 1u);  // the report only
  EXPECT_EQ(memory().card, "Only Card");

  // The remembered depth is used as it is, the name matched in any letter case.
  storeCardName("ONLY card");
  storeCardDepth(32);
  RecordingPresenter later;
  ASSERT_TRUE(choose({{"Only Card"}}, &later));
  EXPECT_TRUE(later.frames.empty());
  EXPECT_EQ(rt.display.Best3DDepth, 32);
  EXPECT_EQ(rt.display.RequestedCardName, "ONLY card");
}

TEST_F(CardChoice, ClosingTheWindowOnTheReportLeavesTheDepthUnwritten) {
  RecordingPresenter screen;
  EXPECT_FALSE(choose({{"Only Card"}}, &screen, {{1, {MessageKind::Close}}}));
  const CardMemory stored = memory();
  EXPECT_EQ(stored.card, "Only Card");
  EXPECT_EQ(stored.depth, 16);  // the default: BEST3DDEPTH was never written
  EXPECT_EQ(loadProfile(cardMemoryPath()).get("ZentropiaStateData", "BEST3DDEPTH", "none"), "none");
}

TEST_F(CardChoice, WithoutAWindowTheFirstDriverIsTakenAndNothingIsRemembered) {
  ASSERT_TRUE(choose(ThreeCards, nullptr));
  EXPECT_EQ(rt.display.RequestedCardName, "Card One");
  EXPECT_EQ(rt.display.Best3DDepth, 16);
  EXPECT_FALSE(remembered());

  // Only the first five drivers are listed: a sixth remembered one is not found.
  std::vector<DisplayDriver> six;
  for (int i = 1; i <= 6; ++i) six.push_back({"Card " + std::to_string(i)});
  storeCardName("Card 6");
  storeCardDepth(24);
  ASSERT_TRUE(choose(six, nullptr));
  EXPECT_EQ(rt.display.Chooser.Drivers.size(), 5u);
  EXPECT_EQ(rt.display.RequestedCardName, "Card 1");
  EXPECT_EQ(rt.display.Best3DDepth, 16);
  storeCardName("Card 5");
  ASSERT_TRUE(choose(six, nullptr));
  EXPECT_EQ(rt.display.Best3DDepth, 24);
}

TEST_F(CardChoice, ARepaintShowsThePanelAgainAndIsNoInput) {
  RecordingPresenter screen;
  rt.input.LastChar = 'x';
  windowProc(rt, {MessageKind::Paint});
  EXPECT_TRUE(screen.frames.empty());  // nothing is shown: nothing to paint
  rt.display.Chooser.State = 2;
  rt.display.Chooser.Features = {16, true, true, true, true};
  rt.display.Chooser.Window = &screen;
  windowProc(rt, {MessageKind::Paint});
  rt.display.Chooser = {};
  ASSERT_EQ(screen.frames.size(), 1u);
  EXPECT_GT(countColour(screen.frames[0], Yellow, 0, RecordingPresenter::Height), 0u);
  EXPECT_EQ(typedCharacter(rt), 'x');
}

}  // namespace
}  // namespace zt::test

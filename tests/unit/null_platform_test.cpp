// The null platform of headless runs: a window that is only its queue and never waits, a
// presenter that shows nothing and never asks for the frame, the common modes, and a
// clipboard inside the process. A runtime starts and ends on it.
#include <gtest/gtest.h>

#include "support/engine.h"
#include "platform/platform.h"

namespace zt {
namespace {

TEST(NullPlatform, TheWindowIsItsQueueAndNeverWaits) {
  PlatformServices p = makeNullServices();
  ASSERT_TRUE(p.window && p.clipboard && p.errorBox);
  std::string error;
  EXPECT_TRUE(p.window->show(true, error));  // full screen too: there is nothing to refuse it
  p.window->setTitle("game");
  p.window->pollEvents();
  EXPECT_FALSE(p.window->waitEvents(1000000));  // returns at once, and says no event can come
  p.window->post({MessageKind::KeyDown, KeyF11});
  p.window->post({MessageKind::Char, 'z'});
  WindowMessage m;
  ASSERT_TRUE(p.window->nextMessage(m));
  EXPECT_EQ(m.kind, MessageKind::KeyDown);
  ASSERT_TRUE(p.window->nextMessage(m));
  EXPECT_EQ(m.a, 'z');
  EXPECT_FALSE(p.window->nextMessage(m));

  p.clipboard->setText("kept");
  EXPECT_EQ(p.clipboard->text(), "kept");
  p.errorBox->show("Error In Program", "nothing to see");
}

TEST(NullPlatform, ThePresenterShowsNothingAndKeepsPositions) {
  std::unique_ptr<Presenter> presenter = makeNullServices().window->createPresenter();
  int asked = 0;
  presenter->present(640, 480, [&asked]() -> const uint32_t* {
    ++asked;
    return nullptr;
  });
  EXPECT_EQ(asked, 0);
  int x = 0, y = 0;
  presenter->toFrame(-5, 70000, x, y);
  EXPECT_EQ(x, -5);
  EXPECT_EQ(y, 70000);

  const std::vector<DisplayMode> modes = presenter->displayModes();
  ASSERT_EQ(modes.size(), 14u * 3u);  // the common sizes, each at 16, 24 and 32 bits
  EXPECT_TRUE(std::is_sorted(modes.begin(), modes.end()));
  EXPECT_TRUE(std::adjacent_find(modes.begin(), modes.end()) == modes.end());
  EXPECT_EQ(modes.front(), (DisplayMode{320, 200, 16}));
  EXPECT_EQ(modes.back(), (DisplayMode{1920, 1080, 32}));
}

TEST(NullPlatform, ARuntimeStartsOnIt) {
  Runtime rt;
  ASSERT_NE(rt.host.MainWindow, nullptr);
  EXPECT_FALSE(rt.host.MainWindow->waitEvents(10));
  int x = 0, y = 0;
  windowToScreen(rt, 12, 34, x, y);
  EXPECT_EQ(x, 12);
  EXPECT_EQ(y, 34);
  rt.clipboard->setText("c");
  EXPECT_EQ(rt.clipboard->text(), "c");
}

}  // namespace
}  // namespace zt

// The input-script writer: what it writes reads back as the same events in the same
// frames and order, every byte of typed text included, and it writes what a person would.
#include <gtest/gtest.h>

#include "formats/input_script.h"

namespace zt {
namespace {

using K = ScriptedKind;

std::vector<ScriptedEvent> readBack(const std::string& text) {
  InputScript script;
  std::string error;
  EXPECT_TRUE(script.parse(text, error)) << error << "\n" << text;
  std::vector<ScriptedEvent> out;
  for (std::span<const ScriptedEvent> frame = script.takeNext(); !frame.empty(); frame = script.takeNext())
    out.insert(out.end(), frame.begin(), frame.end());
  return out;
}

void expectSame(const std::vector<ScriptedEvent>& got, const std::vector<ScriptedEvent>& want) {
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    EXPECT_EQ(got[i].frame, want[i].frame) << "event " << i;
    EXPECT_EQ(got[i].kind, want[i].kind) << "event " << i;
    EXPECT_EQ(got[i].a, want[i].a) << "event " << i;
    EXPECT_EQ(got[i].b, want[i].b) << "event " << i;
  }
}

std::string written(const std::vector<ScriptedEvent>& events) {
  InputScriptWriter w;
  for (const ScriptedEvent& e : events) w.add(e);
  return w.finish();
}

TEST(InputScriptWriter, EveryByteOfTypedTextRoundTrips) {
  std::vector<ScriptedEvent> characters, keyed = {{4, K::KeyDown, 30}};
  for (int c = 0; c < 256; ++c) {
    characters.push_back({3, K::Char, c});
    keyed.push_back({4, K::Char, c});
  }
  const std::string text = written(characters);
  EXPECT_EQ(text.find('\n'), text.size() - 1);  // one line, every byte escaped or printable
  expectSame(readBack(text), characters);
  expectSame(readBack(written(keyed)), keyed);
  EXPECT_EQ(quoteScriptText("a\"\\\x7F\x1F\x20~"), "\"a\\\"\\\\\\x7F\\x1F ~\"");
}

TEST(InputScriptWriter, ASessionReadsBackInItsFramesAndOrder) {
  const std::vector<ScriptedEvent> session = {
      {0, K::Activate, 1},       {2, K::KeyDown, 30},      {2, K::Char, 'a'},       {2, K::MouseMove, -3, 479},
      {3, K::KeyUp, 30},         {3, K::KeyDown, 42},      {3, K::KeyDown, 30},     {3, K::Char, 'A'},
      {4, K::KeyDown, 29},       {4, K::Char, 1},          {4, K::Char, 2},         {5, K::KeyDown, 59},
      {5, K::Char, 'x'},         {6, K::KeyDown, 2},       {7, K::ButtonDown, 0},   {7, K::ButtonUp, 3},
      {8, K::Wheel, -240},       {9, K::Activate, 0},      {9, K::Char, 'q'},       {12, K::Close},
  };
  const std::string text = written(session);
  EXPECT_EQ(text,
            "0 activate\n"
            "2 keydown 30\n"  // its own character
            "2 move -3 479\n"
            "3 keyup 30\n"
            "3 keydown 42\n"  // shift types nothing of its own
            "3 keydown 30 \"A\"\n"
            "4 keydown 29 \"\\x01\\x02\"\n"
            "5 keydown 59 \"x\"\n"  // F1 has no character of its own
            "6 keydown 2 \"\"\n"  // a 1 key that typed nothing
            "7 buttondown 1\n"
            "7 buttonup 4\n"
            "8 wheel -2\n"
            "9 deactivate\n"
            "9 text \"q\"\n"  // a character without a key
            "12 close\n");
  expectSame(readBack(text), session);
}

TEST(InputScriptWriter, CharactersOfTheNextFrameStartALineOfTheirOwn) {
  InputScriptWriter w;
  w.add({1, K::KeyDown, 16});
  EXPECT_EQ(w.take(), "");  // its characters may still come
  w.add({2, K::Char, 'q'});
  EXPECT_EQ(w.take(), "1 keydown 16 \"\"\n");
  EXPECT_EQ(w.finish(), "2 text \"q\"\n");
  EXPECT_EQ(w.finish(), "");
}

TEST(InputScript, KeydownWithTextAndTextLinesAreCheckedLikeTheOthers) {
  InputScript script;
  std::string error;
  EXPECT_FALSE(script.parse("1 text abc\n", error));
  EXPECT_EQ(error, "line 1: text takes one text in double quotes");
  EXPECT_FALSE(script.parse("1 text \"a\" b\n", error));
  EXPECT_FALSE(script.parse("1 keydown 256 \"a\"\n", error));
  EXPECT_EQ(error, "line 1: keydown takes a key number from 1 to 255 and may add the text it types in double quotes");
  EXPECT_FALSE(script.parse("1 keydown 0 \"\"\n", error));
  EXPECT_FALSE(script.parse("1 keydown 30 \"a\n", error));
  ASSERT_TRUE(script.parse("1 keydown 255 \"\" # nothing typed\n1 text \"\"\n", error)) << error;
  const std::span<const ScriptedEvent> due = script.takeDue(1);
  ASSERT_EQ(due.size(), 1u);
  EXPECT_EQ(due[0].kind, K::KeyDown);
  EXPECT_EQ(due[0].a, 255);
}

}  // namespace
}  // namespace zt

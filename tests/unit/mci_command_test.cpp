// The media command parser: the strings the music commands send, and what it refuses.
#include <gtest/gtest.h>

#include "audio/mci/command.h"

namespace zt {
namespace {

MciCommand parsed(std::string_view text) {
  MciCommand c;
  EXPECT_EQ(parseMciCommand(text, c), MciError::None) << text;
  return c;
}

MciError failure(std::string_view text) {
  MciCommand c;
  return parseMciCommand(text, c);
}

TEST(MciCommand, OpenTakesAQuotedPathWithBlanksAndAnAlias) {
  MciCommand c = parsed("open \"C:\\My Games\\tune.mid\" alias music1");
  EXPECT_EQ(c.verb, MciVerb::Open);
  EXPECT_EQ(c.device, "C:\\My Games\\tune.mid");
  EXPECT_EQ(c.alias, "music1");
  c = parsed("OPEN cdaudio Alias music32 shareable wait");
  EXPECT_EQ(c.device, "cdaudio");
  EXPECT_EQ(c.alias, "music32");
  c = parsed("open tune.wav type waveaudio");
  EXPECT_EQ(c.device, "tune.wav");
  EXPECT_EQ(c.alias, "");
}

TEST(MciCommand, VerbsAndTheirItems) {
  MciCommand c = parsed("play music3 from 3");
  EXPECT_EQ(c.verb, MciVerb::Play);
  EXPECT_TRUE(c.hasFrom);
  EXPECT_EQ(c.from, 3u);
  EXPECT_EQ(parsed("play music3 from 4294967295 notify").from, 4294967295u);
  EXPECT_EQ(failure("play music3 from 0 to 10"), MciError::UnknownKeyword);
  EXPECT_EQ(parsed("status music1 length").status, MciStatusItem::Length);
  EXPECT_EQ(parsed("status music1 position").status, MciStatusItem::Position);
  EXPECT_EQ(parsed("status music1 mode").status, MciStatusItem::Mode);
  EXPECT_EQ(parsed("set music1 time format tmsf").timeFormat, MciTimeFormat::Tmsf);
  EXPECT_EQ(parsed("set music1 time format milliseconds").timeFormat, MciTimeFormat::Milliseconds);
  EXPECT_EQ(parsed("set music1 time format ms").timeFormat, MciTimeFormat::Milliseconds);
  c = parsed("set music1 speed 2000");
  EXPECT_TRUE(c.hasSpeed);
  EXPECT_EQ(c.speed, 2000u);
  for (const char* verb : {"stop", "pause", "resume", "close"}) EXPECT_EQ(parsed(std::string(verb) + " music9").device, "music9");
  EXPECT_EQ(parsed("  stop\tmusic1 \r\n").device, "music1");
}

TEST(MciCommand, VolumeIsLimitedTo1000) {
  EXPECT_EQ(parsed("setaudio music1 volume to 0").volume, 0u);
  EXPECT_EQ(parsed("setaudio music1 volume to 1000").volume, 1000u);
  EXPECT_EQ(failure("setaudio music1 volume to 1001"), MciError::OutOfRange);
  EXPECT_EQ(failure("setaudio music1 volume 5"), MciError::UnknownKeyword);
  EXPECT_EQ(failure("setaudio music1"), MciError::MissingValue);
}

TEST(MciCommand, NumbersAreDecimalAndFitInThirtyTwoBits) {
  EXPECT_EQ(failure("play music1 from 4294967296"), MciError::BadNumber);
  EXPECT_EQ(failure("play music1 from 99999999999"), MciError::BadNumber);
  EXPECT_EQ(failure("play music1 from -1"), MciError::BadNumber);
  EXPECT_EQ(failure("play music1 from 1x"), MciError::BadNumber);
  EXPECT_EQ(failure("play music1 from"), MciError::MissingValue);
  EXPECT_EQ(failure("set music1 speed"), MciError::MissingValue);
}

TEST(MciCommand, MalformedStringsAreRefused) {
  EXPECT_EQ(failure(""), MciError::UnknownVerb);
  EXPECT_EQ(failure("   "), MciError::UnknownVerb);
  EXPECT_EQ(failure("eject cdaudio"), MciError::UnknownVerb);
  EXPECT_EQ(failure("play"), MciError::MissingDevice);
  EXPECT_EQ(failure("open \"\" alias music1"), MciError::MissingDevice);
  EXPECT_EQ(failure("open \"C:\\tune.mid alias music1"), MciError::UnterminatedQuote);
  EXPECT_EQ(failure("open tune.mid alias"), MciError::MissingValue);
  EXPECT_EQ(failure("play music1 loudly"), MciError::UnknownKeyword);
  EXPECT_EQ(failure("status music1"), MciError::MissingValue);
  EXPECT_EQ(failure("status music1 length position"), MciError::UnknownKeyword);
  EXPECT_EQ(failure("set music1"), MciError::MissingValue);
  EXPECT_EQ(failure("set music1 time"), MciError::MissingValue);
  EXPECT_EQ(failure("set music1 time size tmsf"), MciError::UnknownKeyword);
  EXPECT_EQ(failure("set music1 time format frames"), MciError::BadTimeFormat);
  EXPECT_EQ(failure("stop music1 from 3"), MciError::UnknownKeyword);
}

TEST(MciCommand, LengthLimit) {
  const std::string head = "open \"";
  const std::string tail = "\" alias music1";
  const std::string longest = head + std::string(MciCommandLimit - head.size() - tail.size(), 'a') + tail;
  EXPECT_EQ(parsed(longest).device.size(), MciCommandLimit - head.size() - tail.size());
  EXPECT_EQ(failure(head + std::string(MciCommandLimit - head.size() - tail.size() + 1, 'a') + tail), MciError::TooLong);
}

}  // namespace
}  // namespace zt

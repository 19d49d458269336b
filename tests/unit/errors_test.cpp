// Run-time errors: message slots, soft and hard numbers, and the final text.
#include <gtest/gtest.h>

#include "support/engine.h"

namespace zt {
namespace {

TEST(Errors, NumbersMapToTheirMessageSlots) {
  const std::pair<int32_t, int> expected[] = {
      {0, 1},      {3, 4},      {21, 5},     {101, 6},    {115, 20},   {300, 21},   {312, 28},   {505, 34},
      {1000, 35},  {1013, 48},  {1014, 173}, {1504, 53},  {2010, 64},  {3007, 72},  {3021, 73},  {3201, 76},
      {3507, 84},  {4002, 86},  {4104, 90},  {7008, 99},  {7021, 100}, {7027, 106}, {7010, 107}, {7009, 108},
      {7017, 115}, {7901, 116}, {7912, 118}, {7018, 119}, {7102, 121}, {7019, 122}, {7606, 128}, {7020, 129},
      {7031, 130}, {7932, 132}, {7028, 133}, {8003, 136}, {8025, 141}, {8103, 144}, {8204, 148}, {8213, 151},
      {9014, 155}, {9001, 156}, {9005, 160}, {10007, 167}, {7301, 168}, {7305, 172}};
  for (auto [number, slot] : expected) EXPECT_EQ(errorMessageSlot(number), slot) << number;
  for (int32_t none : {4, 20, 116, 305, 999, 7029, 10008, 12345, -1}) EXPECT_EQ(errorMessageSlot(none), -1) << none;
}

TEST(Errors, FinalTextsHaveTheirPrefixSlotAndEngineText) {
  ErrorState e;
  createErrorMessages(e);
  e.ErrorNumber = 1001;
  EXPECT_EQ(formatErrorText(e), "Runtime Error : ERROR 36. ");
  e.ErrorNumber = 10003;
  e.EngineErrorText = "Failed to create DirectDraw Interface";
  EXPECT_EQ(formatErrorText(e), "System Error : ERROR 163. Failed to create DirectDraw Interface");
  e.EngineErrorText.clear();
  e.ErrorNumber = 10008;
  EXPECT_EQ(formatErrorText(e), "System Error : Language not found. ");
  e.ErrorNumber = 4242;
  e.ErrorIsWarning = true;
  EXPECT_EQ(formatErrorText(e), "Runtime Warning : . ");
}

TEST(Errors, SoftErrorsAreIgnoredWhileRunningAndHardOnesStop) {
  Runtime rt;
  rt.interp.ProgramRunning = true;
  raiseError(rt, 3004);  // a soft number
  raiseSoftError(rt, 1001);
  EXPECT_EQ(rt.errors.ErrorNumber, 0);
  EXPECT_FALSE(rt.interp.QuitPosted);
  raiseError(rt, 1001);
  raiseError(rt, 102);  // the later error wins
  EXPECT_EQ(rt.errors.ErrorNumber, 102);
  EXPECT_FALSE(rt.errors.ErrorIsWarning);
  EXPECT_TRUE(rt.interp.QuitPosted);
  EXPECT_TRUE(rt.interp.YieldFlag);

  Runtime starting;  // before the program runs a soft error stops start-up, as a warning
  raiseError(starting, 8002);
  EXPECT_EQ(starting.errors.ErrorNumber, 8002);
  EXPECT_TRUE(starting.errors.ErrorIsWarning);
}

TEST(Errors, EngineFailuresAreKeptWithoutDebugMode) {
  Runtime rt;
  LogEngineError(rt, "Failed to enable Light Object");
  EXPECT_EQ(rt.errors.EngineErrorText, "Failed to enable Light Object");
  EXPECT_FALSE(rt.settings.LogDirty);
}

}  // namespace
}  // namespace zt

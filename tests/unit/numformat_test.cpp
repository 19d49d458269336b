// The engine's own number texts and random generator, which must give the same results
// on every platform.
#include "core/numformat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>

#include "core/random.h"

namespace zt {
namespace {

TEST(NumberFormat, FloatsAsTheLanguageWritesThem) {
  EXPECT_EQ(formatFloat(1000000.0), "1e+006");
  EXPECT_EQ(formatFloat(0.0001), "0.0001");
  EXPECT_EQ(formatFloat(1.0e-5), "1e-005");
  EXPECT_EQ(formatFloat(double(0.1f)), "0.1");
  EXPECT_EQ(formatFloat(123456.0), "123456");
  EXPECT_EQ(formatFloat(-2.5), "-2.5");
  EXPECT_EQ(formatFloat(0.0), "0");
  EXPECT_EQ(formatFloat(-0.0), "-0");
  EXPECT_EQ(formatFloat(1e300), "1e+300");
  EXPECT_EQ(formatFloat(4.9406564584124654e-324), "4.94066e-324");
  EXPECT_EQ(formatFloat(double(3.4028234663852886e38f)), "3.40282e+038");
  // Rounding carries into a new leading digit and may switch to the exponent form.
  EXPECT_EQ(formatFloat(999999.5), "1e+006");
  EXPECT_EQ(formatFloat(9.9999951e-5), "0.0001");
  EXPECT_EQ(formatFloat(0.000099999949), "9.99999e-005");
  // Exact ties round away from zero.
  EXPECT_EQ(formatFloat(123456.5), "123457");
  EXPECT_EQ(formatFloat(-1234565.0), "-1.23457e+006");
  EXPECT_EQ(formatFloat(0.5), "0.5");
  EXPECT_EQ(formatFloat(std::nan("")), "1.#QNAN");
  EXPECT_EQ(formatFloat(-std::nan("")), "-1.#IND");
  EXPECT_EQ(formatFloat(HUGE_VAL), "1.#INF");
  EXPECT_EQ(formatFloat(-HUGE_VAL), "-1.#INF");
}

// The exact value has a 5 as its seventh significant digit and nothing after it.
bool isTie(float f) {
  char exact[160];
  std::snprintf(exact, sizeof exact, "%.120e", double(f));
  std::string digits = std::string(exact).substr(std::string(exact)[0] == '-' ? 1 : 0);
  digits.erase(1, 1);  // the decimal point
  return digits[6] == '5' && digits.find_first_not_of('0', 7) >= digits.find('e');
}

// Away from exact ties the digits are those of any correct "%g"; only the exponent has
// at least three digits.
TEST(NumberFormat, AgreesWithCorrectRoundingOnRandomFloats) {
  std::mt19937 gen(12345);
  for (int i = 0; i < 200000; ++i) {
    uint32_t bits = gen();
    float f;
    std::memcpy(&f, &bits, 4);
    if (!std::isfinite(f) || isTie(f)) continue;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%g", double(f));
    std::string expected = buf;
    size_t e = expected.find('e');
    if (e != std::string::npos && expected.size() - (e + 2) < 3) expected.insert(e + 2, 1, '0');
    ASSERT_EQ(formatFloat(double(f)), expected) << "bits " << bits;
  }
}

TEST(NumberFormat, IntegersAndHexadecimal) {
  EXPECT_EQ(formatInteger(-2147483647 - 1), "-2147483648");
  EXPECT_EQ(formatHex(255), "FF");
  EXPECT_EQ(formatHex(0), "0");
  EXPECT_EQ(formatHex(-1), "FFFFFFFF");
  EXPECT_EQ(formatHex(0x0ABC0000), "ABC0000");
}

TEST(NumberParse, LeadingDecimalNumber) {
  EXPECT_EQ(parseLeadingFloat("  -12.5e1xyz"), -125.0);
  EXPECT_EQ(parseLeadingFloat("\t\n+.5"), 0.5);
  EXPECT_EQ(parseLeadingFloat("3."), 3.0);
  EXPECT_EQ(parseLeadingFloat("1e"), 1.0);
  EXPECT_EQ(parseLeadingFloat("1e+"), 1.0);
  EXPECT_EQ(parseLeadingFloat("2E-2"), 0.02);
  EXPECT_EQ(parseLeadingFloat("0.1"), 0.1);
  for (const char* none : {"", "abc", ".", "-", "+e5", " . 5", "e5"}) EXPECT_EQ(parseLeadingFloat(none), 0.0) << none;
  // Only decimal forms: no hexadecimal, infinity or not-a-number words.
  EXPECT_EQ(parseLeadingFloat("0x1A"), 0.0);
  EXPECT_EQ(parseLeadingFloat("inf"), 0.0);
  EXPECT_EQ(parseLeadingFloat("nan"), 0.0);
  EXPECT_EQ(parseLeadingFloat("1e999"), HUGE_VAL);
  EXPECT_EQ(parseLeadingFloat("-0.000001e400"), -HUGE_VAL);
  EXPECT_EQ(parseLeadingFloat("1e-999"), 0.0);
  EXPECT_EQ(parseLeadingFloat("123456789012345678901234567890"), 123456789012345678901234567890.0);
}

TEST(NumberParse, LeadingDecimalInteger) {
  EXPECT_EQ(parseLeadingInteger("  42abc"), 42);
  EXPECT_EQ(parseLeadingInteger("-17.9"), -17);
  EXPECT_EQ(parseLeadingInteger("+5"), 5);
  EXPECT_EQ(parseLeadingInteger("x5"), 0);
  EXPECT_EQ(parseLeadingInteger(""), 0);
  EXPECT_EQ(parseLeadingInteger("2147483647"), 2147483647);
  EXPECT_EQ(parseLeadingInteger("2147483648"), 2147483647);
  EXPECT_EQ(parseLeadingInteger("-2147483648"), -2147483647 - 1);
  EXPECT_EQ(parseLeadingInteger("-99999999999999999999"), -2147483647 - 1);
}

TEST(RandomGenerator, SequenceFromStartAndFromASeed) {
  RandomState r;
  for (int expected : {41, 18467, 6334, 26500, 19169}) EXPECT_EQ(drawRandom(r), expected);
  r.state = 0;
  EXPECT_EQ(drawRandom(r), 38);
  r.state = 0x80000000u;  // a negative state still draws 0 to 32767
  EXPECT_EQ(drawRandom(r), 38);
}

}  // namespace
}  // namespace zt

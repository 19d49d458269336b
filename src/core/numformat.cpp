#include "core/numformat.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <vector>

namespace zt {

namespace {

constexpr int SignificantDigits = 6;
constexpr int MinExponentDigits = 3;

// An unsigned integer in base 10^9 limbs, least significant first: just enough to write
// a double's exact decimal expansion.
class BigDecimal {
 public:
  explicit BigDecimal(uint64_t v) {
    do {
      limbs.push_back(uint32_t(v % Base));
      v /= Base;
    } while (v);
  }
  void multiply(uint32_t factor) {
    uint64_t carry = 0;
    for (uint32_t& limb : limbs) {
      uint64_t x = uint64_t(limb) * factor + carry;
      limb = uint32_t(x % Base);
      carry = x / Base;
    }
    while (carry) {
      limbs.push_back(uint32_t(carry % Base));
      carry /= Base;
    }
  }
  void multiplyPower(uint32_t base, uint32_t chunk, int chunkExponent, int exponent) {
    for (; exponent >= chunkExponent; exponent -= chunkExponent) multiply(chunk);
    uint32_t rest = 1;
    while (exponent-- > 0) rest *= base;
    multiply(rest);
  }
  std::string digits() const {
    std::string s = std::to_string(limbs.back());
    for (size_t i = limbs.size() - 1; i-- > 0;) {
      std::string part = std::to_string(limbs[i]);
      s.append(9 - part.size(), '0').append(part);
    }
    return s;
  }

 private:
  static constexpr uint32_t Base = 1000000000;
  std::vector<uint32_t> limbs;
};

// The exact decimal digits of a positive finite double: v = 0.digits x 10^point, with no
// leading or trailing zeros in `digits`.
struct Decimal {
  std::string digits;
  int point;
};

Decimal exactDecimal(double v) {
  int e;
  uint64_t mantissa = uint64_t(std::ldexp(std::frexp(v, &e), 53));
  e -= 53;
  while (!(mantissa & 1)) {
    mantissa >>= 1;
    ++e;
  }
  BigDecimal n(mantissa);
  // v = mantissa x 2^e; for e < 0 that is mantissa x 5^-e x 10^e.
  if (e >= 0)
    n.multiplyPower(2, 1u << 29, 29, e);
  else
    n.multiplyPower(5, 1220703125u, 13, -e);
  Decimal d{n.digits(), 0};
  d.point = int(d.digits.size()) + (e < 0 ? e : 0);
  d.digits.erase(d.digits.find_last_not_of('0') + 1);
  return d;
}

// Rounds to `places` significant digits, ties away from zero, and drops trailing zeros.
void roundDigits(Decimal& d, int places) {
  if (int(d.digits.size()) <= places) return;
  bool up = d.digits[size_t(places)] >= '5';
  d.digits.resize(size_t(places));
  for (size_t i = d.digits.size(); up && i-- > 0;) {
    up = d.digits[i] == '9';
    d.digits[i] = up ? '0' : char(d.digits[i] + 1);
  }
  if (up) {
    d.digits.insert(d.digits.begin(), '1');
    d.digits.pop_back();
    ++d.point;
  }
  d.digits.erase(d.digits.find_last_not_of('0') + 1);
}

bool isBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string formatInteger(int32_t v) { return std::to_string(v); }

std::string formatHex(int32_t v) {
  static constexpr char Hex[] = "0123456789ABCDEF";
  uint32_t u = uint32_t(v);
  std::string s;
  do {
    s.insert(s.begin(), Hex[u & 15]);
    u >>= 4;
  } while (u);
  return s;
}

std::string formatFloat(double v) {
  if (std::isnan(v)) return std::signbit(v) ? "-1.#IND" : "1.#QNAN";
  std::string out = std::signbit(v) ? "-" : "";
  if (std::isinf(v)) return out + "1.#INF";
  if (v == 0) return out + "0";
  Decimal d = exactDecimal(std::fabs(v));
  roundDigits(d, SignificantDigits);
  const int exponent = d.point - 1;
  const std::string& s = d.digits;
  if (exponent < -4 || exponent >= SignificantDigits) {
    out += s[0];
    if (s.size() > 1) out.append(".").append(s, 1);
    std::string e = std::to_string(std::abs(exponent));
    out.append(exponent < 0 ? "e-" : "e+");
    if (e.size() < MinExponentDigits) out.append(MinExponentDigits - e.size(), '0');
    return out + e;
  }
  if (exponent < 0) return out.append("0.").append(size_t(-exponent - 1), '0').append(s);
  const size_t whole = size_t(exponent) + 1;
  if (s.size() <= whole) return out.append(s).append(whole - s.size(), '0');
  return out.append(s, 0, whole).append(".").append(s, whole);
}

double parseLeadingFloat(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && isBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  const size_t start = i;
  size_t mantissaDigits = 0;
  // Decimal order of the first significant digit, for results out of double range.
  int64_t order = 0;
  bool significant = false;
  for (; i < text.size() && isDigit(text[i]); ++i, ++mantissaDigits) {
    significant = significant || text[i] != '0';
    if (significant) ++order;
  }
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && isDigit(text[i]); ++i, ++mantissaDigits) {
      if (!significant && text[i] == '0') --order;
      significant = significant || text[i] != '0';
    }
  }
  if (!mantissaDigits) return 0.0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    size_t j = i + 1;
    bool negativeExponent = false;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) negativeExponent = text[j++] == '-';
    int64_t exponent = 0;
    const size_t digitsAt = j;
    for (; j < text.size() && isDigit(text[j]); ++j)
      exponent = std::min<int64_t>(exponent * 10 + (text[j] - '0'), 1 << 20);
    if (j > digitsAt) {
      i = j;
      order += negativeExponent ? -exponent : exponent;
    }
  }
  double value = 0.0;
  auto [end, error] = std::from_chars(text.data() + start, text.data() + i, value, std::chars_format::general);
  if (error == std::errc::result_out_of_range)
    value = significant && order > 0 ? HUGE_VAL : 0.0;
  else if (error != std::errc() || end != text.data() + i)
    value = 0.0;
  return negative ? -value : value;
}

int32_t parseLeadingInteger(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && isBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int64_t value = 0;
  constexpr int64_t Limit = int64_t(std::numeric_limits<int32_t>::max()) + 1;
  for (; i < text.size() && isDigit(text[i]); ++i) value = std::min(value * 10 + (text[i] - '0'), Limit);
  if (negative) return int32_t(-value);
  return int32_t(std::min<int64_t>(value, Limit - 1));
}

}  // namespace zt

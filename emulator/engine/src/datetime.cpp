#include "datetime.h"

#include <cstdio>
#include <vector>

namespace hvemu {

namespace {

struct Cursor {
  std::string_view s;
  size_t i = 0;
  bool atEnd() const { return i >= s.size(); }
  char peek() const { return atEnd() ? '\0' : s[i]; }
  // Reads 1..maxDigits digits; returns the count read.
  int digits(int maxDigits, int& value) {
    int n = 0;
    value = 0;
    while (!atEnd() && s[i] >= '0' && s[i] <= '9' && n < maxDigits) {
      value = value * 10 + (s[i] - '0');
      ++i;
      ++n;
    }
    return n;
  }
};

bool leapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(int y, int m) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && leapYear(y) ? 29 : kDays[m - 1];
}

bool readTime(Cursor& c, int& h, int& mi, int& s, int& ms) {
  if (c.digits(2, h) == 0 || c.peek() != ':') return false;
  ++c.i;
  if (c.digits(2, mi) == 0) return false;
  s = 0;
  ms = 0;
  if (c.peek() == ':') {
    ++c.i;
    if (c.digits(2, s) == 0) return false;
    if (c.peek() == '.') {
      ++c.i;
      int frac = 0;
      const int n = c.digits(3, frac);
      if (n == 0) return false;
      ms = n == 1 ? frac * 100 : n == 2 ? frac * 10 : frac;
      int ignored = 0;
      c.digits(9, ignored);
    }
  }
  return true;
}

}  // namespace

DateResult parseDateTime(std::string_view text, std::string& canonical) {
  size_t b = 0;
  size_t e = text.size();
  while (b < e && text[b] == ' ') ++b;
  while (e > b && text[e - 1] == ' ') --e;
  Cursor c{text.substr(b, e - b)};
  int y = 1900, mo = 1, d = 1, h = 0, mi = 0, s = 0, ms = 0;
  if (!c.atEnd()) {
    bool haveDate = false;
    // A leading "digits:" is a time alone.
    size_t k = 0;
    while (k < c.s.size() && c.s[k] >= '0' && c.s[k] <= '9') ++k;
    if (k < c.s.size() && c.s[k] == ':') {
      if (!readTime(c, h, mi, s, ms)) return DateResult::Unreadable;
    } else if (k == 8 && (k == c.s.size() || c.s[k] == ' ' || c.s[k] == 'T')) {
      c.digits(4, y);
      c.digits(2, mo);
      c.digits(2, d);
      haveDate = true;
    } else {
      if (c.digits(4, y) != 4) return DateResult::Unreadable;
      const char sep = c.peek();
      if (sep != '-' && sep != '/' && sep != '.') return DateResult::Unreadable;
      ++c.i;
      if (c.digits(2, mo) == 0 || c.peek() != sep) return DateResult::Unreadable;
      ++c.i;
      if (c.digits(2, d) == 0) return DateResult::Unreadable;
      haveDate = true;
    }
    if (haveDate && !c.atEnd()) {
      if (c.peek() != ' ' && c.peek() != 'T') return DateResult::Unreadable;
      while (c.peek() == ' ') ++c.i;
      if (c.peek() == 'T') ++c.i;
      if (!c.atEnd() && !readTime(c, h, mi, s, ms)) return DateResult::Unreadable;
    }
    if (!c.atEnd()) return DateResult::Unreadable;
  }
  if (y < 1753 || y > 9999 || mo < 1 || mo > 12 || d < 1 || d > daysInMonth(y, mo) || h > 23 || mi > 59 ||
      s > 59)
    return DateResult::OutOfRange;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03d", y, mo, d, h, mi, s, ms);
  canonical = buf;
  return DateResult::Ok;
}

}  // namespace hvemu

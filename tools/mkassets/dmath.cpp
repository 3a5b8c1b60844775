#include "dmath.h"

#include <cmath>
#include <vector>

namespace mkassets {
namespace {

// sin on [-pi/4, pi/4] and cos on the same range by their Taylor series;
// 11 terms are well past double precision there.
double SinSeries(double x) {
  const double x2 = x * x;
  double term = x;
  double sum = x;
  for (int n = 1; n < 12; ++n) {
    term = -term * x2 / static_cast<double>((2 * n) * (2 * n + 1));
    sum += term;
  }
  return sum;
}
double CosSeries(double x) {
  const double x2 = x * x;
  double term = 1;
  double sum = 1;
  for (int n = 1; n < 12; ++n) {
    term = -term * x2 / static_cast<double>((2 * n - 1) * (2 * n));
    sum += term;
  }
  return sum;
}

}  // namespace

double Floor(double x) {
  // Exact for |x| < 2^52, which covers every use here.
  const double t = static_cast<double>(static_cast<int64_t>(x));
  return t > x ? t - 1 : t;
}

double Sin(double x) {
  // Quadrant of x in steps of pi/2, then the series on the remainder.
  const double q = Floor(x / (kPi / 2) + 0.5);
  const double r = x - q * (kPi / 2);
  const int64_t quadrant = static_cast<int64_t>(q) & 3;
  switch (quadrant) {
    case 0: return SinSeries(r);
    case 1: return CosSeries(r);
    case 2: return -SinSeries(r);
    default: return -CosSeries(r);
  }
}

double Cos(double x) { return Sin(x + kPi / 2); }

double Exp(double x) {
  if (x < -700) return 0;
  // e^x = (e^(x/2^k))^(2^k) with the series on the small argument.
  int k = 0;
  double r = x;
  while (r > 0.5 || r < -0.5) {
    r *= 0.5;
    ++k;
  }
  double term = 1;
  double sum = 1;
  for (int n = 1; n < 20; ++n) {
    term = term * r / n;
    sum += term;
  }
  for (int i = 0; i < k; ++i) sum *= sum;
  return sum;
}

double ExpFast(double x) {
  constexpr int kSize = 4096;
  static const std::vector<double> table = [] {
    std::vector<double> t(kSize + 2);
    for (int i = 0; i <= kSize + 1; ++i) t[static_cast<size_t>(i)] = Exp(-16.0 * i / kSize);
    return t;
  }();
  if (x >= 0) return 1;
  const double f = -x / 16.0 * kSize;
  if (f >= kSize) return 0;
  const int i = static_cast<int>(f);
  const double w = f - i;
  return table[static_cast<size_t>(i)] +
         (table[static_cast<size_t>(i) + 1] - table[static_cast<size_t>(i)]) * w;
}

double Sqrt(double x) { return x > 0 ? std::sqrt(x) : 0; }

}  // namespace mkassets

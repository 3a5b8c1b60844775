// Arithmetic that gives the same bits on every machine and at every
// optimisation level: the library's sin, cos and exp may differ in the last
// place between versions (and the compiler folds constant calls with its own
// library), so everything mkassets stores goes through these instead. Only
// +, -, *, / and sqrt are used, which IEEE 754 rounds exactly; the target is
// built with contraction off so no fused multiply-add changes a result.
#ifndef MORVANE_TOOLS_MKASSETS_DMATH_H
#define MORVANE_TOOLS_MKASSETS_DMATH_H

#include <cstdint>

namespace mkassets {

inline constexpr double kPi = 3.14159265358979323846;

double Sin(double x);
double Cos(double x);
double Exp(double x);
double Sqrt(double x);  // IEEE square root (exactly rounded)
double Floor(double x);
// e^x for x <= 0 from a table (linear between entries, 0 below -16): for
// pictures, where speed matters more than the last digits.
double ExpFast(double x);

inline double Clamp01(double v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }
inline double Lerp(double a, double b, double t) { return a + (b - a) * t; }
inline double SmoothStep(double e0, double e1, double x) {
  const double t = Clamp01((x - e0) / (e1 - e0));
  return t * t * (3 - 2 * t);
}

// A small seeded generator (xorshift64*): the same sequence everywhere.
class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed ? seed : 0x9E3779B97F4A7C15ull) {}
  uint32_t Next() {
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return static_cast<uint32_t>((state_ * 0x2545F4914F6CDD1Dull) >> 32);
  }
  // Uniform in [0, 1), from 24 bits so the value is exact in float too.
  double Unit() { return static_cast<double>(Next() >> 8) / 16777216.0; }
  double Range(double lo, double hi) { return lo + (hi - lo) * Unit(); }

 private:
  uint64_t state_;
};

}  // namespace mkassets

#endif  // MORVANE_TOOLS_MKASSETS_DMATH_H

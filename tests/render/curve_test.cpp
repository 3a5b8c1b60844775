// Channel evaluation: behaviours outside the keys, each span shape, and the
// defined results for malformed channels.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>

#include "render/animation.h"
#include "render/curve_steps.h"

namespace {

Key MakeKey(int32_t time, float value, uint16_t shape = kShapeLinear) {
  Key key{};
  key.time = time;
  key.value = value;
  key.shape = shape;
  return key;
}

// A channel owning a copy of the given keys.
struct TestChannel {
  TestChannel(std::initializer_list<Key> list, uint16_t pre = kBehaviorConstant,
              uint16_t post = kBehaviorConstant) {
    channel.keyCount = static_cast<uint16_t>(list.size());
    channel.keys = new Key[list.size()];
    int i = 0;
    for (const Key& key : list) channel.keys[i++] = key;
    channel.preBehavior = pre;
    channel.postBehavior = post;
  }
  ~TestChannel() { channel.Clear(); }
  TestChannel(const TestChannel&) = delete;
  TestChannel& operator=(const TestChannel&) = delete;

  float At(int32_t time) const { return EvaluateChannel(&channel, time); }

  Channel channel;
};

struct TimeValue {
  int32_t time;
  float value;
};

TEST(EvaluateChannel, OneKeyIsItsValueWhateverTheBehaviours) {
  const int32_t times[] = {std::numeric_limits<int32_t>::min(), -5000, 0, 250, 251, 99999,
                           std::numeric_limits<int32_t>::max()};
  for (uint16_t behavior = 0; behavior <= 7; ++behavior) {
    TestChannel c({MakeKey(250, 3.5f, kShapeBezier)}, behavior, behavior);
    for (int32_t t : times) EXPECT_EQ(c.At(t), 3.5f) << "behaviour " << behavior << " at " << t;
  }
}

TEST(EvaluateChannel, ChannelWithoutKeysIsZero) {
  Channel empty;
  EXPECT_EQ(EvaluateChannel(&empty, 100), 0.0f);
  Channel noArray;
  noArray.keyCount = 1;  // a count without an array
  EXPECT_EQ(EvaluateChannel(&noArray, 100), 0.0f);
}

// Keys (0 ms, 0.0) and (1000 ms, 10.0), straight line, with each behaviour.
TEST(EvaluateChannel, BehavioursAroundALinearSpan) {
  struct Case {
    const char* name;
    uint16_t pre, post;
    std::initializer_list<TimeValue> points;
  };
  const Case cases[] = {
      {"inside", kBehaviorConstant, kBehaviorConstant, {{0, 0.0f}, {500, 5.0f}, {999, 9.99f}}},
      {"post constant", kBehaviorConstant, kBehaviorConstant, {{1000, 10.0f}, {5000, 10.0f}}},
      {"post reset", kBehaviorConstant, kBehaviorReset, {{999, 9.99f}, {1000, 0.0f}, {7000, 0.0f}}},
      {"post repeat",
       kBehaviorConstant,
       kBehaviorRepeat,
       {{1000, 0.0f}, {1250, 2.5f}, {9750, 7.5f}}},
      {"post offset repeat",
       kBehaviorConstant,
       kBehaviorOffsetRepeat,
       {{1000, 10.0f}, {1250, 12.5f}, {2250, 22.5f}, {5250, 52.5f}}},
      {"post oscillate",
       kBehaviorConstant,
       kBehaviorOscillate,
       {{1250, 7.5f}, {2000, 0.0f}, {2250, 2.5f}, {3250, 7.5f}}},
      {"post linear (end tangent 0)",
       kBehaviorConstant,
       kBehaviorLinear,
       {{1000, 10.0f}, {3000, 10.0f}}},
      {"pre reset", kBehaviorReset, kBehaviorConstant, {{-1, 0.0f}, {-100000, 0.0f}}},
      {"pre repeat",
       kBehaviorRepeat,
       kBehaviorConstant,
       {{-250, 7.5f}, {-1000, 0.0f}, {-3900, 1.0f}}},
      {"pre oscillate runs backwards",
       kBehaviorOscillate,
       kBehaviorConstant,
       {{-250, 2.5f}, {-1250, 7.5f}, {-2250, 2.5f}}},
      {"pre offset repeat",
       kBehaviorOffsetRepeat,
       kBehaviorConstant,
       {{-250, -2.5f}, {-2250, -22.5f}, {-4900, -49.0f}}},
      {"pre linear (start tangent 0)",
       kBehaviorLinear,
       kBehaviorConstant,
       {{-1, 0.0f}, {-5000, 0.0f}}},
  };
  for (const Case& c : cases) {
    TestChannel channel({MakeKey(0, 0.0f), MakeKey(1000, 10.0f)}, c.pre, c.post);
    for (const TimeValue& p : c.points) {
      EXPECT_NEAR(channel.At(p.time), p.value, 1e-5f) << c.name << " at " << p.time;
    }
  }
}

TEST(EvaluateChannel, PreConstantGivesTheFirstValue) {
  TestChannel c({MakeKey(100, 4.0f), MakeKey(200, 8.0f)}, kBehaviorConstant, kBehaviorReset);
  EXPECT_EQ(c.At(99), 4.0f);
  EXPECT_EQ(c.At(-100000), 4.0f);
  EXPECT_EQ(c.At(150), 6.0f);
}

TEST(EvaluateChannel, LinearBehaviourFollowsTheEndTangents) {
  // Kochanek-Bartels ends with zero parameters: tangents equal the value
  // change, 10 over 1000 ms.
  TestChannel tcb({MakeKey(0, 0.0f, kShapeTcb), MakeKey(1000, 10.0f, kShapeTcb)}, kBehaviorLinear,
                  kBehaviorLinear);
  EXPECT_NEAR(tcb.At(-500), -5.0f, 1e-5f);
  EXPECT_NEAR(tcb.At(1500), 15.0f, 1e-5f);
  // Explicit tangents: outgoing 4 at the first key, incoming 20 at the last.
  Key first = MakeKey(0, 0.0f, kShapeHermite);
  first.params[4] = 4.0f;
  Key last = MakeKey(1000, 10.0f, kShapeHermite2);
  last.params[3] = 20.0f;
  TestChannel explicitTangents({first, last}, kBehaviorLinear, kBehaviorLinear);
  EXPECT_NEAR(explicitTangents.At(-500), -2.0f, 1e-5f);
  EXPECT_NEAR(explicitTangents.At(1500), 20.0f, 1e-5f);
}

TEST(EvaluateChannel, StepHoldsThePreviousKeyUpToTheNext) {
  TestChannel c({MakeKey(0, 1.0f), MakeKey(1000, 5.0f, kShapeStep), MakeKey(2000, 9.0f)});
  EXPECT_EQ(c.At(0), 1.0f);
  EXPECT_EQ(c.At(999), 1.0f);
  EXPECT_EQ(c.At(1000), 5.0f);
  EXPECT_NEAR(c.At(1500), 7.0f, 1e-6f);
}

TEST(EvaluateChannel, KochanekBartelsSpans) {
  // Zero tension, continuity and bias on two keys: the straight line.
  TestChannel line({MakeKey(0, 2.0f, kShapeTcb), MakeKey(1000, 12.0f, kShapeTcb)});
  for (int32_t t = 0; t < 1000; t += 50) {
    EXPECT_NEAR(line.At(t), 2.0f + t / 100.0f, 2e-6f) << t;
  }

  // Three keys (0, 0), (1000, 10), (2000, 0): at 500 ms the outgoing tangent
  // of the first key is 10 and the incoming one of the middle key is
  // 0.5 x (-10 + 10) = 0; Hermite at u = 0.5 gives 5 + 0.125 x 10 = 6.25.
  TestChannel peak({MakeKey(0, 0.0f, kShapeTcb), MakeKey(1000, 10.0f, kShapeTcb),
                    MakeKey(2000, 0.0f, kShapeTcb)});
  EXPECT_NEAR(peak.At(500), 6.25f, 1e-5f);
  EXPECT_NEAR(peak.At(1500), 6.25f, 1e-5f);  // mirror image
  EXPECT_NEAR(peak.At(1000), 10.0f, 1e-6f);

  // Tension 1 flattens both tangents: at u = 0.25 only h2 = 0.15625 remains.
  Key k0 = MakeKey(0, 0.0f, kShapeTcb);
  Key k1 = MakeKey(1000, 10.0f, kShapeTcb);
  k0.params[0] = 1.0f;
  k1.params[0] = 1.0f;
  TestChannel tense({k0, k1});
  EXPECT_NEAR(tense.At(250), 1.5625f, 1e-5f);

  // Continuity 1 zeroes b at the start key and a at the end key: both
  // tangents 0 again, the same eased curve.
  k0.params[0] = 0.0f;
  k0.params[1] = 1.0f;
  k1.params[0] = 0.0f;
  k1.params[1] = 1.0f;
  TestChannel shaped({k0, k1});
  EXPECT_NEAR(shaped.At(250), 1.5625f, 1e-5f);
}

TEST(EvaluateChannel, ExplicitTangentsScaleByNeighbourSpans) {
  // Outgoing 3 of the middle key, scaled by (3000 - 1000) / (3000 - 0):
  // 2; incoming 0. Hermite at u = 0.5: 5 + 5 + 0.125 x 2 = 10.25.
  Key k0 = MakeKey(0, 0.0f, kShapeHermite);
  Key k1 = MakeKey(1000, 10.0f, kShapeHermite);
  k1.params[4] = 3.0f;
  Key k2 = MakeKey(3000, 10.0f, kShapeHermite2);
  TestChannel c({k0, k1, k2});
  EXPECT_NEAR(c.At(2000), 10.25f, 1e-5f);
  // Equal explicit tangents matching the slope: a straight line.
  Key a = MakeKey(0, 0.0f, kShapeHermite);
  a.params[4] = 10.0f;
  Key b = MakeKey(1000, 10.0f, kShapeHermite);
  b.params[3] = 10.0f;
  TestChannel line({a, b});
  EXPECT_NEAR(line.At(370), 3.7f, 1e-5f);
}

TEST(EvaluateChannel, BezierWithThirdHandlesIsLinear) {
  struct Case {
    int32_t start, length;
    float from, change;
  };
  const Case cases[] = {
      {0, 1000, 0.0f, 10.0f}, {500, 3000, -4.0f, 2.5f}, {-2000, 700, 1.0f, -9.0f}};
  for (const Case& c : cases) {
    // Outgoing handle (params 2, 3) and incoming handle (params 2, 1) a
    // third of the way along the line.
    const float third = c.length / 3.0f;
    Key k0 = MakeKey(c.start, c.from, kShapeBezier);
    k0.params[2] = third;
    k0.params[3] = c.change / 3.0f;
    Key k1 = MakeKey(c.start + c.length, c.from + c.change, kShapeBezier);
    k1.params[2] = -third;
    k1.params[1] = -c.change / 3.0f;
    TestChannel channel({k0, k1});
    for (int32_t step = 0; step < c.length; step += c.length / 16) {
      const float expected = c.from + c.change * static_cast<float>(step) / c.length;
      EXPECT_NEAR(channel.At(c.start + step), expected, 1e-4f) << c.start + step;
    }
  }
}

TEST(EvaluateChannel, BezierHandlesShapeTheCurve) {
  // Time handles at thirds (time = 1000 u); value handles flat at both ends:
  // y(u) = 30 u^2 - 20 u^3, so 1.5625 at u = 0.25 and 5 at 0.5.
  Key k0 = MakeKey(0, 0.0f, kShapeBezier);
  k0.params[2] = 1000.0f / 3.0f;
  Key k1 = MakeKey(1000, 10.0f, kShapeBezier);
  k1.params[2] = -1000.0f / 3.0f;
  TestChannel eased({k0, k1});
  EXPECT_NEAR(eased.At(250), 1.5625f, 1e-4f);
  EXPECT_NEAR(eased.At(500), 5.0f, 1e-4f);

  // A start key of another shape: its time handle sits at a third of the
  // span, its value handle is still params[3].
  Key linearStart = MakeKey(0, 0.0f, kShapeLinear);
  linearStart.params[2] = 400.0f;  // ignored: not a Bezier key
  linearStart.params[3] = 10.0f / 3.0f;
  Key end = MakeKey(1000, 10.0f, kShapeBezier);
  end.params[2] = -1000.0f / 3.0f;
  end.params[1] = -10.0f / 3.0f;
  TestChannel mixed({linearStart, end});
  EXPECT_NEAR(mixed.At(600), 6.0f, 1e-4f);
}

TEST(SolveBezierTime, StopsOnLongSpansAndAfterTheBound) {
  // A 20,000,000 ms span: floats there are 2 ms apart, so the 0.0001 ms
  // tolerance cannot be met; the solve still ends, on the nearest time.
  const float length = 20000000.0f;
  const float target = 12345677.0f;
  const float u = SolveBezierTime(0.0f, length / 3.0f, length * 2.0f / 3.0f, length, target);
  EXPECT_NEAR(BezierValue(0.0f, length / 3.0f, length * 2.0f / 3.0f, length, u), target, 4.0f);

  // A time below the whole curve halves towards 0 until the bound.
  EXPECT_EQ(SolveBezierTime(0.0f, 1.0f / 3.0f, 2.0f / 3.0f, 1.0f, -1.0f),
            std::ldexp(1.0f, -kMaxBezierHalvings));
  // Above it, u climbs until it no longer changes.
  EXPECT_EQ(SolveBezierTime(0.0f, 1.0f / 3.0f, 2.0f / 3.0f, 1.0f, 2.0f), 1.0f);
  // NaN handles end too.
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float v = SolveBezierTime(0.0f, nan, nan, 1.0f, 0.5f);
  EXPECT_GE(v, 0.0f);
  EXPECT_LE(v, 1.0f);

  // The same long span through the channel: close to the straight line.
  Key k0 = MakeKey(0, 0.0f, kShapeLinear);
  k0.params[3] = 100.0f / 3.0f;
  Key k1 = MakeKey(20000000, 100.0f, kShapeBezier);
  k1.params[2] = -length / 3.0f;
  k1.params[1] = -100.0f / 3.0f;
  TestChannel channel({k0, k1});
  EXPECT_NEAR(channel.At(12345677), 61.728385f, 1e-3f);
}

TEST(BezierValue, PowerFormOfTheCubic) {
  // Control values 1, 2, 4, 8 at u = 0.5: (1 + 3 x 2 + 3 x 4 + 8) / 8.
  EXPECT_FLOAT_EQ(BezierValue(1, 2, 4, 8, 0.5f), 27.0f / 8.0f);
  EXPECT_EQ(BezierValue(1, 2, 4, 8, 0.0f), 1.0f);
  EXPECT_EQ(BezierValue(1, 2, 4, 8, 1.0f), 8.0f);
}

TEST(WrapTime, FoldsWithCycleNumber) {
  struct Case {
    int64_t time, low, high, folded, cycle;
  };
  const Case cases[] = {
      {1250, 0, 1000, 250, 1},   {2250, 0, 1000, 250, 2},   {-250, 0, 1000, 750, -1},
      {-2250, 0, 1000, 750, -3}, {-1000, 0, 1000, 0, -1},   {999, 0, 1000, 999, 0},
      {500, 300, 300, 300, 0},   {1350, 100, 1100, 450, 0}, {1050, 800, 1000, 850, 1},
  };
  for (const Case& c : cases) {
    const WrappedTime w = WrapTime(c.time, c.low, c.high);
    EXPECT_EQ(w.time, c.folded) << c.time;
    EXPECT_EQ(w.cycle, c.cycle) << c.time;
  }
}

TEST(FindSpan, BinarySearchStaysInsideTheKeys) {
  TestChannel c(
      {MakeKey(0, 0), MakeKey(100, 0), MakeKey(200, 0), MakeKey(300, 0), MakeKey(400, 0)});
  const struct {
    int64_t time;
    int span;
  } cases[] = {{0, 0}, {99, 0}, {100, 1}, {250, 2}, {399, 3}, {400, 3}, {-5, 0}, {100000, 3}};
  for (const auto& k : cases) EXPECT_EQ(FindSpan(&c.channel, k.time), k.span) << k.time;

  TestChannel shared({MakeKey(0, 0), MakeKey(500, 0), MakeKey(500, 0), MakeKey(1000, 0)});
  EXPECT_EQ(FindSpan(&shared.channel, 499), 0);
  EXPECT_EQ(FindSpan(&shared.channel, 500), 2);
  EXPECT_EQ(FindSpan(&shared.channel, 700), 2);

  TestChannel unordered(
      {MakeKey(0, 0), MakeKey(300, 0), MakeKey(100, 0), MakeKey(200, 0), MakeKey(50, 0)});
  for (int64_t t = -100; t <= 400; t += 7) {
    const int span = FindSpan(&unordered.channel, t);
    EXPECT_GE(span, 0);
    EXPECT_LE(span, 3);
  }
}

TEST(EvaluateChannel, KeysSharingATimeGiveTheLaterValue) {
  TestChannel middle(
      {MakeKey(0, 0.0f), MakeKey(500, 5.0f), MakeKey(500, 7.0f), MakeKey(1000, 9.0f)});
  EXPECT_EQ(middle.At(500), 7.0f);
  EXPECT_NEAR(middle.At(750), 8.0f, 1e-6f);
  EXPECT_NEAR(middle.At(250), 2.5f, 1e-6f);

  TestChannel end({MakeKey(0, 0.0f), MakeKey(1000, 5.0f), MakeKey(1000, 7.0f, kShapeTcb)},
                  kBehaviorConstant, kBehaviorLinear);
  EXPECT_EQ(end.At(1000), 7.0f);
  EXPECT_EQ(end.At(3000), 7.0f);  // no slope over a span without length

  TestChannel start({MakeKey(0, 3.0f, kShapeTcb), MakeKey(0, 5.0f), MakeKey(1000, 9.0f)},
                    kBehaviorLinear, kBehaviorConstant);
  EXPECT_EQ(start.At(-100), 3.0f);
  EXPECT_EQ(start.At(0), 5.0f);

  // Every key at one time: the behaviours fold onto it and the last key wins.
  for (uint16_t behavior = 0; behavior <= 5; ++behavior) {
    TestChannel all({MakeKey(500, 1.0f, kShapeBezier), MakeKey(500, 2.0f, kShapeTcb)}, behavior,
                    behavior);
    const float at = all.At(500);
    EXPECT_TRUE(at == 2.0f || (behavior == kBehaviorReset && at == 0.0f)) << behavior;
    EXPECT_TRUE(std::isfinite(all.At(-3000))) << behavior;
    EXPECT_TRUE(std::isfinite(all.At(3000))) << behavior;
  }
}

TEST(EvaluateChannel, MirroredTimesOutsideTheKeysAreClamped) {
  // Keys from 800 to 1000 ms: the mirror r - t of a folded time lies far
  // below the first key and is clamped to it.
  TestChannel late({MakeKey(800, 2.0f), MakeKey(1000, 4.0f)}, kBehaviorOscillate,
                   kBehaviorOscillate);
  EXPECT_EQ(late.At(1050), 2.0f);  // folded 850, cycle 1, mirrored -650
  EXPECT_EQ(late.At(700), 2.0f);   // folded 900, cycle -1, mirrored -700
  // Keys at negative times: the mirror lands above the last key.
  TestChannel early({MakeKey(-1000, 1.0f), MakeKey(-500, 3.0f)}, kBehaviorOscillate,
                    kBehaviorOscillate);
  EXPECT_EQ(early.At(-250), 3.0f);  // folded -750, cycle 1, mirrored 1250
  EXPECT_EQ(early.At(0), 1.0f);     // folded -1000, cycle 2
}

TEST(EvaluateChannel, UnknownCodesAreDefined) {
  // Behaviours above 5 hold the end key; shapes above 5 are straight lines
  // and offer no tangent to their neighbours.
  TestChannel codes({MakeKey(0, 1.0f), MakeKey(1000, 3.0f, 9)}, 6, 0xFFFF);
  EXPECT_EQ(codes.At(-10), 1.0f);
  EXPECT_EQ(codes.At(5000), 3.0f);
  EXPECT_NEAR(codes.At(250), 1.5f, 1e-6f);

  // Outgoing tangent 0 from the unknown start; incoming a x d = 10 at the
  // end: at u = 0.5, 5 - 0.125 x 10 = 3.75.
  TestChannel neighbour({MakeKey(0, 0.0f, 77), MakeKey(1000, 10.0f, kShapeTcb)});
  EXPECT_NEAR(neighbour.At(500), 3.75f, 1e-5f);
}

TEST(EvaluateChannel, ExtremeTimesStayInRange) {
  const int32_t extremes[] = {
      std::numeric_limits<int32_t>::min(),     std::numeric_limits<int32_t>::min() + 1, -1, 0,
      std::numeric_limits<int32_t>::max() - 1, std::numeric_limits<int32_t>::max()};
  for (uint16_t behavior : {kBehaviorRepeat, kBehaviorOscillate}) {
    TestChannel c({MakeKey(-7, -2.0f), MakeKey(1003, 6.0f), MakeKey(4001, 1.0f)}, behavior,
                  behavior);
    for (int32_t t : extremes) {
      const float v = c.At(t);
      EXPECT_GE(v, -2.0f) << behavior << " at " << t;
      EXPECT_LE(v, 6.0f) << behavior << " at " << t;
    }
  }
  // Keys at the ends of the time range: no difference overflows.
  TestChannel wide({MakeKey(std::numeric_limits<int32_t>::min(), -1.0f, kShapeTcb),
                    MakeKey(std::numeric_limits<int32_t>::max(), 1.0f, kShapeBezier)},
                   kBehaviorOffsetRepeat, kBehaviorLinear);
  for (int32_t t : extremes) EXPECT_TRUE(std::isfinite(wide.At(t))) << t;
}

TEST(EvaluateChannel, UnorderedKeysOfEveryShapeGiveFiniteValues) {
  for (uint16_t shape = 0; shape <= 6; ++shape) {
    for (uint16_t behavior = 0; behavior <= 6; ++behavior) {
      Key keys[] = {MakeKey(400, 1.0f, shape), MakeKey(100, -2.0f, shape),
                    MakeKey(100, 5.0f, (shape + 1) % 7), MakeKey(900, 0.5f, shape),
                    MakeKey(-300, 3.0f, (shape + 5) % 7)};
      for (Key& key : keys) {
        for (int p = 0; p < 6; ++p) key.params[p] = 0.5f * (p - 2);
      }
      TestChannel c({keys[0], keys[1], keys[2], keys[3], keys[4]}, behavior, 5 - behavior % 6);
      for (int32_t t = -2000; t <= 3000; t += 37) {
        EXPECT_TRUE(std::isfinite(c.At(t)))
            << "shape " << shape << " behaviour " << behavior << " at " << t;
      }
    }
  }
}

}  // namespace

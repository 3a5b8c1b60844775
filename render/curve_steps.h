// The steps of EvaluateChannel (render/animation.h), exposed so that each can
// be checked on its own. Times are 64-bit here because folding and mirroring
// may step outside the 32-bit range of the keys. Main thread only.
#ifndef MORVANE_RENDER_CURVE_STEPS_H
#define MORVANE_RENDER_CURVE_STEPS_H

#include <cstdint>

#include "scene/motion.h"

struct WrappedTime {
  int64_t time;
  int64_t cycle;
};

// Folds `time` into [low, high) with the cycle number; (low, 0) when the range
// is empty. The quotient is taken in single precision, so for very large
// times the result can miss the range by one period.
WrappedTime WrapTime(int64_t time, int64_t low, int64_t high);

// Index i of the span keys[i]..keys[i+1] holding `time`, for a channel of at
// least two keys. Times before the first key give 0, at or after the last
// n - 2. With equal or unordered times the span starts at the last key (by
// index) at or before `time`. Always in [0, n - 2].
int FindSpan(const Channel* channel, int64_t time);

// Tangents that key0 offers at the start and key1 at the end of the span
// key0..key1; previous and next may be null.
float OutgoingTangent(const Key& key0, const Key& key1, const Key* previous);
float IncomingTangent(const Key& key0, const Key& key1, const Key* next);

float HermiteSpan(const Key& key0, const Key& key1, const Key* previous, const Key* next,
                  int64_t time);

// The cubic Bezier with control values x0..x3 at parameter u.
float BezierValue(float x0, float x1, float x2, float x3, float u);

// Bisection on [0, 1] for the u whose time BezierValue(x0..x3, u) is within
// 0.0001 of `time`; also stops when u no longer changes or after
// kMaxBezierHalvings, returning the last u.
constexpr int kMaxBezierHalvings = 64;
float SolveBezierTime(float x0, float x1, float x2, float x3, float time);

float BezierSpan(const Key& key0, const Key& key1, int64_t time);

#endif  // MORVANE_RENDER_CURVE_STEPS_H

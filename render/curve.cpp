// Curve evaluation of one channel. Times stay integers (64-bit, so no
// difference overflows) and become floats only where a ratio or a product is
// formed.
#include <cmath>

#include "render/animation.h"
#include "render/curve_steps.h"

namespace {

// num / den in single precision; 0 when the times coincide, which only
// malformed keys produce.
float Ratio(int64_t num, int64_t den) {
  if (den == 0) return 0.0f;
  return static_cast<float>(num) / static_cast<float>(den);
}

bool IsHermite(uint16_t shape) {
  return shape == kShapeTcb || shape == kShapeHermite || shape == kShapeHermite2;
}

// Slope per ms of the curve's end tangent at the first key (atStart) or the
// last; 0 over a span without length.
float EndSlope(const Channel* channel, bool atStart) {
  const Key* keys = channel->keys;
  const int n = channel->keyCount;
  const Key& key0 = atStart ? keys[0] : keys[n - 2];
  const Key& key1 = atStart ? keys[1] : keys[n - 1];
  const int64_t span = static_cast<int64_t>(key1.time) - key0.time;
  if (span == 0) return 0.0f;
  const float tangent =
      atStart ? OutgoingTangent(key0, key1, nullptr) : IncomingTangent(key0, key1, nullptr);
  return tangent / static_cast<float>(span);
}

// Applies the behaviour of one end to a time beyond it. Returns true with
// `result` set when the behaviour gives the value outright; otherwise folds
// `time` (and may set `offset`) for the span interpolation.
bool ApplyBehavior(const Channel* channel, bool atStart, int64_t* time, float* offset,
                   float* result) {
  const Key& first = channel->keys[0];
  const Key& last = channel->keys[channel->keyCount - 1];
  const Key& end = atStart ? first : last;
  switch (atStart ? channel->preBehavior : channel->postBehavior) {
    case kBehaviorReset: *result = 0.0f; return true;
    case kBehaviorRepeat: *time = WrapTime(*time, first.time, last.time).time; return false;
    case kBehaviorOscillate: {
      const WrappedTime wrapped = WrapTime(*time, first.time, last.time);
      *time = wrapped.time;
      if (wrapped.cycle % 2 != 0) {
        *time = static_cast<int64_t>(last.time) - first.time - wrapped.time;
      }
      return false;
    }
    case kBehaviorOffsetRepeat: {
      const WrappedTime wrapped = WrapTime(*time, first.time, last.time);
      *time = wrapped.time;
      *offset = (last.value - first.value) * static_cast<float>(wrapped.cycle);
      return false;
    }
    case kBehaviorLinear:
      *result = end.value + EndSlope(channel, atStart) * static_cast<float>(*time - end.time);
      return true;
    default:  // constant, and codes without a meaning
      *result = end.value;
      return true;
  }
}

}  // namespace

WrappedTime WrapTime(int64_t time, int64_t low, int64_t high) {
  const int64_t range = high - low;
  if (range == 0) return {low, 0};
  const float quotient = std::floor(static_cast<float>(time) / static_cast<float>(range));
  const int64_t folded = time - static_cast<int64_t>(quotient) * range + low;
  return {folded, -((folded - time) / range)};
}

int FindSpan(const Channel* channel, int64_t time) {
  const int n = channel->keyCount;
  const Key* keys = channel->keys;
  // Handling the end first also keeps keys[mid + 1] inside the array: lo can
  // only pass n - 2 over a key at or before the time, and no such key is last.
  if (time >= keys[n - 1].time) return n - 2;
  int lo = 0;
  int hi = n - 1;
  while (lo <= hi) {
    const int mid = lo + (hi - lo) / 2;
    if (keys[mid].time > time) {
      hi = mid - 1;
    } else if (time < keys[mid + 1].time) {
      return mid;
    } else if (keys[mid].time < time) {
      lo = mid + 1;
    } else {
      hi = mid - 1;
    }
  }
  // Equal or unordered times: the last key at or before the time starts the
  // span, so of keys sharing a time the later one counts.
  for (int i = n - 2; i > 0; --i) {
    if (keys[i].time <= time) return i;
  }
  return 0;
}

float OutgoingTangent(const Key& key0, const Key& key1, const Key* previous) {
  if (key0.shape == kShapeTcb) {
    const float tension = key0.params[0], continuity = key0.params[1], bias = key0.params[2];
    const float a = (1.0f - tension) * (1.0f + continuity) * (1.0f + bias);
    const float b = (1.0f - tension) * (1.0f - continuity) * (1.0f - bias);
    const float d = key1.value - key0.value;
    if (!previous) return b * d;
    return Ratio(static_cast<int64_t>(key1.time) - key0.time,
                 static_cast<int64_t>(key1.time) - previous->time) *
           (a * (key0.value - previous->value) + b * d);
  }
  if (key0.shape == kShapeHermite || key0.shape == kShapeHermite2) {
    if (!previous) return key0.params[4];
    return key0.params[4] * Ratio(static_cast<int64_t>(key1.time) - key0.time,
                                  static_cast<int64_t>(key1.time) - previous->time);
  }
  return 0.0f;
}

float IncomingTangent(const Key& key0, const Key& key1, const Key* next) {
  if (key1.shape == kShapeTcb) {
    const float tension = key1.params[0], continuity = key1.params[1], bias = key1.params[2];
    const float a = (1.0f - tension) * (1.0f - continuity) * (1.0f + bias);
    const float b = (1.0f - tension) * (1.0f + continuity) * (1.0f - bias);
    const float d = key1.value - key0.value;
    if (!next) return a * d;
    return Ratio(static_cast<int64_t>(key1.time) - key0.time,
                 static_cast<int64_t>(next->time) - key0.time) *
           (b * (next->value - key1.value) + a * d);
  }
  if (key1.shape == kShapeHermite || key1.shape == kShapeHermite2) {
    if (!next) return key1.params[3];
    return key1.params[3] * Ratio(static_cast<int64_t>(key1.time) - key0.time,
                                  static_cast<int64_t>(next->time) - key0.time);
  }
  return 0.0f;
}

float HermiteSpan(const Key& key0, const Key& key1, const Key* previous, const Key* next,
                  int64_t time) {
  const float u = Ratio(time - key0.time, static_cast<int64_t>(key1.time) - key0.time);
  const float u2 = u * u;
  const float u3 = u * u2;
  const float h2 = 3.0f * u2 - 2.0f * u3;
  const float h1 = 1.0f - h2;
  const float h4 = u3 - u2;
  const float h3 = h4 - u2 + u;
  return h1 * key0.value + h2 * key1.value + h3 * OutgoingTangent(key0, key1, previous) +
         h4 * IncomingTangent(key0, key1, next);
}

float BezierValue(float x0, float x1, float x2, float x3, float u) {
  const float c = 3.0f * (x1 - x0);
  const float b = 3.0f * (x2 - x1) - c;
  const float a = x3 - x0 - c - b;
  return a * (u * u * u) + b * (u * u) + c * u + x0;
}

float SolveBezierTime(float x0, float x1, float x2, float x3, float time) {
  float lo = 0.0f;
  float hi = 1.0f;
  float u = lo + (hi - lo) * 0.5f;
  for (int halvings = 1;; ++halvings) {
    const float x = BezierValue(x0, x1, x2, x3, u);
    if (std::fabs(time - x) <= 0.0001f) break;
    if (x > time) {
      hi = u;
    } else {
      lo = u;
    }
    const float next = lo + (hi - lo) * 0.5f;
    // Once lo and hi are neighbouring floats (long spans in single
    // precision) the time may never be matched.
    if (next == u || halvings == kMaxBezierHalvings) break;
    u = next;
  }
  return u;
}

float BezierSpan(const Key& key0, const Key& key1, int64_t time) {
  const float start = static_cast<float>(key0.time);
  const float end = static_cast<float>(key1.time);
  const float x1 =
      key0.shape == kShapeBezier
          ? start + key0.params[2]
          : start + static_cast<float>(static_cast<int64_t>(key1.time) - key0.time) / 3.0f;
  const float x2 = end + key1.params[2];
  const float u = SolveBezierTime(start, x1, x2, end, static_cast<float>(time));
  return BezierValue(key0.value, key0.value + key0.params[3], key1.value + key1.params[1],
                     key1.value, u);
}

float EvaluateChannel(const Channel* channel, int32_t time) {
  const int n = channel->keyCount;
  if (n == 0 || !channel->keys) return 0.0f;
  const Key* keys = channel->keys;
  const Key& first = keys[0];
  const Key& last = keys[n - 1];
  if (n == 1) return first.value;

  int64_t t = time;
  float offset = 0.0f;
  float result = 0.0f;
  if (t < first.time && ApplyBehavior(channel, true, &t, &offset, &result)) return result;
  // Also for a time that the first behaviour folded onto the last key.
  if (t >= last.time && ApplyBehavior(channel, false, &t, &offset, &result)) return result;
  // Only mirrored or badly rounded folds land outside; keep the span search
  // inside the keys.
  if (t < first.time) t = first.time;
  if (t > last.time) t = last.time;

  const int i = FindSpan(channel, t);
  const Key& key0 = keys[i];
  const Key& key1 = keys[i + 1];
  // A span without length (or running backwards) gives its end key's value.
  if (key1.time <= key0.time) return key1.value + offset;
  const Key* previous = i >= 1 ? &keys[i - 1] : nullptr;
  const Key* next = i + 2 < n ? &keys[i + 2] : nullptr;

  float v;
  if (IsHermite(key1.shape)) {
    v = HermiteSpan(key0, key1, previous, next, t);
  } else if (key1.shape == kShapeStep) {
    v = key0.value;
  } else if (key1.shape == kShapeBezier) {
    v = BezierSpan(key0, key1, t);
  } else {  // straight line, also for shapes without a meaning
    v = key0.value + Ratio(t - key0.time, static_cast<int64_t>(key1.time) - key0.time) *
                         (key1.value - key0.value);
  }
  return v + offset;
}

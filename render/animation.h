// Animation of the scene: the value of a channel's curve at a time, and the
// posing of every motion for a frame (channel values, local, world and skin
// matrices). It does not draw, read the camera or touch Direct3D.
//
// Curves (EvaluateChannel): keys are interpolated by the shape stored in the
// key that ends the span; times before the first key follow preBehavior and
// times at or after the last key follow postBehavior (codes in
// scene/motion.h). All values are single precision; times are whole
// milliseconds and differences of times are formed without overflow.
//
// What happens outside the well-formed cases, so that malformed scene data
// never reads outside a channel's keys nor loops without end:
// - A channel without keys (or with a null key array) evaluates to 0.
// - Keys that share a time: the later key's value wins, at that time and for
//   any span of no length. A behaviour slope over two keys at one time is 0.
// - Keys out of order: the search still ends on a span inside the array, and
//   a span that runs backwards gives its end key's value.
// - A time still outside the keys after the behaviours (the oscillation's
//   mirror when the first key is not at 0, or rounding of the single-precision
//   cycle quotient) is clamped to the first or last key's time.
// - Behaviour codes above 5 act as constant (1): the end key's value.
// - Shapes above 5 interpolate as a straight line (shape 3); as the end of a
//   neighbouring span they offer a tangent of 0.
// - The Bezier time solve stops when the time is matched within 0.0001 ms,
//   when the parameter stops changing, or after 64 halvings.
//
// Posing (UpdateMotions): all local matrices are built before any world
// matrix, so the order of the motions in the array does not matter. A parent
// chain is followed for at most 65,536 links, so a cycle in malformed data
// costs time but never hangs.
//
// Main thread only; nothing here allocates.
#ifndef MORVANE_RENDER_ANIMATION_H
#define MORVANE_RENDER_ANIMATION_H

#include <cstdint>

#include "scene/motion.h"

struct Scene;

// The lap length: poses at or after it are taken at it.
constexpr int32_t kAnimationEndMs = 33500;

// UpdateMotions results.
constexpr int kAnimationRunning = 0;
constexpr int kAnimationEnded = 2;

float EvaluateChannel(const Channel* channel, int32_t time);

// Poses every motion of the scene at `elapsed` ms, or at the end when the
// elapsed time is a whole lap or more either way. Returns kAnimationRunning,
// or kAnimationEnded when the end pose was taken.
int UpdateMotions(int32_t elapsed, Scene* scene);

// Channel values at `time` (unkeyed: translation and rotation 0, scale 1) and
// localMatrix = pivot^-1 x scale x rotation x translation.
void BuildLocalMatrix(Motion* motion, int32_t time);

// worldMatrix = own localMatrix x each ancestor's localMatrix up to the root;
// skinMatrix = restInverse x worldMatrix.
void BuildWorldMatrices(Motion* motion);

#endif  // MORVANE_RENDER_ANIMATION_H

// SBint.h -- internals of the substrate subsystem, shared by the files of
// src/substrate only.
#pragma once

#include "CS.h"
#include "Dlayout.h"

namespace substrate {

constexpr int kModule = 15;  // message module of the substrate

// Layout units as micrometres.
inline double microns(long units) { return units * LAMBDA_T1 / SCALE; }

// Edges of a tile as its corner stitches give them.
inline long leftOf(const _Dtile* t) { return cs::left(t); }
inline long bottomOf(const _Dtile* t) { return cs::bottom(t); }
inline long rightOf(const _Dtile* t) { return cs::right(t); }
inline long topOf(const _Dtile* t) { return cs::top(t); }

}  // namespace substrate

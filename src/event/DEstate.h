// DEstate.h -- state of the interaction chains shared by their files
// (private).
#pragma once

#include <string>

#include "Devent.h"

namespace event {

struct State {
  _points* pointTail = nullptr;  // last entry of GpointList
  _strings* stringTail = nullptr;
  Input* input = nullptr;
  // The armed step's handlers.
  _Gviewport* armedView = nullptr;
  bool armedPresses = false;
  bool armedMotion = false;
  // The rubber band: anchor, anchor text, pointer, circle radius, shown.
  long rubx = 0, ruby = 0;
  std::string rubstring;
  long mx = 0, my = 0;
  long radio = 0;
  int rubed = 0;
};

State& state();

// Removes the handlers of the armed step.
void disarm();

// Appends a layout point to GpointList.
void appendPoint(int x, int y);

}  // namespace event

// The point and string buffers of the running interaction.
#include "Devent.h"

#include "DEstate.h"
#include "Dglobal.h"

_points* GpointList = nullptr;
_strings* GstringList = nullptr;

namespace event {

void appendPoint(int x, int y)
{
  auto* point = common::make<_points>();
  point->x = x;
  point->y = y;
  event::State& state = event::state();
  if (state.pointTail)
    state.pointTail->next = point;
  else
    GpointList = point;
  state.pointTail = point;
}

}  // namespace event

/*
 * GGsavePoint --
 *   Appends the world point under pixel (x, y) of the viewport; with a null
 *   viewport the end marker of a point list.
 */
void GGsavePoint(_Gviewport* vp, int x, int y)
{
  if (!vp) {
    event::appendPoint(kPointListEnd, kPointListEnd);
    return;
  }
  int wx, wy;
  GCvtow(vp, x, y, &wx, &wy);
  event::appendPoint(wx, wy);
}

void GGsaveString(const char* text)
{
  auto* entry = common::make<_strings>();
  entry->string = GCstrcpy(text ? text : "");
  event::State& state = event::state();
  if (state.stringTail)
    state.stringTail->next = entry;
  else
    GstringList = entry;
  state.stringTail = entry;
}

_points* GGlastPoint() { return event::state().pointTail; }
_strings* GGlastString() { return event::state().stringTail; }

void GfreePoint()
{
  event::State& state = event::state();
  if (!GpointList)
    return;
  _points* before = nullptr;
  for (_points* p = GpointList; p != state.pointTail; p = p->next)
    before = p;
  common::release(state.pointTail);
  state.pointTail = before;
  if (before)
    before->next = nullptr;
  else
    GpointList = nullptr;
}

void GfreeString()
{
  event::State& state = event::state();
  if (!GstringList)
    return;
  _strings* before = nullptr;
  for (_strings* s = GstringList; s != state.stringTail; s = s->next)
    before = s;
  GCfreeString(state.stringTail->string);
  common::release(state.stringTail);
  state.stringTail = before;
  if (before)
    before->next = nullptr;
  else
    GstringList = nullptr;
}

void GfreePoints()
{
  GCfreePoints(GpointList);
  GpointList = nullptr;
  event::state().pointTail = nullptr;
}

void GfreeStrings()
{
  while (GstringList) {
    _strings* next = GstringList->next;
    GCfreeString(GstringList->string);
    common::release(GstringList);
    GstringList = next;
  }
  event::state().stringTail = nullptr;
}

void DEfreeAllBuffer()
{
  GfreePoints();
  GfreeStrings();
}

// CifTemplate.h -- a flat CIF cell read as a template and written as a grid
// of copies (the --template mode of gen_cif).
//
// A template holds top-level commands only: layers "L name;", boxes
// "B length width cx cy;", labels "94 name x y [layer];", comments and the
// end command "E".  Anything else is refused with a TemplateError whose text
// reads "file:line: what is wrong".
#pragma once

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace gencif {

class TemplateError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct TemplateBox {
  int layer;  // index into Template::layers
  int32_t length, width, cx, cy;
};

struct TemplateLabel {
  std::string name;
  int32_t x, y;
  std::string layer;  // empty when the label names none
};

// Bounds in CIF units, doubled so that boxes of odd size stay exact.
struct DoubledBounds {
  int64_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  bool empty = true;
  void add(int64_t x, int64_t y);
};

struct Template {
  std::vector<std::string> layers;  // in the order of first use
  std::vector<TemplateBox> boxes;
  std::vector<TemplateLabel> labels;
  DoubledBounds bounds;  // of the boxes and the label points
};

// Reads a template; `name` is the file name used in error texts.
// Throws TemplateError on any input outside the accepted forms, on a box of
// zero or negative size, on a number outside 32 bits and on a missing ';'.
Template readTemplate(FILE* in, const std::string& name);

// The distance between neighbouring copies along one axis: the template's
// extent plus a margin of a tenth of it (at least one unit), rounded up to
// whole grid steps of 10 CIF units so that copies stay on the template's grid.
int64_t templatePitch(int64_t doubledExtent);

struct GridPlacement {
  long count;    // copies
  long columns;  // copies per row
  int64_t pitchX, pitchY;
};

// Chooses the grid for `count` copies: `columns` per row, or a roughly
// square array when `columns` is 0.
GridPlacement placeCopies(const Template& t, long count, long columns);

// The largest coordinate magnitude of the layout the placement makes, in CIF
// units.
int64_t placementExtent(const Template& t, const GridPlacement& g);

// Writes one flat cell holding every copy, layer by layer, then the labels:
// each label name gets "_" and the copy index appended, except vdd and gnd
// (in any case), which every copy shares.
void writeTemplateArray(FILE* out, const Template& t, const GridPlacement& g,
                        const std::string& source);

}  // namespace gencif

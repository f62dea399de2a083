// USint.h -- internals shared by the resizing files of src/updatesize.
#pragma once

struct SQCELL_item;

namespace updatesize {

// Takes out the kept overlaps between a cell and the boxes of `layer`
// (metal over diffusion or gate joins nothing): they would hold the cell
// at its drawn extent.
void dropOverlapsWith(SQCELL_item* cell, int layer);

}  // namespace updatesize

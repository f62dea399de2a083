// Taking cells out of the graph of the current direction: the cell array
// is rebuilt without them and the remaining cells are renumbered.
#include <utility>

#include "CS.h"
#include "SQint.h"
#include "SQsqueeze.h"

std::vector<SQCELL_item*> SQremovecells(const std::vector<char>& drop)
{
  squeeze::DirectionStore& s = squeeze::store(resize_direction);
  const int total = SQcell_size + SQsymcell_size;
  std::vector<SQCELL_item*> moved(static_cast<size_t>(total), nullptr);
  int kept = 0, keptCells = 0;
  for (int i = 0; i < total; ++i)
    if (i >= SQcell_size || !drop[static_cast<size_t>(i)])
      ++kept;
  std::unique_ptr<SQCELL_item[]> cells(new SQCELL_item[kept > 0 ? kept : 1]());
  const bool lr = resize_direction == LEFT_RIGHT;
  int k = 0;
  for (int i = 0; i < total; ++i) {
    SQCELL_item& old = s.cells[static_cast<size_t>(i)];
    _Dtile* tile = old.mother_tile;
    void* ref = !tile ? nullptr : lr ? tile->resize_cell_LR() : tile->resize_cell_TB();
    auto setRef = [&](void* cell) {
      lr ? tile->set_resize_cell_LR(cell) : tile->set_resize_cell_TB(cell);
    };
    if (i < SQcell_size && drop[static_cast<size_t>(i)]) {
      if (tile) {
        if (ref == &old)
          setRef(nullptr);
        if (tile->resize_cell() == &old)
          tile->set_resize_cell(nullptr);
      }
      continue;
    }
    if (i < SQcell_size)
      ++keptCells;
    SQCELL_item& c = cells[static_cast<size_t>(k)];
    c = old;
    c.number = 2 * k + 1;
    c.layernext = nullptr;
    if (c.left) {
      c.left->cell = &c;
      c.left->number = 2 * k + 1;
    }
    if (c.right) {
      c.right->cell = &c;
      c.right->number = 2 * k + 2;
    }
    if (tile && i < SQcell_size) {
      if (ref == &old)
        setRef(&c);
      if (tile->resize_cell() == &old)
        tile->set_resize_cell(&c);
    }
    moved[static_cast<size_t>(i)] = &c;
    ++k;
  }
  s.cells = std::move(cells);
  SQcell = s.cells.get();
  SQcell_size = keptCells;
  SQcell_size_allocate = kept;
  return moved;
}

// The sweep: the events of one direction in coordinate order, the boxes open
// at the sweep position (active set) and the right edges visible from it
// (shadow set), and the width, spacing, alignment, extension and overlap
// rows they give.  Told for X; in Y the boxes have swapped coordinates.
#include "Dcompact.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <unordered_map>

#include "CS.h"
#include "DCMint.h"
#include "DCMinterval.h"
#include "DRdesignrule.h"
#include "Dglobal.h"

namespace {

int layerOf(const box_item* b) { return b->layer ? b->layer - 1 : b->right_edge->layer_num; }
_Dtile* tileOf(const box_item* b) { return b->right_edge->mother_tile; }
bool inTable(int layer) { return layer >= 0 && layer < kRuleLayers; }

bool widthRule(int l, int* value)
{
  if (!inTable(l) || WIDTH_VALID[l] != 1)
    return false;
  *value = WIDTH[l] * theGlobalScale;
  return true;
}

bool spacingRule(int l, int m, int* value)
{
  if (!inTable(l) || !inTable(m) || SPACING_VALID[l][m] != 1)
    return false;
  *value = SPACING[l][m] * theGlobalScale;
  return true;
}

bool extensionRule(int i, int j, int* value)
{
  if (!inTable(i) || !inTable(j) || EXTENSION_VALID[i][j] != 1)
    return false;
  *value = EXTENSION[i][j] * theGlobalScale;
  return true;
}

// Neighbour walks of a tile along its sides, in the pass's terms: "right"
// is the real right side in X and the top side in Y.
enum class Side { Left, Right };

/* anySide -- whether some neighbour on the side is (solid == want). */
bool anySide(const _Dtile* t, Side side, bool want)
{
  const bool x = X_direction != 0;
  if (side == Side::Right && x) {
    for (const _Dtile* n = t->tr(); n && cs::top(n) > t->y1; n = n->lb())
      if ((TisSolid(n) != 0) == want)
        return true;
  } else if (side == Side::Left && x) {
    for (const _Dtile* n = t->bl(); n && n->y1 < cs::top(t); n = n->rt())
      if ((TisSolid(n) != 0) == want)
        return true;
  } else if (side == Side::Right) {
    for (const _Dtile* n = t->rt(); n && cs::right(n) > t->x1; n = n->bl())
      if ((TisSolid(n) != 0) == want)
        return true;
  } else {
    for (const _Dtile* n = t->lb(); n && n->x1 < cs::right(t); n = n->tr())
      if ((TisSolid(n) != 0) == want)
        return true;
  }
  return false;
}

// The tile tests of a box as the sweep keeps them: worked out once per box
// (shadows take them from the box they come from) in the pass's direction.
enum SideBits : unsigned char {
  kKnownX = 1,
  kKnownY = 2,
  kLeftVisible = 4,
  kRightVisible = 8,
  kLeftFree = 16,
  kRightFree = 32,
};

/* walkSide -- whether the side has solid neighbours and whether it has other ones. */
void walkSide(const _Dtile* t, Side side, bool* solid, bool* space)
{
  *solid = *space = false;
  auto see = [&](const _Dtile* n) { (TisSolid(n) ? *solid : *space) = true; };
  const bool x = X_direction != 0;
  if (side == Side::Right && x) {
    for (const _Dtile* n = t->tr(); n && cs::top(n) > t->y1; n = n->lb())
      see(n);
  } else if (side == Side::Left && x) {
    for (const _Dtile* n = t->bl(); n && n->y1 < cs::top(t); n = n->rt())
      see(n);
  } else if (side == Side::Right) {
    for (const _Dtile* n = t->rt(); n && cs::right(n) > t->x1; n = n->bl())
      see(n);
  } else {
    for (const _Dtile* n = t->lb(); n && n->x1 < cs::right(t); n = n->tr())
      see(n);
  }
}

/* sidesOf -- the cached tests of B (Left/Right_Visible, Left/Right_free). */
unsigned char sidesOf(box_item* b)
{
  const unsigned char known = X_direction ? kKnownX : kKnownY;
  if (b->sides & known)
    return b->sides;
  unsigned char bits = known;
  const _Dtile* t = b->right_edge->mother_tile;
  if (!t) {
    bits |= kLeftVisible | kRightVisible | kLeftFree | kRightFree;
  } else {
    bool solid, space;
    walkSide(t, Side::Left, &solid, &space);
    bits |= (space ? kLeftVisible : 0) | (solid ? 0 : kLeftFree);
    walkSide(t, Side::Right, &solid, &space);
    bits |= (space ? kRightVisible : 0) | (solid ? 0 : kRightFree);
  }
  b->sides = bits;
  return bits;
}

bool rightVisible(box_item* b) { return sidesOf(b) & kRightVisible; }
bool leftFree(box_item* b) { return sidesOf(b) & kLeftFree; }
bool rightFree(box_item* b) { return sidesOf(b) & kRightFree; }

// The shadow set tags every shadow with the bit of its edge's layer, and
// with it again when the edge is visible, so that queries can leave out the
// layers without a spacing rule to the box at hand.
uint32_t layerTag(int layer)
{
  return layer >= 0 && layer < 32 && inTable(layer) ? uint32_t{1} << layer : 0;
}

/* spacingTags -- the tags of the layers with a spacing rule to layer l. */
uint32_t spacingTags(int l)
{
  uint32_t tags = 0;
  if (inTable(l))
    for (int m = 0; m < kRuleLayers && m < 32; ++m)
      if (SPACING_VALID[l][m] == 1)
        tags |= uint32_t{1} << m;
  return tags;
}

}  // namespace

// ---------------------------------------------------------------------------
// Box tests.
// ---------------------------------------------------------------------------

/* Right_Visible -- some neighbour on the right side is not solid. */
int Right_Visible(const box_item* b)
{
  const _Dtile* t = tileOf(b);
  return !t || anySide(t, Side::Right, false);
}

int Left_Visible(const box_item* b)
{
  const _Dtile* t = tileOf(b);
  return !t || anySide(t, Side::Left, false);
}

/* Right_free -- no neighbour on the right side is solid. */
int Right_free(const box_item* b)
{
  const _Dtile* t = tileOf(b);
  return !t || !anySide(t, Side::Right, true);
}

int Left_free(const box_item* b)
{
  const _Dtile* t = tileOf(b);
  return !t || !anySide(t, Side::Left, true);
}

/* bottom_corner -- nothing solid at the tile's lower-left corner. */
int bottom_corner(const box_item* b)
{
  const _Dtile* t = tileOf(b);
  return !t || (!TisSolid(t->lb()) && !TisSolid(t->bl()));
}

/*
 * top_corner --
 *   The upper-left corner of the box (in Y: the real lower-right corner of
 *   the tile) is a corner of its shape: the first neighbour along the top
 *   side from the left and the first along the left side from the top are
 *   not solid.
 */
int top_corner(const box_item* b)
{
  const _Dtile* t = tileOf(b);
  if (!t)
    return 1;
  const _Dtile* first = nullptr;
  const _Dtile* second = nullptr;
  if (X_direction) {
    for (const _Dtile* n = t->rt(); n && cs::right(n) > t->x1; n = n->bl())
      first = n;  // leftmost above
    for (const _Dtile* n = t->bl(); n && n->y1 < cs::top(t); n = n->rt())
      second = n;  // topmost at the left
  } else {
    for (const _Dtile* n = t->lb(); n && n->x1 < cs::right(t); n = n->tr())
      first = n;  // rightmost below
    for (const _Dtile* n = t->tr(); n && cs::top(n) > t->y1; n = n->lb())
      second = n;  // lowest at the right
  }
  return (!first || !TisSolid(first)) && (!second || !TisSolid(second));
}

int right_alignement(const box_item* a, const box_item* b)
{
  return a->x2 == b->x2 && (a->y1 == b->y2 || a->y2 == b->y1);
}

int left_alignement(const box_item* a, const box_item* b)
{
  return a->x1 == b->x1 && (a->y1 == b->y2 || a->y2 == b->y1);
}

int intersection(const box_item* a, const box_item* b)
{
  return a->x1 <= b->x2 && b->x1 <= a->x2 && a->y1 <= b->y2 && b->y1 <= a->y2;
}

/* connection -- how B lies against A in x; 0 when compared sides are equal. */
int connection(const box_item* b, const box_item* a)
{
  if (a->x1 < b->x1 && b->x2 < a->x2)
    return 2;
  if (b->x1 < a->x1 && b->x2 < a->x2)
    return 3;
  if (a->x1 < b->x1 && a->x2 < b->x2)
    return 4;
  if (b->x1 < a->x1 && a->x2 < b->x2)
    return 5;
  return 0;
}

// ---------------------------------------------------------------------------
// The process list of one coordinate.
// ---------------------------------------------------------------------------

PROC_LIST::PROC_LIST(std::shared_ptr<const std::vector<int32_t>> keys)
    : leftEnds_(new compact::IntervalSet(std::move(keys)))
{
}
PROC_LIST::~PROC_LIST() { delete leftEnds_; }

void PROC_LIST::clear()
{
  entries_.clear();
  leftEnds_->clear();
  leftEntry_.clear();
  nextKey_ = 0;
}

/*
 * PROC_LIST::insert_rule1 --
 *   Appends the event.  A right end first takes every left end already
 *   listed whose box meets its box in y, and puts them right after itself,
 *   the last one taken nearest (so in reverse list order).
 */
void PROC_LIST::insert_rule1(const PROC_ITEM& item)
{
  box_item* b = item.box;
  if (item.step == b->x1) {
    leftEnds_->insert(b);
    const size_t slot = static_cast<size_t>(b->tree_slot);
    if (leftEntry_.size() <= slot)
      leftEntry_.resize(slot + 1);
    leftEntry_[slot] = entries_.size();
    entries_.push_back(Entry{item, nextKey_++});
    return;
  }
  met_.clear();
  leftEnds_->meeting(b->y1, b->y2, &met_);
  taken_.clear();
  for (box_item* m : met_)  // a box listed twice answers with its latest entry
    taken_.push_back(leftEntry_[m->tree_slot]);
  std::sort(taken_.begin(), taken_.end(),
            [this](size_t i, size_t j) { return entries_[i].key < entries_[j].key; });
  entries_.push_back(Entry{item, nextKey_++});
  for (auto i = taken_.rbegin(); i != taken_.rend(); ++i)
    entries_[*i].key = nextKey_++;
}

std::vector<PROC_ITEM> PROC_LIST::ordered() const
{
  std::vector<const Entry*> order;
  order.reserve(entries_.size());
  for (const Entry& e : entries_)
    order.push_back(&e);
  std::sort(order.begin(), order.end(),
            [](const Entry* a, const Entry* b) { return a->key < b->key; });
  std::vector<PROC_ITEM> items;
  items.reserve(order.size());
  for (const Entry* e : order)
    items.push_back(e->item);
  return items;
}

// ---------------------------------------------------------------------------
// The pass.
// ---------------------------------------------------------------------------

namespace {

struct Pass {
  AdjacencyArray* adj;
  _rhs_list* rows;
  compact::IntervalSet* active;
  compact::IntervalSet* shadow;
  // Query results, kept between events so that their memory is reused.
  std::vector<box_item*> met, seen, shade;
  uint32_t spaced[32];  // spacingTags of each layer: the rules hold for a pass

  void init()
  {
    for (int l = 0; l < 32; ++l)
      spaced[l] = spacingTags(l);
  }
  uint32_t spacedFrom(int l) const { return l >= 0 && l < 32 ? spaced[l] : 0; }

  void event(PROC_ITEM* item)
  {
    if (item->step != item->box->x1)
      rightEnd(item->box);
    else
      leftEnd(item->box);
  }
  void row(_edge* e1, _edge* e2, int value, char type, compact::RowKind kind)
  {
    compact::setRowKind(kind);
    add_column_2(e1, e2, adj, rows, value, type, 1, 1);
  }
  void rightEnd(box_item* b);
  void leftEnd(box_item* b);
  void width(box_item* b, bool lv, bool rv);
  void spacing(box_item* b, bool lv, uint32_t inside);
  void corner(box_item* b, bool lv, uint32_t inside, const std::vector<box_item*>& shadows);
  void extension(box_item* a, box_item* b);
  void overlap(box_item* a, box_item* b);
};

void addShadow(compact::IntervalSet* shadow, const box_item* from, long y1, long y2)
{
  box_item* s = compact::newShadowBox();
  s->sides = from->sides;
  s->layer = from->layer;
  s->x1 = from->x1;
  s->x2 = from->x2;
  s->y1 = y1;
  s->y2 = y2;
  s->left_edge = from->left_edge;
  s->right_edge = from->right_edge;
  const uint32_t tag = layerTag(layerOf(s));
  shadow->insert(s, tag, rightVisible(s) ? tag : 0);
}

/*
 * Pass::rightEnd --
 *   Alignment of right sides, then B leaves the active set and hides (or
 *   cuts) the shadows its left side saw, and leaves its own shadow.
 */
void Pass::rightEnd(box_item* b)
{
  met.clear();
  active->meeting(b->y1, b->y2, &met);
  for (box_item* a : met)
    if (a != b && right_alignement(a, b) && layerOf(a) == layerOf(b))
      row(a->right_edge, b->right_edge, 0, 'E', compact::RowKind::RightAlignment);
  active->erase(b);

  // Only shadows of layers spaced from B's can be on its Se list, and
  // none when the list is empty.
  met.clear();
  if (b->right_edge->Se)
    shadow->meeting(b->y1, b->y2, &met, spacedFrom(layerOf(b)));
  for (box_item* s : met) {
    const _edge* previous = nullptr;
    for (const _edge_w_box* seen = b->right_edge->Se; seen;
         previous = seen->the_edge, seen = seen->next) {
      if (seen->the_edge == previous || seen->the_edge != s->right_edge)
        continue;
      bool hidden = s->y1 >= b->y1 && s->y2 <= b->y2 && s->right_edge->p1.x < b->x2;
      if (s->y1 < b->y1 && b->y1 < s->y2) {
        addShadow(shadow, s, s->y1, b->y1);
        hidden = true;
      }
      if (s->y1 < b->y2 && b->y2 < s->y2) {
        addShadow(shadow, s, b->y2, s->y2);
        hidden = true;
      }
      if (hidden) {
        shadow->erase(s);
        compact::freeShadowBox(s);
      }
      break;  // one shadow is cut once
    }
  }
  // The Se list of B is read here only.
  compact::freeShadowEntries(b->right_edge->Se);
  b->right_edge->Se = nullptr;
  addShadow(shadow, b, b->y1, b->y2);
}

/* Pass::width -- the width row of B, with the transistor cases. */
void Pass::width(box_item* b, bool lv, bool rv)
{
  int w;
  if (!widthRule(layerOf(b), &w))
    return;
  const _Dtile* t = tileOf(b);
  const int role = t ? t->activeDev() : 0;
  compact::RowKind kind = compact::RowKind::Width;
  if (role == 1 && lv && rv && TRAN_WIDTH_VALID[0] == 1) {
    w = TRAN_WIDTH[0] * theGlobalScale;
    kind = compact::RowKind::ChannelWidth;
  } else if (role == 3 && lv && rv && TRAN_LENGTH_VALID[0] == 1) {
    w = TRAN_LENGTH[0] * theGlobalScale;
    kind = compact::RowKind::GateLength;
  } else if (!lv && !rv) {
    w = 0;  // inside a larger shape: may shrink to nothing, not invert
    kind = compact::RowKind::InnerWidth;
  } else if (!leftFree(b) || !rightFree(b)) {
    // A piece of a shape that goes on beside it: the shape's width is the
    // pieces' together, so a piece narrower than the rule keeps its own.
    w = static_cast<int>(std::min<long>(w, b->x2 - b->x1));
    kind = compact::RowKind::InnerWidth;
  }
  row(b->left_edge, b->right_edge, w, 'G', kind);
}

/*
 * Pass::spacing --
 *   Rows to the visible right edges that B's left side faces.  A layer
 *   that B lies over (`inside`, one bit per layer) is not spaced from it:
 *   a cut inside its poly, an active inside its select.
 */
void Pass::spacing(box_item* b, bool lv, uint32_t inside)
{
  const int l = layerOf(b);
  seen.clear();
  shadow->meeting(b->y1, b->y2, &seen, spacedFrom(l) & ~inside);
  for (box_item* s : seen) {
    int space;
    if (!spacingRule(l, layerOf(s), &space))
      continue;
    _edge* e = s->right_edge;
    _edge_w_box* seen = compact::newShadowEntry();
    seen->pseudo_rect = s;
    seen->the_edge = e;
    seen->next = b->right_edge->Se;
    b->right_edge->Se = seen;
    if (e->p1.x == b->x1 && e->layer_num == l)
      row(e, b->left_edge, 0, 'E', compact::RowKind::SameShape);  // two tiles of one shape
    else if (lv && rightVisible(s))
      row(e, b->left_edge, space, 'G', compact::RowKind::Spacing);
  }
}

/*
 * cornerSpacing --
 *   The gap in x that keeps a corner `across` away in y at least `space`
 *   apart, corner to corner: sqrt(space^2 - across^2), up to the grid; 0
 *   when the gap across is enough on its own.
 */
int cornerSpacing(long space, long across)
{
  if (across >= space)
    return 0;
  const long long need = static_cast<long long>(space) * space - static_cast<long long>(across) * across;
  long d = static_cast<long>(std::sqrt(static_cast<double>(need)));
  while (static_cast<long long>(d) * d < need)
    ++d;
  const long step = theGlobalScale > 0 ? theGlobalScale : 1;
  return static_cast<int>((d + step - 1) / step * step);
}

/*
 * Pass::corner --
 *   Spacing rows to the shadows of a corner shade.  The rule holds corner
 *   to corner: the row asks for the gap in x that the corners' distance in
 *   y leaves to make up, and none when that distance is the rule or more.
 */
void Pass::corner(box_item* b, bool lv, uint32_t inside, const std::vector<box_item*>& shadows)
{
  for (box_item* s : shadows) {
    int space;
    if (layerTag(layerOf(s)) & inside)
      continue;
    if (!spacingRule(layerOf(b), layerOf(s), &space) || !lv || !rightVisible(s))
      continue;
    const _edge* e = s->right_edge;
    const long across = std::max({0L, static_cast<long>(e->p1.y) - b->y2, b->y1 - static_cast<long>(e->p2.y)});
    const int need = cornerSpacing(space, across);
    if (need > 0)
      row(s->right_edge, b->left_edge, need, 'G', compact::RowKind::CornerSpacing);
  }
}

/*
 * channelUnderGate --
 *   A channel tile and the gate-layer tile over it: two element tiles of
 *   one gate region, which coincide by construction, so the extensions of
 *   the two layers beyond each other (source and drain beyond the gate, the
 *   gate's end caps) do not hold between them; the transistor keeps its own
 *   shape.  A gate cut into several regions has several such pairs.
 */
bool channelUnderGate(const box_item* a, const box_item* b)
{
  const _Dtile* ta = tileOf(a);
  const _Dtile* tb = tileOf(b);
  if (!ta || !tb || !TisElement(ta) || !TisElement(tb))
    return false;
  return a->x1 == b->x1 && a->x2 == b->x2 && a->y1 == b->y1 && a->y2 == b->y2;
}

/*
 * Pass::extension --
 *   The extension cases of B against A of another layer.  A row pushes one
 *   side beyond the other; both sides must be edges of their shapes (no
 *   tile of the layer beyond them), or the row would hold a cut of the
 *   plane rather than the shape: a metal tile beside the one over a cut.
 */
void Pass::extension(box_item* a, box_item* b)
{
  const int l = layerOf(b), n = layerOf(a);
  int eNL = 0, eLN = 0;
  const bool vNL = extensionRule(n, l, &eNL), vLN = extensionRule(l, n, &eLN);
  const bool lf = leftFree(b), rf = rightFree(b);
  const bool lfA = leftFree(a), rfA = rightFree(a);
  if (a->x1 < b->x1 && b->x1 < a->x2) {  // B's left side inside A
    if (vNL && lf && lfA) {
      modify_alpha(adj, a);
      row(a->left_edge, b->left_edge, eNL, 'G', compact::RowKind::Extension);
    }
    if (vLN && eLN < 0 && lfA && lf) {
      modify_alpha(adj, b);
      row(b->left_edge, a->left_edge, eLN, 'G', compact::RowKind::Extension);
    }
  } else if (a->x1 == b->x1) {
    if (vNL && lf && lfA) {
      modify_alpha(adj, a);
      row(a->left_edge, b->left_edge, eNL, 'G', compact::RowKind::Extension);
    }
    if (vLN && lfA && lf) {
      modify_alpha(adj, b);
      row(b->left_edge, a->left_edge, eLN, 'G', compact::RowKind::Extension);
    }
  }
  if (a->x1 < b->x2 && b->x2 < a->x2) {  // B's right side inside A
    if (vNL && rf && rfA) {
      modify_alpha(adj, a);
      row(b->right_edge, a->right_edge, eNL, 'G', compact::RowKind::Extension);
    }
    if (vLN && eLN < 0 && rfA && rf) {
      modify_alpha(adj, b);
      row(a->right_edge, b->right_edge, eLN, 'G', compact::RowKind::Extension);
    }
  } else if (a->x2 == b->x2 && a->x1 < b->x2) {
    if (vNL && rf && rfA) {
      modify_alpha(adj, a);
      row(b->right_edge, a->right_edge, eNL, 'G', compact::RowKind::Extension);
    }
    if (vLN && rfA && rf) {
      modify_alpha(adj, b);
      row(a->right_edge, b->right_edge, eLN, 'G', compact::RowKind::Extension);
    }
  }
}

/* Pass::overlap -- two touching tiles of one layer keep an overlap of the layer's width. */
void Pass::overlap(box_item* a, box_item* b)
{
  const int c = connection(b, a);
  if (c < 2 || c > 5) {
    if (c > 0)
      common::outf("ehh!  default case for connection %i\n", c);
    return;
  }
  int w = 0;
  if (!widthRule(layerOf(b), &w))
    w = 0;
  // Where the tiles were drawn overlapping less (a step of one shape), they
  // keep their drawn overlap.
  row(a->left_edge, b->right_edge, static_cast<int>(std::min<long>(w, b->x2 - a->x1)), 'G',
      compact::RowKind::Overlap);
  row(b->left_edge, a->right_edge, static_cast<int>(std::min<long>(w, a->x2 - b->x1)), 'G',
      compact::RowKind::Overlap);
}

/* Pass::leftEnd -- width, spacing, corners, then the boxes B meets. */
void Pass::leftEnd(box_item* b)
{
  const int l = layerOf(b);
  const unsigned char sides = sidesOf(b);
  const bool lv = sides & kLeftVisible, rv = sides & kRightVisible;
  met.clear();
  active->meeting(b->y1, b->y2, &met);
  uint32_t inside = 0;  // the other layers B overlaps
  for (const box_item* a : met)
    if (layerOf(a) != l && a->x1 < b->x2 && b->x1 < a->x2 && a->y1 < b->y2 && b->y1 < a->y2)
      inside |= layerTag(layerOf(a));
  width(b, lv, rv);
  spacing(b, lv, inside);
  // Corner rows need B's left side visible, a spacing rule and a visible
  // shadow edge: the shade queries keep to such shadows.
  if (lv && bottom_corner(b)) {
    shade.clear();
    shadow->belowShade(b->x1, b->y1, &shade, spacedFrom(l) & ~inside);
    corner(b, lv, inside, shade);
  }
  if (lv && top_corner(b)) {
    shade.clear();
    shadow->aboveShade(b->x1, b->y2, &shade, spacedFrom(l) & ~inside);
    corner(b, lv, inside, shade);
  }
  for (box_item* a : met) {
    const int n = layerOf(a);
    if (left_alignement(a, b) && n == l)
      row(a->left_edge, b->left_edge, 0, 'E', compact::RowKind::LeftAlignment);
    if (!intersection(a, b))
      continue;
    if (n != l && a->y1 < b->y2 && a->y2 > b->y1 && !channelUnderGate(a, b))
      extension(a, b);
    if (n == l)
      overlap(a, b);
  }
  active->insert(b);
}

// The keys of the interval sets of a pass.
struct PassKeys {
  compact::IntervalSet::KeysPtr all;
  std::vector<compact::IntervalSet::KeysPtr> parts;  // of the shadow set
};

/*
 * KeyIndex --
 *   The distinct y values of a pass, ascending, with the place of each: an
 *   open-addressing table, so that the values, which repeat a lot in a
 *   layout, are sorted only once each.
 */
class KeyIndex {
 public:
  explicit KeyIndex(size_t values)
  {
    size_t size = 64;
    while (size < 2 * values)
      size <<= 1;
    bits_ = __builtin_ctzll(size);
    slots_.assign(size, kFree);
  }
  void add(int32_t y)
  {
    size_t i = slotOf(y);
    if (slots_[i] == kFree) {
      slots_[i] = y;
      keys_.push_back(y);
    }
  }
  // After the last add: the keys in order, and the place of each.
  void order()
  {
    std::sort(keys_.begin(), keys_.end());
    places_.assign(slots_.size(), 0);
    for (size_t k = 0; k < keys_.size(); ++k)
      places_[slotOf(keys_[k])] = static_cast<uint32_t>(k);
  }
  size_t placeOf(int32_t y) const { return places_[slotOf(y)]; }
  std::vector<int32_t>& keys() { return keys_; }

 private:
  static constexpr int64_t kFree = INT64_MIN;
  size_t slotOf(int32_t y) const
  {
    const size_t mask = slots_.size() - 1;
    size_t i = (static_cast<uint64_t>(static_cast<uint32_t>(y)) * 0x9E3779B97F4A7C15ull) >>
               (64 - bits_);
    while (slots_[i] != kFree && slots_[i] != y)
      i = (i + 1) & mask;
    return i;
  }
  int bits_;
  std::vector<int64_t> slots_;
  std::vector<uint32_t> places_;
  std::vector<int32_t> keys_;
};

/*
 * passKeys --
 *   The y1 values the sets of a pass can meet: the boxes' y1 and, since a
 *   shadow is cut at the top of a box that sees it, their y2.  A part of the
 *   shadow set keeps only the y1 of its layer's boxes and the y2 of the
 *   boxes of the layers spaced from its layer (`spaced`), so that the parts
 *   of a layout of many distinct y values stay small.
 */
PassKeys passKeys(const std::vector<sweep_elem>& events, const uint32_t spaced[32])
{
  using Keys = compact::IntervalSet::Keys;
  KeyIndex index(events.size());  // twice the boxes: room for y1 and y2 each
  for (const sweep_elem& e : events)
    if (e.val == e.box->x1) {  // once per box (twice for a box of no width)
      index.add(e.box->y1);
      index.add(e.box->y2);
    }
  index.order();
  std::vector<uint32_t> used(index.keys().size(), 0);  // the parts of each key, by bit
  for (const sweep_elem& e : events) {
    if (e.val != e.box->x1)
      continue;
    const int l = layerOf(e.box);
    used[index.placeOf(e.box->y1)] |= layerTag(l);
    if (l >= 0 && l < 32)
      used[index.placeOf(e.box->y2)] |= spaced[l];
  }
  auto all = std::make_shared<Keys>(std::move(index.keys()));
  std::vector<std::shared_ptr<Keys>> parts(compact::IntervalSet::kParts);
  for (size_t i = 0; i < used.size(); ++i)
    for (uint32_t bits = used[i]; bits; bits &= bits - 1) {
      std::shared_ptr<Keys>& part = parts[__builtin_ctz(bits)];
      if (!part)
        part = std::make_shared<Keys>();
      part->push_back((*all)[i]);
    }
  PassKeys keys{all, {}};
  for (auto& part : parts)
    keys.parts.push_back(part);  // none for the last part: it takes `all`
  return keys;
}

}  // namespace

/*
 * sweep_list::sweep --
 *   Walks the events grouped by value; each group is ordered by insert_rule1
 *   and every event gets its rows from generate_rule.  The shadows and the
 *   Se lists live for the pass only.
 */
int sweep_list::sweep(AdjacencyArray* adj, _rhs_list* rows)
{
  const std::vector<sweep_elem>& events = this->events();
  if (events.empty())
    return 0;
  common::outf("minimum coordinate is %i\n", static_cast<int>(events.front().val));
  common::outf("maximum coordinate is %i\n", static_cast<int>(events.back().val));
  uint32_t spaced[32];
  for (int l = 0; l < 32; ++l)
    spaced[l] = spacingTags(l);
  PassKeys keys = passKeys(events, spaced);
  compact::IntervalSet active(keys.all), shadow(keys.all, keys.parts);
  Pass pass{adj, rows, &active, &shadow, {}, {}, {}, {}};
  pass.init();
  PROC_LIST group(keys.all);
  for (size_t i = 0; i < events.size();) {
    const long value = events[i].val;
    bool twice = false;
    for (; i < events.size() && events[i].val == value; ++i) {
      group.insert_rule1(PROC_ITEM{events[i].box, value});
      twice = twice || events[i].box->x1 == events[i].box->x2;
    }
    if (twice)
      common::outf("SWEEP: Same box occurs on the same process_list at value %i\n",
                   static_cast<int>(value));
    std::vector<PROC_ITEM> items = group.ordered();
    group.clear();
    for (PROC_ITEM& item : items)
      pass.event(&item);
  }
  shadow.clear();
  active.clear();
  for (const sweep_elem& e : events)
    e.box->right_edge->Se = nullptr;
  compact::releasePassRecords();
  return 0;
}

/* sweep_list::generate_rule -- the rows of one event. */
void sweep_list::generate_rule(PROC_ITEM* item, AdjacencyArray* adj, _rhs_list* rows,
                               compact::IntervalSet* active, compact::IntervalSet* shadow)
{
  Pass pass{adj, rows, active, shadow, {}, {}, {}, {}};
  pass.init();
  pass.event(item);
}

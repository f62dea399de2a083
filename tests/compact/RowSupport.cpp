#include "RowSupport.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "CS.h"
#include "Dcif.h"
#include "DRdesignrule.h"
#include "DTtechnology.h"

namespace compact_test {

std::vector<Row> readRows(const AdjacencyArray& adj, const _rhs_list* rows)
{
  std::map<int, Row> byRank;
  for (const _rhs_item& r : *rows) {
    Row& row = byRank[r.column];
    row.rank = r.column;
    row.type = r.type;
    row.value = r.value;
  }
  for (const _adjacency_list& slot : adj)
    for (const _equation_item& item : compact::coefficients(slot))
      if (byRank.count(item.rank))
        byRank[item.rank].terms[slot.the_edge->sub] += item.coeff;
  std::vector<Row> result;
  for (auto& entry : byRank)
    result.push_back(entry.second);
  return result;
}

void clearRules()
{
  memset(WIDTH, 0, sizeof WIDTH);
  memset(WIDTH_VALID, 0, sizeof WIDTH_VALID);
  memset(SPACING, 0, sizeof SPACING);
  memset(SPACING_VALID, 0, sizeof SPACING_VALID);
  memset(EXTENSION, 0, sizeof EXTENSION);
  memset(EXTENSION_VALID, 0, sizeof EXTENSION_VALID);
  memset(TRAN_WIDTH_VALID, 0, sizeof TRAN_WIDTH_VALID);
  memset(TRAN_LENGTH_VALID, 0, sizeof TRAN_LENGTH_VALID);
}

void SweepTest::SetUp()
{
  BuildTest::SetUp();
  clearRules();
}

void SweepTest::TearDown()
{
  compact::freeRows(xList);
  compact::freeRows(yList);
  xList = yList = nullptr;
  compact::freeStaff();
  X_direction = 1;
  clearRules();
  BuildTest::TearDown();
}

void SweepTest::makeRows()
{
  DCcrtCS();
  compact::makeRows(&xList, &yList);
  xRows = readRows(*equat_bucket, xList);
  yRows = readRows(*equat_bucket_y, yList);
}

int SweepTest::var(bool x, const char* layer, int x1, int y1, char side) const
{
  const AdjacencyArray& adj = x ? *equat_bucket : *equat_bucket_y;
  for (const _adjacency_list& slot : adj) {
    const _edge* e = slot.the_edge;
    const _Dtile* t = e->mother_tile;
    if (strcmp(e->name, layer) != 0 || t->x1 != x1 || t->y1 != y1)
      continue;
    bool low = side == 'l' || side == 'b';
    if (e->upward == (low ? 1 : 0))
      return e->sub;
  }
  return 0;
}

std::vector<Row> SweepTest::between(bool x, int a, int b) const
{
  std::vector<Row> found;
  for (const Row& row : x ? xRows : yRows)
    if (row.terms.size() == 2 && row.terms.count(a) && row.terms.count(b))
      found.push_back(row);
  return found;
}

int layerNo(const char* name)
{
  return Glayers[DfindNumber(name)].layer;
}

void setRules(const std::vector<const char*>& layers, const std::vector<int>& width,
              const std::vector<std::vector<int>>& spacing)
{
  for (size_t i = 0; i < layers.size(); ++i) {
    const int l = layerNo(layers[i]);
    WIDTH[l] = static_cast<int16_t>(width[i]);
    WIDTH_VALID[l] = 1;
    for (size_t j = 0; j < layers.size(); ++j) {
      const int m = layerNo(layers[j]);
      SPACING[l][m] = static_cast<int16_t>(spacing[i][j]);
      SPACING_VALID[l][m] = spacing[i][j] > 0;
    }
  }
}

void releaseLayout(_rhs_list** xList, _rhs_list** yList)
{
  compact::freeRows(*xList);
  compact::freeRows(*yList);
  *xList = *yList = nullptr;
  compact::freeStaff();
  X_direction = 1;
  PHASEII = 0;
  GCfreeCS();
  ACinit();
  cif::releaseRetiredPins();
}

std::vector<std::string> exampleLayouts()
{
  const char* const forms[] = {"hierarchy.cif", "scale.cif", "othertool.cif"};
  std::vector<std::string> names;
  DIR* dir = opendir(testing_support::sourcePath("examples").c_str());
  for (dirent* entry = dir ? readdir(dir) : nullptr; entry; entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".cif") == 0 &&
        std::find(std::begin(forms), std::end(forms), name) == std::end(forms))
      names.push_back(name);
  }
  if (dir)
    closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

std::string joined(const std::vector<std::string>& lines)
{
  std::string text;
  for (const std::string& line : lines)
    text += line + "\n";
  return text;
}

WorkIn::WorkIn(const std::string& dir)
{
  EXPECT_TRUE(getcwd(here_, sizeof here_));
  EXPECT_EQ(chdir(dir.c_str()), 0);
}

WorkIn::~WorkIn() { EXPECT_EQ(chdir(here_), 0); }

}  // namespace compact_test

// A GDSII reader fixture: the CIF reader fixture (example technology, CIF
// loads for comparison) with GDSII streams read and installed as a load
// does, and the bundled layer map.
#pragma once

#include <algorithm>
#include <array>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "CifTestSupport.h"
#include "Dgds.h"
#include "GdsBuilder.h"

class GdsTest : public cif_test::CifTest {
 protected:
  void SetUp() override
  {
    cif_test::CifTest::SetUp();
    gds::forgetLayerMap();
  }
  void TearDown() override
  {
    gds::forgetLayerMap();
    gds::setArrayCallLimit(0);
    cif_test::CifTest::TearDown();
  }

  // Reads `bytes` as a GDSII file named "input" and installs it.  False
  // when it was refused (the layout is then untouched) or abandoned.
  bool read(const std::string& bytes)
  {
    FILE* in = tmpfile();
    fwrite(bytes.data(), 1, bytes.size(), in);
    rewind(in);
    bool ok = testing_support::runsToEnd([&] {
      gds::PendingLayout layout = gds::readStream(in, "input");
      if (!layout)
        throw common::OperationAborted();
      gds::install(std::move(layout));
    });
    fclose(in);
    return ok;
  }
  bool readGds(const std::string& path)
  {
    FILE* in = fopen(path.c_str(), "rb");
    if (!in)
      return false;
    bool ok = testing_support::runsToEnd([&] {
      gds::PendingLayout layout = gds::readStream(in, path);
      if (!layout)
        throw common::OperationAborted();
      gds::install(std::move(layout));
    });
    fclose(in);
    return ok;
  }
  int loadCif(const std::string& text) { return load(text); }
  static bool flatten() { return act(GCflatten) && Gflatten; }

  // Every message line shown, one per line.
  std::string messages() const
  {
    std::string all;
    for (const auto& m : ui.messages)
      all += m.line + "\n";
    return all;
  }

  // The rectangles of `layer` in `c` sorted by their corners, "-" when the
  // cell has no such layer.
  static std::string sortedRects(const _layout* c, const char* layer)
  {
    int slot = FindLayer(layer);
    if (!c || slot < 0 || !c->symbol[slot])
      return "-";
    std::vector<std::array<int, 4>> all;
    for (const _rects* r = c->symbol[slot]->rect; r; r = r->next)
      all.push_back({r->x1, r->y1, r->x2, r->y2});
    std::sort(all.begin(), all.end());
    std::ostringstream text;
    for (size_t i = 0; i < all.size(); ++i)
      text << (i ? " " : "") << "(" << all[i][0] << "," << all[i][1] << ";" << all[i][2] << ","
           << all[i][3] << ")";
    return text.str();
  }
  // Every layer's sorted rectangles and sorted labels of `c`.
  static std::string geometry(const _layout* c)
  {
    std::string text;
    for (int i = 0; i < GlayerNum; ++i) {
      std::string r = sortedRects(c, Glayers[i].name);
      if (r != "-")
        text += std::string(Glayers[i].name) + ":" + r + "\n";
      const _symbol* s = c->symbol[Glayers[i].layer];
      std::vector<std::string> ls;
      for (const _labels* l = s ? s->label : nullptr; l; l = l->next)
        ls.push_back(std::string(l->label) + "@" + std::to_string(l->x) + "," + std::to_string(l->y));
      std::sort(ls.begin(), ls.end());
      for (const std::string& l : ls)
        text += std::string(Glayers[i].name) + " label " + l + "\n";
    }
    return text;
  }
};

// A CIF reader fixture: the example technology loaded, and CIF text read
// through ACinit and CIFparse as a load does.
#pragma once

#include <cstdio>
#include <sstream>
#include <string>

#include "DTtechnology.h"
#include "Dcif.h"
#include "Dlayout.h"
#include "TestSupport.h"

namespace cif_test {

constexpr int kAbandoned = -1;

class CifTest : public testing_support::CoreTest {
 protected:
  void SetUp() override
  {
    testing_support::CoreTest::SetUp();
    DIcolorInit();
    DItechInit();
    ACinit();
    out.clear();
    err.clear();
    ui.messages.clear();
  }
  void TearDown() override
  {
    ACinit();
    cif::releaseRetiredPins();
    testing_support::CoreTest::TearDown();
  }

  // Reads `text` as a CIF file.  Returns CIFparse's result, or kAbandoned
  // when the load was abandoned.
  int load(const std::string& text, bool fresh = true)
  {
    cifin = tmpfile();
    fwrite(text.data(), 1, text.size(), cifin);
    rewind(cifin);
    if (fresh)
      ACinit();
    common::ActionScope scope;
    try {
      return CIFparse();
    } catch (const common::OperationAborted&) {
      return kAbandoned;
    }
  }

  // Runs a hierarchy action as the dispatcher would; false when abandoned.
  static bool act(int (*action)()) { return testing_support::runsToEnd(action); }

  // True when a kind F message containing `text` went to standard error.
  bool fatal(const std::string& text) const
  {
    return err.find("Fatal: " + text) != std::string::npos;
  }

  static _layout* cell(const char* name) { return GfindLayout(name, Gsymbols); }

  // The rectangles of `layer` in `c`, "(x1,y1;x2,y2)" in list order.
  static std::string rects(const _layout* c, const char* layer)
  {
    int slot = FindLayer(layer);
    if (!c || slot < 0 || !c->symbol[slot])
      return "-";
    std::ostringstream text;
    for (const _rects* r = c->symbol[slot]->rect; r; r = r->next)
      text << (r == c->symbol[slot]->rect ? "" : " ") << "(" << r->x1 << "," << r->y1 << ";"
           << r->x2 << "," << r->y2 << ")";
    return text.str();
  }

  static std::string labels(const _layout* c, const char* layer)
  {
    int slot = FindLayer(layer);
    if (!c || slot < 0 || !c->symbol[slot])
      return "-";
    std::ostringstream text;
    for (const _labels* l = c->symbol[slot]->label; l; l = l->next)
      text << (l == c->symbol[slot]->label ? "" : " ") << l->label << "@" << l->x << ","
           << l->y;
    return text.str();
  }

  static int cellCount()
  {
    int n = 0;
    for (const _layout* c = Gsymbols; c; c = c->next)
      ++n;
    return n;
  }

  static bool rootsEmpty()
  {
    return !Gsymbols && !Glayout && !Gactive && !Gflatten && !Gpin;
  }
};

}  // namespace cif_test

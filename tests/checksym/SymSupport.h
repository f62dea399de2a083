// Helpers of the symmetry-check tests: reading a text in either mode and a
// text form of the parsed list.
#pragma once

#include <cstdio>
#include <string>

#include "DSsymmetry.h"
#include "TestSupport.h"

namespace checksym_test {

class SymTest : public testing_support::CoreTest {
 protected:
  void TearDown() override
  {
    DSrdInit();
    HIERSYMSET = 0;
    CoreTest::TearDown();
  }

  // Reads `text` as a designer's file (hierarchical: as the matcher's
  // output).  Returns: what SYMparse returns.
  int parse(const std::string& text, bool hierarchical = false)
  {
    HIERSYMSET = hierarchical ? 1 : 0;
    DSrdInit();
    text_ = text;
    dchecksymin = text_.empty() ? fopen("/dev/null", "r") : fmemopen(text_.data(), text_.size(), "r");
    int rc = SYMparse();
    HIERSYMSET = 0;
    return rc;
  }

  // "M1=M2; {m3=m4:M7 R1=R2 s=3}; ..." for the list from its head; the
  // reference follows ":", a spacing other than -1 follows " s=".
  static std::string list()
  {
    std::string text;
    auto pair = [](const char* a, const char* b, const char* ref, double spacing) {
      std::string p = std::string(a) + "=" + b;
      if (ref && ref[0])
        p += std::string(":") + ref;
      if (spacing != -1.0) {
        char s[32];
        snprintf(s, sizeof s, " s=%g", spacing);
        p += s;
      }
      return p;
    };
    for (const _symlist* e = SymStart; e; e = e->next) {
      if (!text.empty())
        text += "; ";
      if (e->type != 1) {
        text += pair(e->name1, e->name2, nullptr, e->spacing);
        continue;
      }
      text += "{";
      for (const _blocklist* b = e->block; b; b = b->next)
        text += pair(b->name1, b->name2, b->name3, b->spacing) + (b->next ? " " : "");
      text += "}";
    }
    return text;
  }

 private:
  std::string text_;
};

}  // namespace checksym_test

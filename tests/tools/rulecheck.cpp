// rulecheck: the independent design-rule check of one layout, or of a
// layout against the one it was made from.
//
//   rulecheck [--full] tech bridge rules layout.cif [other.cif]
//
// One layout: its violations by rule, a few places of each (--full: all);
// exit 1 when there are any.  Two layouts: the violations of both by rule
// and the rules the second breaks in more places than the first, with their
// places in the second; exit 1 when there are such.  Exit 2 when an input
// cannot be read.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "LayoutInput.h"
#include "LayoutRules.h"

using namespace layout_check;

namespace {

constexpr size_t kShown = 3;  // places shown per rule without --full

void list(const std::vector<Violation>& found, const std::string& rule, const Rules& rules,
          bool full)
{
  size_t shown = 0, total = 0;
  for (const Violation& v : found)
    if (v.rule == rule && total++ < (full ? found.size() : kShown)) {
      printf("    %s\n", describe(v, rules).c_str());
      ++shown;
    }
  if (shown < total)
    printf("    ... %zu more\n", total - shown);
}

}  // namespace

int main(int argc, char** argv)
{
  bool full = argc > 1 && strcmp(argv[1], "--full") == 0;
  std::vector<std::string> args(argv + 1 + full, argv + argc);
  if (args.size() != 4 && args.size() != 5) {
    fprintf(stderr, "usage: rulecheck [--full] tech bridge rules layout.cif [other.cif]\n");
    return 2;
  }
  static std::string log;
  startCore(&log);
  std::string why = loadTechnology(args[0]);
  if (why.empty())
    why = loadRules(args[1], args[2]);
  std::vector<Layers> layouts(args.size() - 3);
  for (size_t i = 0; why.empty() && i < layouts.size(); ++i)
    why = readLayers(args[3 + i], &layouts[i]);
  if (!why.empty()) {
    fprintf(stderr, "rulecheck: %s\n", why.c_str());
    return 2;
  }
  const Rules rules = Rules::fromTables();
  const WellRoles roles = wellRoles(layouts[0], rules);
  std::vector<Violation> before = checkLayout(layouts[0], rules, &roles);
  if (layouts.size() == 1) {
    printf("%s: %zu violations\n", args[3].c_str(), before.size());
    for (const auto& [rule, count] : countByRule(before, {})) {
      printf("  %-40s %5d\n", rule.c_str(), count.before);
      list(before, rule, rules, full);
    }
    return before.empty() ? 0 : 1;
  }
  std::vector<Violation> after = checkLayout(layouts[1], rules, &roles);
  auto counts = countByRule(before, after);
  printf("%-42s %6s %6s\n", "rule", "first", "second");
  for (const auto& [rule, count] : counts)
    printf("  %-40s %6d %6d%s\n", rule.c_str(), count.before, count.after,
           count.after > count.before ? "  new" : "");
  std::vector<std::string> broken = newlyBroken(counts);
  int fresh = 0;
  for (const std::string& rule : broken)
    fresh += counts[rule].after - counts[rule].before;
  printf("%s: %zu violations, %s: %zu; new in the second: %d, in %zu rules\n", args[3].c_str(),
         before.size(), args[4].c_str(), after.size(), fresh, broken.size());
  for (const std::string& rule : broken) {
    printf("  %s (%d, was %d)\n", rule.c_str(), counts[rule].after, counts[rule].before);
    list(after, rule, rules, full);
  }
  return broken.empty() ? 0 : 1;
}

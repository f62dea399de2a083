// The process settings as a user sets them: the optional keys of the system
// source file named as the settings, and quorin-batch's "set" line.
#include "Dglobal.h"

#include <cmath>
#include <cstdlib>
#include <string>

namespace {

constexpr int kMaxValues = 6;

// A process setting of Dglobal.h and the values it may take.
struct Setting {
  const char* name;
  int* integer;             // the global of an integer setting
  double* real;             // the global of a real one
  int values[kMaxValues];   // the integers it may take
  int count;                // how many; 0: a real number above 0
  const char* fixed;        // why it keeps its start value, or null
  double start;             // the start value of a fixed real setting
  const char* note;         // said when a value is refused, or null
};

const Setting kSettings[] = {
    {"PROCESS_OPTION", &PROCESS_OPTION, nullptr, {0, 1}, 2, nullptr, 0, nullptr},
    {"COMPACT_ALGORITHM", &COMPACT_ALGORITHM, nullptr, {1}, 1,
     "the longest-path compaction is the only one", 0, nullptr},
    {"PROCESS_INCLUDE_SYMMETRY", &PROCESS_INCLUDE_SYMMETRY, nullptr, {0, 1}, 2, nullptr, 0,
     nullptr},
    {"PROCESS_INCLUDE_PASSIVE", &PROCESS_INCLUDE_PASSIVE, nullptr, {0, 1}, 2, nullptr, 0, nullptr},
    {"PROCESS_INCLUDE_INDUCTOR", &PROCESS_INCLUDE_INDUCTOR, nullptr, {0, 1}, 2, nullptr, 0,
     nullptr},
    {"PROCESS_INCLUDE_RESIZING", &PROCESS_INCLUDE_RESIZING, nullptr, {0, 1, 2, 3, 5}, 5, nullptr,
     0, nullptr},
    {"PROCESS_INCLUDE_WLM", &PROCESS_INCLUDE_WLM, nullptr, {1, 2, 3, 4}, 4, nullptr, 0, nullptr},
    {"PROCESS_INCLUDE_TRANSISTOR_PARASITIC", &PROCESS_INCLUDE_TRANSISTOR_PARASITIC, nullptr,
     {0, 1}, 2, nullptr, 0, "2, the transistor parasitic step, is not built"},
    {"VIA_CONTACT_REMOVAL", &VIA_CONTACT_REMOVAL, nullptr, {0}, 1, "via removal is not built", 0,
     nullptr},
    {"VIA_NUM_REDUCE_RATIO", nullptr, &VIA_NUM_REDUCE_RATIO, {}, 0, "via removal is not built",
     0.5, nullptr},
    {"RESIZING_FACTOR", nullptr, &RESIZING_FACTOR, {}, 0, nullptr, 0, nullptr},
    {"TRANSISTOR_SIZE_CHECK", &TRANSISTOR_SIZE_CHECK, nullptr, {0, 1}, 2, nullptr, 0, nullptr},
    {"TIME_REPORT", &TIME_REPORT, nullptr, {0, 1}, 2, nullptr, 0, nullptr},
};
constexpr int kSettingCount = sizeof kSettings / sizeof kSettings[0];

// The values the user chose, by the system source file or a "set" line:
// the presets of the actions keep them.
struct Chosen {
  bool set[kSettingCount];
  int integer[kSettingCount];
};
Chosen chosen;

// "0 or 1", "1, 2, 3 or 4".
std::string choices(const Setting& s)
{
  std::string text;
  for (int i = 0; i < s.count; ++i) {
    if (i > 0)
      text += i + 1 == s.count ? " or " : ", ";
    text += std::to_string(s.values[i]);
  }
  return text;
}

std::string refused(const Setting& s, const std::string& text, const std::string& reason)
{
  std::string why = std::string(s.name) + " " + text + " is refused: " + reason;
  if (s.note)
    why += std::string(" (") + s.note + ")";
  return why;
}

// The value `text` for `s`; false with the reason in *why when `s` does
// not take it.
bool assign(int index, const std::string& text, std::string* why)
{
  const Setting& s = kSettings[index];
  const char* begin = text.c_str();
  char* end = nullptr;
  if (s.real) {
    const double value = strtod(begin, &end);
    const bool number = !text.empty() && *end == '\0' && std::isfinite(value);
    if (s.fixed && !(number && value == s.start)) {
      *why = refused(s, text, std::string(s.fixed) + "; it stays " + std::to_string(s.start));
      return false;
    }
    if (!number || value <= 0) {
      *why = refused(s, text, "it takes a number above 0");
      return false;
    }
    *s.real = value;
    return true;
  }
  const long value = strtol(begin, &end, 10);
  bool allowed = false;
  for (int i = 0; i < s.count; ++i)
    allowed = allowed || value == s.values[i];
  if (text.empty() || *end != '\0' || !allowed) {
    *why = refused(s, text,
                   s.fixed ? std::string(s.fixed) + "; it stays " + choices(s)
                           : "it takes " + choices(s));
    return false;
  }
  *s.integer = static_cast<int>(value);
  chosen.set[index] = true;
  chosen.integer[index] = *s.integer;
  return true;
}

}  // namespace

namespace common {

bool setProcessSetting(const std::string& name, const std::string& text, std::string* why)
{
  for (int i = 0; i < kSettingCount; ++i)
    if (name == kSettings[i].name)
      return assign(i, text, why);
  *why = "there is no process setting " + name;
  return false;
}

void readProcessSettings()
{
  for (int i = 0; i < kSettingCount; ++i) {
    const char* word = GCfindName(kSettings[i].name);
    if (!word)
      continue;
    std::string why;
    if (!assign(i, word, &why)) {
      GCmessage(1, 'F', "System source file: %s", why.c_str());
      abandonAction(1);
    }
  }
}

int presetValue(const int& setting, int preset)
{
  for (int i = 0; i < kSettingCount; ++i)
    if (kSettings[i].integer == &setting)
      return chosen.set[i] ? chosen.integer[i] : preset;
  return preset;
}

void forgetProcessSettings() { chosen = Chosen{}; }

}  // namespace common

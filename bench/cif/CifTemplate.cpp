// CifTemplate.cpp -- reading a flat CIF template and writing a grid of its
// copies.
//
// The reader splits the input into commands at ';' (comments in
// parentheses may nest and hold ';' and line breaks), and takes the fields
// of a command as the runs between blanks, tabs and commas.  A command must
// end on the line where it starts: a line break inside one is a missing ';'.
// As in the layout reader, a label that names a layer makes it the current
// layer for the boxes that follow.
#include "CifTemplate.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace gencif {

namespace {

constexpr int64_t kGridStep = 10;  // CIF units (0.1 micrometre)

class TemplateReader {
 public:
  explicit TemplateReader(const std::string& name) : name_(name) {}
  Template read(FILE* in);

 private:
  [[noreturn]] void fail(int line, const std::string& what) const;
  // Runs one command; returns false when it is the end command.
  bool command(const std::string& text, int line);
  int32_t number(const std::string& field, int line) const;
  void layerCommand(const std::vector<std::string>& f, int line);
  void boxCommand(const std::vector<std::string>& f, int line);
  void labelCommand(const std::vector<std::string>& f, int line);
  int layerIndex(const std::string& layer);

  std::string name_;
  Template t_;
  int current_ = -1;  // current layer, -1 before the first
};

// True for the names the layout reader takes as a name token.
bool isName(const std::string& s)
{
  if (s.empty() || !(isalpha(static_cast<unsigned char>(s[0])) || s[0] == '.'))
    return false;
  for (char c : s)
    if (!(isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.' || c == '-'))
      return false;
  return true;
}

// True for B, Box, Bx...: the box keyword and its lower-case spellings.
bool isBoxKeyword(const std::string& s)
{
  if (s.empty() || s[0] != 'B')
    return false;
  for (size_t i = 1; i < s.size(); ++i)
    if (!islower(static_cast<unsigned char>(s[i])))
      return false;
  return true;
}

bool isOtherCifCommand(const std::string& s)
{
  static const char* const kCommands[] = {"DS", "DF", "C", "P", "W", "R", "T", "MX", "MY"};
  for (const char* c : kCommands)
    if (s == c)
      return true;
  return !s.empty() && (s[0] == 'P' || s[0] == 'W') && isBoxKeyword("B" + s.substr(1));
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == ','; }

std::vector<std::string> fieldsOf(const std::string& text)
{
  std::vector<std::string> fields;
  std::string field;
  for (char c : text) {
    if (!isBlank(c)) {
      field += c;
      continue;
    }
    if (!field.empty())
      fields.push_back(field);
    field.clear();
  }
  if (!field.empty())
    fields.push_back(field);
  return fields;
}

bool hasContent(const std::string& text) { return !fieldsOf(text).empty(); }

}  // namespace

void DoubledBounds::add(int64_t x, int64_t y)
{
  if (empty) {
    x1 = x2 = x;
    y1 = y2 = y;
    empty = false;
    return;
  }
  x1 = std::min(x1, x);
  x2 = std::max(x2, x);
  y1 = std::min(y1, y);
  y2 = std::max(y2, y);
}

void TemplateReader::fail(int line, const std::string& what) const
{
  if (line > 0)
    throw TemplateError(name_ + ":" + std::to_string(line) + ": " + what);
  throw TemplateError(name_ + ": " + what);
}

int32_t TemplateReader::number(const std::string& field, int line) const
{
  size_t digits = field[0] == '+' || field[0] == '-' ? 1 : 0;
  if (digits == field.size())
    fail(line, "'" + field + "' is not a number");
  for (size_t i = digits; i < field.size(); ++i)
    if (!isdigit(static_cast<unsigned char>(field[i])))
      fail(line, "'" + field + "' is not a number");
  errno = 0;
  long long value = strtoll(field.c_str(), nullptr, 10);
  if (errno == ERANGE || value < INT32_MIN || value > INT32_MAX)
    fail(line, "the number " + field + " does not fit 32 bits");
  return static_cast<int32_t>(value);
}

int TemplateReader::layerIndex(const std::string& layer)
{
  for (size_t i = 0; i < t_.layers.size(); ++i)
    if (t_.layers[i] == layer)
      return static_cast<int>(i);
  t_.layers.push_back(layer);
  return static_cast<int>(t_.layers.size()) - 1;
}

void TemplateReader::layerCommand(const std::vector<std::string>& f, int line)
{
  if (f.size() != 2 || !isName(f[1]))
    fail(line, "a layer command is 'L name;'");
  current_ = layerIndex(f[1]);
}

void TemplateReader::boxCommand(const std::vector<std::string>& f, int line)
{
  if (f.size() == 7)
    fail(line, "boxes with a direction are not accepted");
  if (f.size() != 5)
    fail(line, "a box is 'B length width cx cy;'");
  TemplateBox b{current_, number(f[1], line), number(f[2], line), number(f[3], line),
                number(f[4], line)};
  if (b.length <= 0 || b.width <= 0)
    fail(line, "a box of zero or negative size");
  if (current_ < 0)
    fail(line, "a box before any layer command");
  t_.boxes.push_back(b);
  t_.bounds.add(2 * int64_t(b.cx) - b.length, 2 * int64_t(b.cy) - b.width);
  t_.bounds.add(2 * int64_t(b.cx) + b.length, 2 * int64_t(b.cy) + b.width);
}

void TemplateReader::labelCommand(const std::vector<std::string>& f, int line)
{
  if (f.size() != 4 && f.size() != 5)
    fail(line, "a label is '94 name x y [layer];'");
  if (!isName(f[1]))
    fail(line, "'" + f[1] + "' is not a label name");
  TemplateLabel l{f[1], number(f[2], line), number(f[3], line), f.size() == 5 ? f[4] : ""};
  if (f.size() == 5) {
    if (!isName(l.layer))
      fail(line, "'" + l.layer + "' is not a layer name");
    current_ = layerIndex(l.layer);
  }
  t_.labels.push_back(l);
  t_.bounds.add(2 * int64_t(l.x), 2 * int64_t(l.y));
}

bool TemplateReader::command(const std::string& text, int line)
{
  std::vector<std::string> f = fieldsOf(text);
  if (f.empty())
    return true;
  const std::string& word = f[0];
  if (word == "E")
    return false;
  if (word == "L")
    layerCommand(f, line);
  else if (isBoxKeyword(word))
    boxCommand(f, line);
  else if (word == "94")
    labelCommand(f, line);
  else if (isOtherCifCommand(word) || isdigit(static_cast<unsigned char>(word[0])))
    fail(line, "'" + word + "' commands are not accepted: a template is flat, with boxes and labels only");
  else
    fail(line, "unknown command '" + word + "'");
  return true;
}

Template TemplateReader::read(FILE* in)
{
  std::string text;      // the command being collected
  int line = 1, start = 1;
  bool comment = false;  // the command so far is a comment
  for (int c = fgetc(in); c != EOF; c = fgetc(in)) {
    if (c == '(') {
      if (hasContent(text) || comment)
        fail(line, "a comment inside a command");
      int depth = 1, opened = line;
      while (depth > 0) {
        c = fgetc(in);
        if (c == EOF)
          fail(opened, "the comment is not closed");
        line += c == '\n';
        depth += c == '(' ? 1 : c == ')' ? -1 : 0;
      }
      comment = true;
      continue;
    }
    if (c == ';') {
      if (!comment && !command(text, start))
        return t_;
      text.clear();
      comment = false;
      start = line;
      continue;
    }
    if (c == '\n') {
      if (!comment && fieldsOf(text) == std::vector<std::string>{"E"})
        return t_;
      if (comment || hasContent(text))
        fail(line, "missing ';' at the end of the line");
      ++line;
      start = line;
      continue;
    }
    if (comment && !isBlank(static_cast<char>(c)))
      fail(line, "missing ';' after the comment");
    text += static_cast<char>(c);
  }
  if (comment || (hasContent(text) && fieldsOf(text) != std::vector<std::string>{"E"}))
    fail(line, "missing ';' at the end of the file");
  return t_;
}

Template readTemplate(FILE* in, const std::string& name)
{
  TemplateReader reader(name);
  Template t = reader.read(in);
  if (ferror(in))
    throw TemplateError(name + ": read error");
  if (t.boxes.empty())
    throw TemplateError(name + ": the template holds no boxes");
  return t;
}

int64_t templatePitch(int64_t doubledExtent)
{
  int64_t extent = (doubledExtent + 1) / 2;
  int64_t margin = std::max<int64_t>(1, std::llround(extent / 10.0));
  return (extent + margin + kGridStep - 1) / kGridStep * kGridStep;
}

GridPlacement placeCopies(const Template& t, long count, long columns)
{
  GridPlacement g{count, columns, templatePitch(t.bounds.x2 - t.bounds.x1),
                  templatePitch(t.bounds.y2 - t.bounds.y1)};
  if (g.columns <= 0)
    g.columns = std::max(1L, static_cast<long>(std::ceil(
                                 std::sqrt(double(count) * double(g.pitchY) / double(g.pitchX)))));
  g.columns = std::min(g.columns, count);
  return g;
}

int64_t placementExtent(const Template& t, const GridPlacement& g)
{
  int64_t rows = (g.count + g.columns - 1) / g.columns;
  int64_t right = (t.bounds.x2 + 1) / 2 + (g.columns - 1) * g.pitchX;
  int64_t top = (t.bounds.y2 + 1) / 2 + (rows - 1) * g.pitchY;
  auto magnitude = [](int64_t v) { return v < 0 ? -v : v; };
  int64_t extent = std::max(magnitude(right), magnitude(top));
  extent = std::max(extent, magnitude(t.bounds.x1 / 2) + 1);
  return std::max(extent, magnitude(t.bounds.y1 / 2) + 1);
}

// Label names every copy shares.
static bool isSupplyName(const std::string& name)
{
  std::string lower;
  for (char c : name)
    lower += static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return lower == "vdd" || lower == "gnd";
}

void writeTemplateArray(FILE* out, const Template& t, const GridPlacement& g,
                        const std::string& source)
{
  fprintf(out, "(flat array of %ld copies of %s, %ld per row, generated by gen_cif);\n", g.count,
          source.c_str(), g.columns);
  fprintf(out, "DS 1;\n9 template_array;\n");
  auto offsetX = [&](long i) { return (i % g.columns) * g.pitchX; };
  auto offsetY = [&](long i) { return (i / g.columns) * g.pitchY; };
  for (size_t layer = 0; layer < t.layers.size(); ++layer) {
    std::vector<const TemplateBox*> boxes;
    for (const TemplateBox& b : t.boxes)
      if (b.layer == static_cast<int>(layer))
        boxes.push_back(&b);
    if (boxes.empty())
      continue;
    fprintf(out, "L %s;\n", t.layers[layer].c_str());
    for (long i = 0; i < g.count; ++i)
      for (const TemplateBox* b : boxes)
        fprintf(out, "B %d %d %lld %lld;\n", b->length, b->width,
                static_cast<long long>(b->cx + offsetX(i)), static_cast<long long>(b->cy + offsetY(i)));
  }
  for (long i = 0; i < g.count; ++i) {
    for (const TemplateLabel& l : t.labels) {
      std::string name = isSupplyName(l.name) ? l.name : l.name + "_" + std::to_string(i);
      fprintf(out, "94 %s %lld %lld%s%s;\n", name.c_str(), static_cast<long long>(l.x + offsetX(i)),
              static_cast<long long>(l.y + offsetY(i)), l.layer.empty() ? "" : " ", l.layer.c_str());
    }
  }
  fprintf(out, "DF;\nC 1;\nE\n");
}

}  // namespace gencif

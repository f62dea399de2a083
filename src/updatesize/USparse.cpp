// Parser of the transistor size file.
//
// A file is one or more sections or comments; a section is a header and one
// or more of its lines or comments:
//   transistor line  name W L [ActExt PolyExt]
//   inductor line    name width outer inner spacing turns
//   resistor line    name width length [fingers]
//   capacitor line   name width length
// A value is a real or an integer, optionally followed by the mark "e" and
// an integer exponent, or "(times a b)" / "(difference a b)" with two plain
// numbers (integer arithmetic when both are integers).
#include "DUsize.h"

#include <cmath>
#include <string>

#include "DRdesignrule.h"
#include "Dglobal.h"
#include "Dlayout.h"
#include "USscan.h"
#include "UStables.h"

namespace {

using updatesize::kModule;
using updatesize::Scanner;
using updatesize::Token;

constexpr double kInfinity = 1073741823;  // the layout's infinity, layout units

struct LineKind {
  Token header;
  Token name;
  int values;    // values every line has
  int optional;  // values a line may add, all or none
};
constexpr LineKind kKinds[] = {{Token::TranHeader, Token::TranName, 2, 2},
                               {Token::IndHeader, Token::IndName, 5, 0},
                               {Token::ResHeader, Token::ResName, 2, 1},
                               {Token::CapHeader, Token::CapName, 2, 0}};
constexpr int kMostValues = 5;

struct SyntaxError {
  int line = 0;
  std::string text;     // the offending token
  std::string message;
};

struct Number {
  double value = 0;
  bool isInteger = false;
  long long integer = 0;
};

class SizeParser {
 public:
  explicit SizeParser(const std::string& text) : scanner_(text) {}

  // True when the whole text is read; error() tells why not.
  bool parse();
  const SyntaxError& error() const { return error_; }

 private:
  void advance() { token_ = scanner_.next(); }
  bool fail(const char* message)
  {
    error_ = {scanner_.line(), scanner_.text(), message};
    return false;
  }
  bool startsValue() const
  {
    return token_ == Token::Real || token_ == Token::Integer || token_ == Token::Open;
  }
  bool section(const LineKind& kind);
  bool line(const LineKind& kind);
  bool store(const LineKind& kind, const std::string& name, const double* v, int count);
  bool value(double* v);
  bool parenthesised(double* v);
  bool number(Number* n);

  Scanner scanner_;
  Token token_ = Token::End;
  SyntaxError error_;
};

bool SizeParser::parse()
{
  advance();
  for (int items = 0;; ++items) {
    if (token_ == Token::End)
      return items > 0 || fail("parse error");
    if (token_ == Token::Comment) {
      advance();
      continue;
    }
    const LineKind* kind = nullptr;
    for (const LineKind& k : kKinds)
      if (token_ == k.header)
        kind = &k;
    if (!kind)
      return fail("parse error");
    if (!section(*kind))
      return false;
  }
}

// A header and one or more lines of its kind or comments.
bool SizeParser::section(const LineKind& kind)
{
  advance();
  int items = 0;
  for (;; ++items) {
    if (token_ == Token::Comment)
      advance();
    else if (token_ != kind.name)
      break;
    else if (!line(kind))
      return false;
  }
  return items > 0 || fail("parse error");
}

bool SizeParser::line(const LineKind& kind)
{
  std::string name = scanner_.text();
  int nameLine = scanner_.line();
  advance();
  double v[kMostValues] = {};
  int count = 0;
  for (; count < kind.values; ++count)
    if (!value(&v[count]))
      return false;
  if (kind.optional && startsValue())
    for (int i = 0; i < kind.optional; ++i, ++count)
      if (!value(&v[count]))
        return false;
  if (!store(kind, name, v, count)) {
    error_.line = nameLine;
    error_.text = name;
    return false;
  }
  return true;
}

// Hands one line to its action.  Values must stay finite and within the
// layout's reach once converted to layout units.
bool SizeParser::store(const LineKind& kind, const std::string& name, const double* v, int count)
{
  double largest = SCALE > 0 && LAMBDA_T2 > 0 ? kInfinity * LAMBDA_T2 / SCALE : HUGE_VAL;
  for (int i = 0; i < count; ++i) {
    if (!std::isfinite(v[i]) || std::fabs(v[i]) > largest) {
      error_.message = "value out of range";
      return false;
    }
  }
  const char* n = name.c_str();
  int stored = 0;
  switch (kind.name) {
    case Token::TranName:
      stored = USgetTransSizes(n, v[0], v[1], v[2], v[3], count == 4);
      break;
    case Token::IndName:
      stored = USgetIndSizes(n, v[0], v[1], v[2], v[3], v[4]);
      break;
    case Token::ResName:
      stored = USgetResSizes(n, v[0], v[1], count == 3 ? static_cast<int>(v[2]) : 1);
      break;
    default:
      stored = USgetCapSizes(n, v[0], v[1]);
      break;
  }
  if (!stored)
    error_.message = "device number out of range";
  return stored != 0;
}

bool SizeParser::value(double* v)
{
  if (token_ == Token::Open)
    return parenthesised(v);
  Number x;
  if (!number(&x))
    return false;
  *v = x.value;
  if (token_ != Token::Exponent)
    return true;
  advance();
  int k;
  if (token_ != Token::Integer)
    return fail("parse error");
  if (!scanner_.integer(&k))
    return fail("number out of range");
  advance();
  *v = x.value * std::pow(10.0, k);
  return true;
}

// "(" word number number ")": the word is "times" or "difference".
bool SizeParser::parenthesised(double* v)
{
  advance();
  if (token_ != Token::Word)
    return fail("parse error");
  bool times = scanner_.text() == "times";
  if (!times && scanner_.text() != "difference")
    return fail("not times or difference");
  advance();
  Number a, b;
  if (!number(&a) || !number(&b))
    return false;
  if (token_ != Token::Close)
    return fail("parse error");
  advance();
  if (a.isInteger && b.isInteger)
    *v = static_cast<double>(times ? a.integer * b.integer : a.integer - b.integer);
  else
    *v = times ? a.value * b.value : a.value - b.value;
  return true;
}

bool SizeParser::number(Number* n)
{
  if (token_ == Token::Real) {
    n->value = scanner_.real();
  } else if (token_ == Token::Integer) {
    int i;
    if (!scanner_.integer(&i))
      return fail("number out of range");
    n->isInteger = true;
    n->integer = i;
    n->value = i;
  } else {
    return fail("parse error");
  }
  advance();
  return true;
}

// Reads the whole stream; false on a read error.
bool readAll(FILE* in, std::string* text)
{
  char buffer[4096];
  size_t got;
  while ((got = fread(buffer, 1, sizeof buffer, in)) > 0)
    text->append(buffer, got);
  return !ferror(in);
}

}  // namespace

int UStransSizeParse(FILE* in)
{
  std::string text;
  if (!in || !readAll(in, &text)) {
    GCmessage(kModule, 'E', "The transistor size file cannot be read; no size was changed");
    return 0;
  }
  // The tables of the previous file come back unless this one is read whole,
  // also when growing a table abandons the action.
  struct Keep {
    updatesize::SizeTables saved = updatesize::takeTables();
    bool done = false;
    ~Keep()
    {
      if (!done)
        updatesize::restoreTables(std::move(saved));
    }
  } keep;
  textualDeviceSizeInput = 1;
  SizeParser parser(text);
  if (!parser.parse()) {
    const SyntaxError& e = parser.error();
    common::errf("error on line %d %s: %s\n", e.line, e.text.c_str(), e.message.c_str());
    GCmessage(kModule, 'E', "Transistor size file line %d: %s; no size was changed", e.line,
              e.message.c_str());
    return 0;
  }
  keep.done = true;
  USupdateTranSize();
  USdeleteTranArray();
  return 1;
}

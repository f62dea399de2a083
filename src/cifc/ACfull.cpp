// The full CIF reader.
//
// A command starts with a letter, or with a digit for a user extension, and
// ends with ";"; between and inside commands any run of blanks (every
// character but digits, upper-case letters, "-", "(", ")" and ";", so also
// line breaks, commas and lower-case letters) separates fields:
//   DS n [a b]   DF   DD n   L name   B l w x y [dx dy]   P x y ...
//   W w x y ...  R d x y     C n {T x y | M X | M Y | R a b}   E
//   (comment)    digit text
// Values go to the same actions as in the line-oriented reader, times SCALE.
// A box along the y axis has its length and width swapped; any other
// direction, and a round flash (a polygon of 16 vertices), go through
// polygon conversion.
#include "Dcif.h"

#include <cmath>
#include <climits>
#include <string>

#include "ACinternal.h"
#include "Dglobal.h"

namespace cif {

namespace {

constexpr int kModule = 2;         // message module of the CIF reader
constexpr int kFlashVertices = 16;  // vertices of a round flash

bool isDigit(int c) { return c >= '0' && c <= '9'; }
bool isUpper(int c) { return c >= 'A' && c <= 'Z'; }
bool isLower(int c) { return c >= 'a' && c <= 'z'; }
// Characters that separate fields and commands.
bool isBlank(int c)
{
  return c != EOF && !isDigit(c) && !isUpper(c) && c != '-' && c != '(' && c != ')' && c != ';';
}
// Characters that separate the words of a user extension's text.
bool isSpace(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == ','; }

long scaledValue(long v) { return v * SCALE; }

// A coordinate in CIF units, times SCALE and rounded, for a polygon made
// from a box or a flash.
long scaledPoint(double v) { return std::lround(v * SCALE); }

}  // namespace

void FullReader::skipBlanks()
{
  while (isBlank(peek()))
    take();
}

void FullReader::skipSpaces()
{
  while (isSpace(peek()))
    take();
}

// Reports what stands at the reading position (nothing at the end of the
// input) and fails.
bool FullReader::syntaxError()
{
  if (start_ == pos_ && peek() != EOF && peek() != '\n')
    get();
  ciferror("parse error");
  return false;
}

/*
 * integer --
 *   Reads a number after blanks (after spaces in an extension's text): an
 *   optional "-" when `sign`, then digits.
 * Returns: false, after the report, when there is no number.
 * Side effects: a number beyond 32 bits abandons the load.
 */
bool FullReader::integer(long* value, bool sign, bool inText)
{
  if (inText)
    skipSpaces();
  else
    skipBlanks();
  mark();
  bool negative = sign && peek() == '-';
  if (negative)
    get();
  if (!isDigit(peek())) {
    mark();
    return syntaxError();
  }
  long magnitude = 0;
  for (int digit; isDigit(digit = peek()); get())
    if (magnitude <= LONG_MAX / 100)
      magnitude = magnitude * 10 + (digit - '0');
  long v = negative ? -magnitude : magnitude;
  if (v < INT_MIN || v > INT_MAX)
    dataError("Number %s on line %d does not fit in 32 bits", std::string(text()).c_str(),
              linenr);
  *value = v;
  return true;
}

bool FullReader::semicolon()
{
  skipBlanks();
  mark();
  if (peek() != ';')
    return syntaxError();
  get();
  return true;
}

// A comment runs to its matching ")"; an unclosed one to the end of input.
void FullReader::comment()
{
  for (int depth = 1; depth > 0;) {
    int c = take();
    if (c == EOF)
      return;
    if (c == '(')
      ++depth;
    else if (c == ')')
      --depth;
  }
}

int FullReader::run()
{
  for (;;) {
    skipBlanks();
    mark();
    int c = get();
    bool ok = true;
    switch (c) {
      case ';': break;
      case '(': comment(); break;
      case 'E':
        endOfInput();
        return 0;
      case 'D': ok = definition(); break;
      case 'L': ok = layer(); break;
      case 'B': ok = box(); break;
      case 'P':
      case 'W': ok = path(c); break;
      case 'R': ok = flash(); break;
      case 'C': ok = call(); break;
      default:
        if (isDigit(c)) {
          ok = extension(c);
        } else {
          pos_ = start_;  // c is EOF or stays the reported text
          ok = syntaxError();
        }
        break;
    }
    if (!ok)
      return 1;
  }
}

// DS n [a b], DF, or DD n (a later definition of n replaces the deleted
// one wherever it is looked up, so nothing else is done).
bool FullReader::definition()
{
  skipBlanks();
  mark();
  int c = get();
  long n;
  if (c == 'S') {
    if (!integer(&n, false))
      return false;
    long a = 1, b = 1;
    skipBlanks();
    if (isDigit(peek()) && (!integer(&a, false) || !integer(&b, false)))
      return false;
    if (!semicolon())
      return false;
    ACrdDS(n, a, b);
    TopInstance = 1;
    return true;
  }
  if (c == 'F') {
    if (!semicolon())
      return false;
    ACrdDF();
    TopInstance = 0;
    return true;
  }
  if (c == 'D')
    return integer(&n, false) && semicolon();
  pos_ = start_;
  return syntaxError();
}

// L name: the name may follow the L at once ("LCMF") or after blanks; a
// spelled-out keyword ("Layer CMF") is passed over.
bool FullReader::layer()
{
  mark();
  while (isLower(peek()))
    get();
  if (!isSpace(peek()))
    pos_ = start_;
  skipSpaces();
  mark();
  if (!word(&layer_))
    return false;
  if (!semicolon())
    return false;
  ACrdLayer(layer_.c_str());
  return true;
}

bool FullReader::box()
{
  long length, width, x, y;
  if (!integer(&length, false) || !integer(&width, false) || !integer(&x, true) ||
      !integer(&y, true))
    return false;
  long dx = 1, dy = 0;
  skipBlanks();
  if ((isDigit(peek()) || peek() == '-') && (!integer(&dx, true) || !integer(&dy, true)))
    return false;
  if (!semicolon())
    return false;
  if (dx == 0 && dy == 0)
    dataError("Box direction 0 0 on line %d is not a direction", linenr);
  if (dy == 0) {
    ACrdBox(scaledValue(length), scaledValue(width), scaledValue(x), scaledValue(y));
    return true;
  }
  if (dx == 0) {
    ACrdBox(scaledValue(width), scaledValue(length), scaledValue(x), scaledValue(y));
    return true;
  }
  // Corners of the turned box: centre +- half length along the direction,
  // +- half width across it.
  double norm = std::hypot(double(dx), double(dy));
  double ux = dx / norm, uy = dy / norm;
  double hl = length / 2.0, hw = width / 2.0;
  const double corners[4][2] = {{-hl, -hw}, {hl, -hw}, {hl, hw}, {-hl, hw}};
  long coords[8];
  for (int i = 0; i < 4; ++i) {
    double along = corners[i][0], across = corners[i][1];
    coords[2 * i] = scaledPoint(x + along * ux - across * uy);
    coords[2 * i + 1] = scaledPoint(y + along * uy + across * ux);
  }
  ACrdPoly(coords, 8);
  return true;
}

// P x y ... or W w x y ...: the values go to Ypoint, times SCALE.
bool FullReader::path(int kind)
{
  Ynum = 0;
  long v;
  if (kind == 'W') {
    if (!integer(&v, false))
      return false;
    Ypoint[Ynum++] = scaledValue(v);
  }
  do {
    if (!integer(&v, true))
      return false;
    if (Ynum == kMaxCifValues)
      dataError("More than %d coordinates in a polygon or wire on line %d", kMaxCifValues,
                linenr);
    Ypoint[Ynum++] = scaledValue(v);
    skipBlanks();
  } while (isDigit(peek()) || peek() == '-');
  if (!semicolon())
    return false;
  if (kind == 'P')
    ACrdPoly(Ypoint, Ynum);
  else
    ACrdWire(Ypoint, Ynum);
  Ynum = 0;
  return true;
}

// R d x y: a regular polygon of 16 vertices on the circle of diameter d,
// turned by half a step so that its outermost edges lie along the axes.
bool FullReader::flash()
{
  long diameter, x, y;
  if (!integer(&diameter, false) || !integer(&x, true) || !integer(&y, true) || !semicolon())
    return false;
  const double pi = std::acos(-1.0);
  double r = diameter / 2.0;
  long coords[2 * kFlashVertices];
  for (int i = 0; i < kFlashVertices; ++i) {
    double angle = (i + 0.5) * 2 * pi / kFlashVertices;
    coords[2 * i] = scaledPoint(x + r * std::cos(angle));
    coords[2 * i + 1] = scaledPoint(y + r * std::sin(angle));
  }
  ACrdPoly(coords, 2 * kFlashVertices);
  return true;
}

bool FullReader::call()
{
  long n;
  if (!integer(&n, false))
    return false;
  Ynum = 0;
  for (;;) {
    skipBlanks();
    mark();
    int c = get();
    if (c == ';')
      break;
    long a, b;
    if (c == 'T' || c == 'R') {
      if (!integer(&a, true) || !integer(&b, true))
        return false;
      if (c == 'T')
        ACcallTran(scaledValue(a), scaledValue(b), Ynum++);
      else
        ACcallRot(a, b, Ynum++);
      continue;
    }
    if (c == 'M') {
      skipBlanks();
      mark();
      c = get();
      if (c == 'X' || c == 'Y') {
        ACcallMir(static_cast<char>(c), Ynum++);
        continue;
      }
    }
    pos_ = start_;
    return syntaxError();
  }
  ACcallName(n, TopInstance);
  Ynum = 0;
  return true;
}

// A word of an extension's text: anything up to a space or ";".
bool FullReader::word(std::string* into)
{
  mark();
  for (int c; (c = peek()) != EOF && c != ';' && !isSpace(c);)
    get();
  if (start_ == pos_)
    return syntaxError();
  into->assign(text());
  return true;
}

// What is left of an extension's text, up to and with its ";".
bool FullReader::restOfText()
{
  for (int c; (c = peek()) != ';'; take()) {
    if (c == EOF) {
      mark();
      return syntaxError();
    }
  }
  get();
  return true;
}

/*
 * extension --
 *   A digit, more digits, then text up to ";".  9: the first word names the
 *   current cell; 94: a label; every other number is skipped and counted.
 */
bool FullReader::extension(int first)
{
  long code = first - '0';
  for (int c; isDigit(c = peek()); get())
    if (code < 1000000)
      code = code * 10 + (c - '0');
  if (code == 94)
    return label();
  if (code == 9) {
    skipSpaces();
    if (peek() != ';') {
      if (!word(&name_) || !restOfText())
        return false;
      ACrdCName(code, name_.c_str());
      return true;
    }
  }
  ++skipped_[code];
  return restOfText();
}

// 94 text x y [layer]; words after the layer are ignored.
bool FullReader::label()
{
  skipSpaces();
  long x, y;
  if (!word(&name_) || !integer(&x, true, true) || !integer(&y, true, true))
    return false;
  skipSpaces();
  bool layered = peek() != ';';
  if (layered && !word(&layer_))
    return false;
  if (!restOfText())
    return false;
  if (!layered)
    ++unlayeredLabels_;
  ACrdLabel(94, name_.c_str(), scaledValue(x), scaledValue(y),
            layered ? layer_.c_str() : nullptr);
  return true;
}

void FullReader::report() const
{
  if (unlayeredLabels_ > 0)
    GCmessage(kModule, 'W',
              "%ld labels without a layer are drawn on the current layer and name no net",
              unlayeredLabels_);
  if (skipped_.empty())
    return;
  long total = 0;
  std::string counts;
  for (const auto& [code, count] : skipped_) {
    total += count;
    counts += (counts.empty() ? "" : ", ") + std::to_string(code) + " x" + std::to_string(count);
  }
  GCmessage(kModule, 'M', "Skipped %ld user extension commands, by number: %s", total,
            counts.c_str());
}

}  // namespace cif

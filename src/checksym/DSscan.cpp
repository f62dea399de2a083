// The scanner of symmetry-check files.
//
//   COMMENT  "//" and the rest of the line     TRANS  [Mm][NnPp]?_?[0-9]+
//   { } = :  the single character              NET    [Nn][0-9]+
//   CAP      [Cc][0-9]+                         RES    [Rr][0-9]+
//   IND      [Ii][0-9]+                         S      s
//   INT      [+-]?[0-9]+                        FLOAT  [+-]?[0-9]*"."[0-9]*
//   IDENT    [A-Za-z0-9]{2,}
// The longest match wins; of equal lengths the earlier row in this order:
// COMMENT, { } = :, TRANS, NET, CAP, RES, IND, S, INT, FLOAT, IDENT.
#include "DSint.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "DSsymmetry.h"
#include "Dglobal.h"

namespace checksym {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isAlnum(char c) { return isLetter(c) || isDigit(c); }
bool oneOf(char c, const char* set) { return c != '\0' && strchr(set, c) != nullptr; }

// Length of the run of digits at `i`.
size_t digitsAt(const std::string& s, size_t i)
{
  size_t n = 0;
  while (i + n < s.size() && isDigit(s[i + n]))
    ++n;
  return n;
}

// A letter of `letters` followed by one or more digits.
size_t letterAndDigits(const std::string& s, size_t at, const char* letters)
{
  if (!oneOf(s[at], letters))
    return 0;
  size_t n = digitsAt(s, at + 1);
  return n ? n + 1 : 0;
}

size_t transistorAt(const std::string& s, size_t at)
{
  if (!oneOf(s[at], "Mm"))
    return 0;
  size_t i = at + 1;
  if (i < s.size() && oneOf(s[i], "NnPp"))
    ++i;
  if (i < s.size() && s[i] == '_')
    ++i;
  size_t n = digitsAt(s, i);
  return n ? i + n - at : 0;
}

size_t signAt(const std::string& s, size_t at) { return s[at] == '+' || s[at] == '-' ? 1 : 0; }

size_t integerAt(const std::string& s, size_t at)
{
  size_t sign = signAt(s, at);
  size_t n = digitsAt(s, at + sign);
  return n ? sign + n : 0;
}

size_t floatAt(const std::string& s, size_t at)
{
  size_t i = at + signAt(s, at);
  i += digitsAt(s, i);
  if (i >= s.size() || s[i] != '.')
    return 0;
  ++i;
  return i + digitsAt(s, i) - at;
}

size_t identAt(const std::string& s, size_t at)
{
  size_t i = at;
  while (i < s.size() && isAlnum(s[i]))
    ++i;
  return i - at >= 2 ? i - at : 0;
}

size_t commentAt(const std::string& s, size_t at)
{
  if (s.compare(at, 2, "//") != 0)
    return 0;
  size_t end = s.find('\n', at);
  return (end == std::string::npos ? s.size() : end) - at;
}

}  // namespace

/*
 * Scanner::matchLength --
 *   The longest token at `at`, earlier rows winning ties.
 * Returns: its length, 0 when no token starts there; *kind is set then.
 */
size_t Scanner::matchLength(size_t at, Token* kind) const
{
  const std::string& s = text_;
  char c = s[at];
  size_t single = (c == '{' || c == '}' || c == '=' || c == ':') ? 1 : 0;
  Token singleKind = c == '{' ? Token::LBrace : c == '}' ? Token::RBrace : c == '=' ? Token::Equal : Token::Colon;
  bool aloneS = c == 's';
  const struct {
    Token kind;
    size_t length;
  } rows[] = {
      {Token::Comment, commentAt(s, at)},
      {singleKind, single},
      {Token::Trans, transistorAt(s, at)},
      {Token::Net, letterAndDigits(s, at, "Nn")},
      {Token::Cap, letterAndDigits(s, at, "Cc")},
      {Token::Res, letterAndDigits(s, at, "Rr")},
      {Token::Ind, letterAndDigits(s, at, "Ii")},
      {Token::S, aloneS ? size_t{1} : 0},
      {Token::Int, integerAt(s, at)},
      {Token::Float, floatAt(s, at)},
      {Token::Ident, identAt(s, at)},
  };
  size_t best = 0;
  for (const auto& row : rows) {
    if (row.length > best) {
      best = row.length;
      *kind = row.kind;
    }
  }
  return best;
}

Token Scanner::next()
{
  while (pos_ < text_.size()) {
    char c = text_[pos_];
    if (c == '\n') {
      ++linenum;
      ++pos_;
      continue;
    }
    Token kind = Token::End;
    size_t length = matchLength(pos_, &kind);
    if (length == 0) {
      common::outf("%c", c);
      ++pos_;
      continue;
    }
    current_ = std::string_view(text_).substr(pos_, length);
    pos_ += length;
    size_t kept = std::min(length, sizeof value_.string - 1);
    memcpy(value_.string, current_.data(), kept);
    value_.string[kept] = '\0';
    if (kind == Token::Int)
      value_.ival = clampedInt(std::string(current_).c_str());
    else if (kind == Token::Float)
      value_.dval = strtod(std::string(current_).c_str(), nullptr);
    if (Debug_flag == 1)
      common::outf("%.*s", static_cast<int>(current_.size()), current_.data());
    return kind;
  }
  current_ = std::string_view();
  value_.string[0] = '\0';
  return Token::End;
}

std::string readAll(FILE* in)
{
  std::string text;
  if (!in)
    return text;
  char block[8192];
  size_t n;
  while ((n = fread(block, 1, sizeof block, in)) > 0)
    text.append(block, n);
  return text;
}

int clampedInt(const char* digits)
{
  errno = 0;
  long long v = strtoll(digits, nullptr, 10);
  if (v > INT_MAX)
    return INT_MAX;
  if (v < INT_MIN)
    return INT_MIN;
  return static_cast<int>(v);
}

long nameNumber(const char* name)
{
  const char* underscore = strchr(name, '_');
  return underscore ? clampedInt(underscore + 1) : 0;
}

}  // namespace checksym

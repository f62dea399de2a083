// The CIF scanner.
//
// Tokens, longest match first:
//   separator  one or more blanks, tabs or commas
//   ";"
//   integer    an optional "+" or "-" and decimal digits
//   comment    a text in parentheses, nested parentheses allowed
//   keywords   B, W, P followed by lower-case letters; T, R, E, MX, MY
//              followed by letters, digits or "_"; at the start of a line
//              only: L and C followed by letters, digits or "_", and DS, DF
//   name       any other run that begins with a letter or "." and goes on
//              with letters, digits, "_", "." or "-"
// A line break only advances linenr.  Every other character is skipped.
#include "ACinternal.h"

#include <cctype>
#include <algorithm>
#include <climits>

#include "Dcif.h"
#include "Dglobal.h"

namespace cif {

namespace {

bool isSeparator(int c) { return c == ' ' || c == '\t' || c == ','; }
bool isDigit(int c) { return c >= '0' && c <= '9'; }
bool isLetter(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isNameChar(int c) { return isLetter(c) || isDigit(c) || c == '_' || c == '.' || c == '-'; }
bool isWordChar(int c) { return isLetter(c) || isDigit(c) || c == '_'; }

// True when every character of `s` from `from` on satisfies `pred`.
template <class Pred>
bool restIs(std::string_view s, size_t from, Pred pred)
{
  for (size_t i = from; i < s.size(); ++i)
    if (!pred(static_cast<unsigned char>(s[i])))
      return false;
  return true;
}

}  // namespace

Input::Input(FILE* in) : in_(in), buffer_(kBlock) {}

// Keeps the current token at the front of the buffer and reads more behind
// it; the buffer doubles when the token fills it.
bool Input::refill()
{
  if (!in_)
    return false;
  // The current line is kept too while it is short.
  size_t keep = start_;
  if (lineStart_ < start_ && start_ - lineStart_ <= kLineKept) {
    keep = lineStart_;
  } else if (lineStart_ < start_) {
    lineCut_ = true;
    lineStart_ = start_;
  }
  if (keep > 0) {
    std::copy(buffer_.begin() + keep, buffer_.begin() + end_, buffer_.begin());
    pos_ -= keep;
    end_ -= keep;
    start_ -= keep;
    lineStart_ -= keep;
  }
  if (end_ == buffer_.size())
    buffer_.resize(buffer_.size() * 2);
  size_t n = fread(buffer_.data() + end_, 1, buffer_.size() - end_, in_);
  end_ += n;
  return n > 0;
}

std::string Input::currentLine()
{
  constexpr size_t kBefore = 40;  // characters shown before the token
  constexpr size_t kShown = 120;  // characters shown at most
  size_t token = start_;
  start_ = lineStart_;  // keep the line in the buffer while reading on
  for (int c; (c = peek()) != EOF && c != '\n' && pos_ - token < kShown;)
    ++pos_;
  size_t from = lineStart_;
  bool cutBefore = lineCut_;
  if (token > from && token - from > kBefore + 20) {
    from = token - kBefore;
    cutBefore = true;
  }
  std::string line(buffer_.data() + from, std::min(pos_ - from, kShown));
  bool cutAfter = pos_ - from > kShown || (peek() != EOF && peek() != '\n');
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
    line.pop_back();
  return (cutBefore ? "..." : "") + line + (cutAfter ? "..." : "");
}

Token Scanner::next()
{
  Token token = scan();
  if (Debug_flag && token != Token::End)
    common::outf("%.*s", static_cast<int>(text().size()), text().data());
  return token;
}

Token Scanner::scan()
{
  for (;;) {
    bool lineStart = atLineStart_;
    start_ = pos_;
    int c = get();
    if (c == EOF)
      return Token::End;
    if (c == '\n') {
      ++linenr;
      continue;
    }
    if (isSeparator(c)) {
      while (isSeparator(peek()))
        ++pos_;
      atLineStart_ = false;
      return Token::Separator;
    }
    if (c == ';')
      return Token::Semicolon;
    if (c == '(') {
      comment();
      return Token::Comment;
    }
    if (isDigit(c) || ((c == '+' || c == '-') && isDigit(peek()))) {
      integer(c);
      return Token::Integer;
    }
    if (isLetter(c) || c == '.') {
      while (isNameChar(peek()))
        ++pos_;
      atLineStart_ = false;
      return word(lineStart);
    }
  }
}

// Digits after an optional sign; the value saturates beyond 32 bits.
void Scanner::integer(int first)
{
  bool negative = first == '-';
  long magnitude = isDigit(first) ? first - '0' : 0;
  for (int digit; isDigit(digit = peek()); ++pos_)
    if (magnitude <= LONG_MAX / 100)
      magnitude = magnitude * 10 + (digit - '0');
  atLineStart_ = false;
  value_ = negative ? -magnitude : magnitude;
  fits_ = value_ >= INT_MIN && value_ <= INT_MAX;
}

// A comment runs to its matching ")"; line breaks in it advance linenr.  An
// unclosed comment runs to the end of the input.
void Scanner::comment()
{
  int depth = 1;
  for (;;) {
    int c = get();
    if (c == EOF)
      return;
    if (c == '\n')
      ++linenr;
    else if (c == '(')
      ++depth;
    else if (c == ')' && --depth == 0)
      return;
  }
}

// A keyword when the whole run matches one (some only at a line start),
// otherwise a name.
Token Scanner::word(bool lineStart)
{
  std::string_view s = text();
  switch (s[0]) {
    case 'B':
    case 'W':
    case 'P':
      if (restIs(s, 1, [](int c) { return c >= 'a' && c <= 'z'; }))
        return s[0] == 'B' ? Token::B : s[0] == 'W' ? Token::W : Token::P;
      break;
    case 'T':
    case 'R':
    case 'E':
      if (restIs(s, 1, isWordChar))
        return s[0] == 'T' ? Token::T : s[0] == 'R' ? Token::R : Token::E;
      break;
    case 'M':
      if (s.size() >= 2 && (s[1] == 'X' || s[1] == 'Y') && restIs(s, 2, isWordChar))
        return s[1] == 'X' ? Token::MX : Token::MY;
      break;
    case 'L':
    case 'C':
      if (lineStart && restIs(s, 1, isWordChar))
        return s[0] == 'L' ? Token::L : Token::C;
      break;
    case 'D':
      if (lineStart && s == "DS")
        return Token::DS;
      if (lineStart && s == "DF")
        return Token::DF;
      break;
    default:
      break;
  }
  return Token::Name;
}

}  // namespace cif

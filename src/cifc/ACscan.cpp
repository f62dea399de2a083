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
bool restIs(const std::string& s, size_t from, Pred pred)
{
  for (size_t i = from; i < s.size(); ++i)
    if (!pred(static_cast<unsigned char>(s[i])))
      return false;
  return true;
}

}  // namespace

Scanner::Scanner(FILE* in) : in_(in), buffer_(kBlock) {}

bool Scanner::refill()
{
  if (!in_)
    return false;
  pos_ = 0;
  end_ = fread(buffer_.data(), 1, buffer_.size(), in_);
  return end_ > 0;
}

Token Scanner::next()
{
  Token token = scan();
  if (Debug_flag && token != Token::End)
    common::outf("%s", text_.c_str());
  return token;
}

Token Scanner::scan()
{
  for (;;) {
    bool lineStart = atLineStart_;
    int c = get();
    if (c == EOF) {
      text_.clear();
      return Token::End;
    }
    if (c == '\n') {
      ++linenr;
      continue;
    }
    if (isSeparator(c)) {
      text_.assign(1, static_cast<char>(c));
      while (isSeparator(peek()))
        text_ += static_cast<char>(get());
      return Token::Separator;
    }
    if (c == ';') {
      text_.assign(1, ';');
      return Token::Semicolon;
    }
    if (c == '(') {
      comment();
      return Token::Comment;
    }
    if (isDigit(c) || ((c == '+' || c == '-') && isDigit(peek()))) {
      integer(c);
      return Token::Integer;
    }
    if (isLetter(c) || c == '.') {
      text_.assign(1, static_cast<char>(c));
      while (isNameChar(peek()))
        text_ += static_cast<char>(get());
      return word(lineStart);
    }
  }
}

// Digits after an optional sign; the value saturates beyond 32 bits.
void Scanner::integer(int first)
{
  text_.assign(1, static_cast<char>(first));
  bool negative = first == '-';
  long magnitude = isDigit(first) ? first - '0' : 0;
  while (isDigit(peek())) {
    int digit = get();
    text_ += static_cast<char>(digit);
    if (magnitude <= LONG_MAX / 100)
      magnitude = magnitude * 10 + (digit - '0');
  }
  value_ = negative ? -magnitude : magnitude;
  fits_ = value_ >= INT_MIN && value_ <= INT_MAX;
}

// A comment runs to its matching ")"; line breaks in it advance linenr.  An
// unclosed comment runs to the end of the input.
void Scanner::comment()
{
  text_.assign(1, '(');
  int depth = 1;
  for (;;) {
    int c = get();
    if (c == EOF)
      return;
    text_ += static_cast<char>(c);
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
  const std::string& s = text_;
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

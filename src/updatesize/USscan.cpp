// Scanner of the transistor size file.
#include "USscan.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "Dglobal.h"

namespace updatesize {

namespace {

// ASCII classes only: bytes beyond them are "other characters".
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool isWordChar(char c) { return isLetter(c) || isDigit(c); }

bool allDigits(const std::string& s, size_t from)
{
  if (from >= s.size())
    return false;
  for (size_t i = from; i < s.size(); ++i)
    if (!isDigit(s[i]))
      return false;
  return true;
}

struct Header {
  const char* text;
  Token token;
};
constexpr Header kHeaders[] = {{"Transistors_sizes", Token::TranHeader},
                               {"Inductors_sizes", Token::IndHeader},
                               {"Resistors_sizes", Token::ResHeader},
                               {"Capacitors_sizes", Token::CapHeader}};

}  // namespace

char Scanner::peek(size_t ahead) const
{
  return at_ + ahead < text_.size() ? text_[at_ + ahead] : '\0';
}

bool Scanner::integer(int* value) const
{
  // A lone sign reads as 0.
  if (token_.size() == 1 && (token_[0] == '+' || token_[0] == '-')) {
    *value = 0;
    return true;
  }
  errno = 0;
  long long v = strtoll(token_.c_str(), nullptr, 10);
  if (errno == ERANGE || v < INT_MIN || v > INT_MAX)
    return false;
  *value = static_cast<int>(v);
  return true;
}

double Scanner::real() const
{
  // strtod takes no lone point; the digits around it may be absent.
  return strtod(token_.c_str(), nullptr);
}

// A word, a device name, a section header or the exponent mark.
Token Scanner::word()
{
  size_t start = at_;
  while (at_ < text_.size() && isWordChar(text_[at_]))
    ++at_;
  token_.assign(text_, start, at_ - start);
  if (token_ == "e")
    return Token::Exponent;
  if (allDigits(token_, 1)) {
    switch (token_[0]) {
      case 'M': case 'm': return Token::TranName;
      case 'L': case 'l': return Token::IndName;
      case 'R': case 'r': return Token::ResName;
      case 'C': case 'c': return Token::CapName;
      default: break;
    }
  }
  if (peek() == ':') {
    for (const Header& h : kHeaders) {
      if (token_ == h.text) {
        ++at_;
        token_ += ':';
        return h.token;
      }
    }
  }
  return Token::Word;
}

// An integer or a real: [+-]?[0-9]* with an optional point and digits.
Token Scanner::number()
{
  size_t start = at_;
  if (peek() == '+' || peek() == '-')
    ++at_;
  while (isDigit(peek()))
    ++at_;
  bool point = peek() == '.';
  if (point) {
    ++at_;
    while (isDigit(peek()))
      ++at_;
  }
  token_.assign(text_, start, at_ - start);
  return point ? Token::Real : Token::Integer;
}

Token Scanner::next()
{
  while (at_ < text_.size()) {
    char c = text_[at_];
    if (c == '\n') {
      ++line_;
      ++at_;
      continue;
    }
    if (c == ' ' || c == '\t') {
      ++at_;
      continue;
    }
    if (c == '#') {
      size_t start = at_;
      while (at_ < text_.size() && text_[at_] != '\n')
        ++at_;
      token_.assign(text_, start, at_ - start);
      return Token::Comment;
    }
    if (c == ',' && isDigit(peek(1))) {
      size_t start = at_++;
      while (isDigit(peek()))
        ++at_;
      token_.assign(text_, start, at_ - start);
      return Token::TranName;
    }
    if (isLetter(c))
      return word();
    if (isDigit(c) || c == '+' || c == '-' || c == '.')
      return number();
    token_.assign(1, c);
    ++at_;
    switch (c) {
      case '(': return Token::Open;
      case ')': return Token::Close;
      case '"': return Token::Quote;
      default: common::outf("%c", c); break;
    }
  }
  token_.clear();
  return Token::End;
}

}  // namespace updatesize

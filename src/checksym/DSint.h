// DSint.h -- inside the symmetry-check reader (src/checksym only).
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace checksym {

enum class Token {
  End,
  Comment,  // "//" up to the end of the line
  LBrace,
  RBrace,
  Equal,
  Colon,
  Trans,    // m, optional n or p, optional "_", digits
  Net,      // n and digits
  Cap,      // c and digits
  Res,      // r and digits
  Ind,      // i and digits
  S,        // the letter s standing alone
  Int,      // optional sign, digits
  Float,    // optional sign, digits, ".", digits (either run may be empty)
  Ident,    // any other run of two or more letters and digits
};

constexpr int kTokenTextSize = 32;  // the value keeps at most 31 characters

// The semantic value of a token.
struct Value {
  char string[kTokenTextSize];
  int ival;
  double dval;
};

// Splits a symmetry-check file into tokens.  The longest match wins, and of
// equal lengths the earlier kind in Token.  A character that starts no
// token is copied to standard output and skipped; a newline advances
// linenum.  With Debug_flag 1 every token's text is echoed.
class Scanner {
 public:
  explicit Scanner(std::string text) : text_(std::move(text)) {}

  Token next();
  // The text of the last token (whole, however long).
  std::string_view text() const { return current_; }
  const Value& value() const { return value_; }

 private:
  size_t matchLength(size_t at, Token* kind) const;

  std::string text_;
  size_t pos_ = 0;
  std::string_view current_;
  Value value_{};
};

// Reads what is left of `in` into a string.
std::string readAll(FILE* in);

// The number of a device name: the integer after its first "_", 0 without
// one.  Out-of-range numbers are clamped.
long nameNumber(const char* name);

// The integer of a digit string, clamped to the range of int.
int clampedInt(const char* digits);

// The block actions of the parser.  "{" makes the current block element
// (at the front of the list in textual mode, not yet linked in hierarchical
// mode); "}" ends it; a syntax error drops an unlinked one.
void beginBlock();
void endBlock();
void dropOpenBlock();

}  // namespace checksym

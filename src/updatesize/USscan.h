// USscan.h -- the scanner of the transistor size file (private to
// src/updatesize).
#pragma once

#include <string>

namespace updatesize {

constexpr int kModule = 10;  // message module of the size file

enum class Token {
  End,
  TranName,    // "M", "m" or "," and digits
  IndName,     // "L" or "l" and digits
  ResName,     // "R" or "r" and digits
  CapName,     // "C" or "c" and digits
  TranHeader,  // "Transistors_sizes:"
  IndHeader,   // "Inductors_sizes:"
  ResHeader,   // "Resistors_sizes:"
  CapHeader,   // "Capacitors_sizes:"
  Comment,     // "#" to the end of the line
  Integer,     // optional sign, digits (a lone sign is 0)
  Real,        // optional sign, digits with one point (either side may be empty)
  Exponent,    // a lone "e"
  Word,        // a letter or "_", then letters, digits and "_"
  Open,        // "("
  Close,       // ")"
  Quote,       // a lone '"': no rule takes it
};

// Splits a size file into tokens.  The longest match wins, and among equal
// lengths the earlier kind above: M12 is a name, M1a a word, a lone e the
// exponent mark, e6 a word.  Blanks and tabs are skipped, newlines counted;
// any other character is echoed on standard output and skipped.
class Scanner {
 public:
  explicit Scanner(const std::string& text) : text_(text) {}

  Token next();
  const std::string& text() const { return token_; }  // text of the last token
  int line() const { return line_; }                  // line of the last token
  // Value of the last Integer; false when it does not fit an int.
  bool integer(int* value) const;
  double real() const;  // value of the last Real (a lone point is 0)

 private:
  char peek(size_t ahead = 0) const;
  Token word();
  Token number();

  const std::string& text_;
  size_t at_ = 0;
  int line_ = 1;
  std::string token_;
};

}  // namespace updatesize

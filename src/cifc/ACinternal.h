// ACinternal.h -- private to the CIF reader (src/cifc): its state beside the
// specified globals, and the pieces the scanner, the parser and the actions
// share.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "Dlayout.h"

namespace cif {

// ---------------------------------------------------------------------------
// Scanner.
// ---------------------------------------------------------------------------
enum class Token {
  End,
  Separator,
  Semicolon,
  Integer,
  Name,
  Comment,
  B,
  L,
  W,
  P,
  DS,
  DF,
  C,
  T,
  R,
  MX,
  MY,
  E,
};

// Reads a CIF stream in large blocks and hands out its tokens.  Line breaks
// advance linenr; they are not tokens.  A token's text stays in the buffer
// (which grows for a token longer than itself) until the next token.
class Scanner {
 public:
  explicit Scanner(FILE* in);
  Scanner(const Scanner&) = delete;
  Scanner& operator=(const Scanner&) = delete;

  Token next();
  std::string_view text() const { return {buffer_.data() + start_, pos_ - start_}; }
  // The input line of the current token, read on to its end (for reports
  // after a syntax error; scanning does not go on afterwards).  Long lines
  // are shortened.
  std::string currentLine();
  // Value of an Integer token; fits() tells whether it is a 32-bit number.
  long value() const { return value_; }
  bool fits() const { return fits_; }

 private:
  static constexpr size_t kBlock = 1 << 16;  // bytes read at a time
  static constexpr size_t kLineKept = 4096;  // bytes of a line kept for reports

  int peek()
  {
    if (pos_ == end_ && !refill())
      return EOF;
    return static_cast<unsigned char>(buffer_[pos_]);
  }
  int get()
  {
    int c = peek();
    if (c != EOF) {
      ++pos_;
      atLineStart_ = c == '\n';
      if (atLineStart_) {
        lineStart_ = pos_;
        lineCut_ = false;
      }
    }
    return c;
  }
  bool refill();
  Token scan();
  void integer(int first);
  void comment();
  Token word(bool lineStart);

  FILE* in_;
  std::vector<char> buffer_;
  size_t start_ = 0;  // first character of the current token
  size_t pos_ = 0;    // next character
  size_t end_ = 0;    // end of what was read
  size_t lineStart_ = 0;  // first character of the current line
  bool lineCut_ = false;  // the line's start was not kept
  bool atLineStart_ = true;
  long value_ = 0;
  bool fits_ = true;
};

// ---------------------------------------------------------------------------
// Reader state beside the specified globals; reset by ACinit.
// ---------------------------------------------------------------------------
struct ReaderState {
  _layout* top = nullptr;  // the cell that takes calls outside definitions
  // Cells by name, the most recently defined first, as GfindLayout would
  // find them in Gsymbols.
  std::unordered_map<std::string, _layout*> cells;
  std::string key;  // lookup key, reused
  _pin* retiredPins = nullptr;  // pins of earlier loads
  const Scanner* scanner = nullptr;  // the running parse, for ciferror
};
extern ReaderState reader;

// Puts the reader state back as in a fresh program.
void resetState();

// The cell named `name`, or null.
_layout* findCell(const char* name);

// Reports a data error of the input (kind F) and abandons the load.
[[noreturn]] void dataError(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Values of the integer token converted to a 32-bit number; a data error
// when it does not fit.
long integerValue(const Scanner& scanner);

}  // namespace cif

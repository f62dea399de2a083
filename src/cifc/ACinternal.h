// ACinternal.h -- private to the CIF reader (src/cifc): its state beside the
// specified globals, and the pieces the scanner, the parser and the actions
// share.
#pragma once

#include <cstdio>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "Dcif.h"
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

// Reads a CIF stream in large blocks.  The text of the current token (from
// mark() to the next character) stays in the buffer, which grows for a token
// longer than itself, until the next mark(); so does the current line while
// it is short, for reports.
class Input {
 public:
  explicit Input(FILE* in);
  virtual ~Input() = default;
  Input(const Input&) = delete;
  Input& operator=(const Input&) = delete;

  std::string_view text() const { return {buffer_.data() + start_, pos_ - start_}; }
  // The input line of the current token, read on to its end (for reports
  // after a syntax error; reading does not go on afterwards).  Long lines
  // are shortened.
  std::string currentLine();

 protected:
  static constexpr size_t kBlock = 1 << 16;  // bytes read at a time
  static constexpr size_t kLineKept = 4096;  // bytes of a line kept for reports

  void mark() { start_ = pos_; }
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

  FILE* in_;
  std::vector<char> buffer_;
  size_t start_ = 0;  // first character of the current token
  size_t pos_ = 0;    // next character
  size_t end_ = 0;    // end of what was read
  size_t lineStart_ = 0;  // first character of the current line
  bool lineCut_ = false;  // the line's start was not kept
  bool atLineStart_ = true;
};

// The tokens of the line-oriented subset.  Line breaks advance linenr; they
// are not tokens.
class Scanner final : public Input {
 public:
  explicit Scanner(FILE* in) : Input(in) {}

  Token next();
  // Value of an Integer token; fits() tells whether it is a 32-bit number.
  long value() const { return value_; }
  bool fits() const { return fits_; }

 private:
  Token scan();
  void integer(int first);
  void comment();
  Token word(bool lineStart);

  long value_ = 0;
  bool fits_ = true;
};

// Reads full CIF: commands are a letter (or a digit for a user extension)
// and their fields, in any layout of blanks and lines, up to ";".  Calls the
// same actions as the line-oriented parser.
class FullReader final : public Input {
 public:
  explicit FullReader(FILE* in) : Input(in) {}

  // Returns 0 at the end command, 1 at a syntax error (after ciferror).
  int run();
  // Reports, once for the load, the labels without a layer and the user
  // extensions that were skipped.
  void report() const;

 private:
  int take()
  {
    int c = get();
    if (c == '\n')
      ++linenr;
    return c;
  }
  void skipBlanks();
  void skipSpaces();
  bool syntaxError();
  bool integer(long* value, bool sign, bool inText = false);
  bool semicolon();
  void comment();
  bool definition();
  bool layer();
  bool box();
  bool path(int kind);
  bool flash();
  bool call();
  bool extension(int first);
  bool word(std::string* into);
  bool label();
  bool restOfText();

  std::string name_;   // reused: no allocation per command
  std::string layer_;
  std::map<long, long> skipped_;  // user extensions skipped, by number
  long unlayeredLabels_ = 0;
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
  const Input* scanner = nullptr;  // the running parse, for ciferror
};
extern ReaderState reader;

// Puts the reader state back as in a fresh program.
void resetState();

// The cell named `name`, or null.
_layout* findCell(const char* name);

// Reports a data error of the input (kind F) and abandons the load.
[[noreturn]] void dataError(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The input ended with its end command: the top cell, once made, is the
// cell shown and the hierarchical top.
void endOfInput();

// Values of the integer token converted to a 32-bit number; a data error
// when it does not fit.
long integerValue(const Scanner& scanner);

}  // namespace cif

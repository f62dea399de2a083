// Scanner and parser of technology files.
//
// Words are runs of letters, digits and underscores; blanks, tabs and commas
// separate them; "#" starts a comment to the end of the line.  A group
// keyword or a rule name must start a line, every other word of a rule must
// not.  Any other character is echoed on standard output and ignored.
#include "DTtechnology.h"

#include <cctype>
#include <cstring>
#include <string>

#include "Dglobal.h"

FILE* techin = nullptr;

namespace {

enum class Token { End, Group, RuleName, Item, Semicolon };

const char* const kGroups[] = {"layers:",   "elements:",  "ports:",    "connections:",
                               "inductors:", "capacitors:", "resistors:"};

// Where the scanner stands, for the error report.
struct ScanPosition {
  int line = 0;
  std::string text;
};
ScanPosition position;

class TechScanner {
 public:
  explicit TechScanner(FILE* in) : in_(in) {}

  Token next();
  const std::string& text() const { return text_; }
  int line() const { return line_; }

 private:
  static bool isWordChar(int c) { return isalnum(c) || c == '_'; }
  bool readGroupKeyword(const std::string& word);

  FILE* in_;
  std::string text_;
  int line_ = 1;
  bool atLineStart_ = true;
};

// At a line start, a word followed by ":" that names a group is a keyword.
bool TechScanner::readGroupKeyword(const std::string& word)
{
  int c = getc(in_);
  if (c == ':') {
    for (const char* group : kGroups) {
      if (word + ":" == group) {
        text_ = group;
        return true;
      }
    }
  }
  ungetc(c, in_);
  return false;
}

Token TechScanner::next()
{
  for (;;) {
    bool lineStart = atLineStart_;
    int c = getc(in_);
    atLineStart_ = false;
    if (c == EOF) {
      text_.clear();
      return Token::End;
    }
    if (c == '\n') {
      ++line_;
      atLineStart_ = true;
      continue;
    }
    if (c == ' ' || c == '\t' || c == ',')
      continue;
    if (c == '#') {
      while ((c = getc(in_)) != EOF && c != '\n') {
      }
      if (c == '\n') {
        ++line_;
        atLineStart_ = true;
      }
      continue;
    }
    if (c == ';') {
      text_ = ";";
      return Token::Semicolon;
    }
    if (!isWordChar(c)) {
      common::outf("%c", c);
      continue;
    }
    text_.assign(1, static_cast<char>(c));
    while (isWordChar(c = getc(in_)))
      text_ += static_cast<char>(c);
    ungetc(c, in_);
    if (!lineStart)
      return Token::Item;
    if (readGroupKeyword(text_))
      return Token::Group;
    return Token::RuleName;
  }
}

void syntaxError(const TechScanner& scanner)
{
  position.line = scanner.line();
  position.text = scanner.text();
  techerror("parse error");
}

}  // namespace

// Reports a syntax error with the line and the text of the current token.
void techerror(const char* message)
{
  common::errf("error on line %d %s: %s\n", position.line, position.text.c_str(), message);
}

/*
 * TECHparse --
 *   Parses techin: one or more statements, each a group keyword or a rule
 *   (name, one or more items, ";").  Rules are filed as they complete.
 * Returns: 0 on success, 1 on a syntax error (what was filed stays).
 * Side effects: closes techin.
 */
int TECHparse()
{
  // The stream is closed also when filing a rule abandons the read.
  struct CloseInput {
    ~CloseInput()
    {
      if (techin)
        fclose(techin);
      techin = nullptr;
    }
  } close;
  TechScanner scanner(techin);
  int statements = 0;
  int result = 0;
  for (Token token = scanner.next();; token = scanner.next()) {
    if (token == Token::End) {
      if (statements == 0) {
        syntaxError(scanner);
        result = 1;
      }
      break;
    }
    if (token == Token::Group) {
      DTrdGroup(scanner.text().c_str());
      ++statements;
      continue;
    }
    if (token != Token::RuleName) {
      syntaxError(scanner);
      result = 1;
      break;
    }
    std::string name = scanner.text();
    int items = 0;
    while ((token = scanner.next()) == Token::Item) {
      DTrdList(scanner.text().c_str());
      ++items;
    }
    if (token != Token::Semicolon || items == 0) {
      syntaxError(scanner);
      result = 1;
      break;
    }
    DTrdRule(name.c_str());
    ++statements;
  }
  return result;
}

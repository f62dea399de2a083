// The grammar of symmetry-check files:
//
//   file        : (empty) | file item
//   item        : COMMENT | block | pair
//   block       : "{" block-items "}" [ ":" TRANS ]
//   block-items : (COMMENT | pair)+
//   pair        : TRANS "=" TRANS | NET "=" NET | CAP "=" CAP | IND "=" IND
//               | RES "=" RES [ S "=" (INT | FLOAT) ]
//
// The grammar is flat, so a reader with one token of lookahead needs no
// stack.  The first syntax error ends the read; what was stored before it
// stays.
#include "DSsymmetry.h"

#include <cstring>
#include <string>

#include "DSint.h"
#include "Dglobal.h"

namespace checksym {

namespace {

bool isName(Token t)
{
  return t == Token::Trans || t == Token::Net || t == Token::Cap || t == Token::Res || t == Token::Ind;
}

class Parser {
 public:
  explicit Parser(Scanner& scanner) : scanner_(scanner) {}

  // Returns: true when the whole input is a file of the grammar.
  bool file();

 private:
  Token peek();
  Token take();
  bool fail(const char* what);
  bool name(Token kind, std::string* into);
  bool pair(Token kind);
  bool block();
  bool reference();

  Scanner& scanner_;
  bool peeked_ = false;
  Token next_ = Token::End;
};

Token Parser::peek()
{
  if (!peeked_) {
    next_ = scanner_.next();
    peeked_ = true;
  }
  return next_;
}

Token Parser::take()
{
  Token t = peek();
  peeked_ = false;
  return t;
}

bool Parser::fail(const char* what)
{
  const char* near = scanner_.text().empty() ? "end of file" : scanner_.value().string;
  common::errf("******  %s in line %d at or near %s ******\n", what, linenum, near);
  return false;
}

// Takes a name of `kind`; a name that does not fit the records is an error.
bool Parser::name(Token kind, std::string* into)
{
  if (take() != kind)
    return fail("parse error");
  if (scanner_.text().size() >= kSymNameSize)
    return fail("name longer than 11 characters");
  *into = scanner_.value().string;
  return true;
}

// The rest of a pair whose first name, of `kind`, is the next token.
bool Parser::pair(Token kind)
{
  std::string first, second;
  if (!name(kind, &first))
    return false;
  if (take() != Token::Equal)
    return fail("parse error");
  if (!name(kind, &second))
    return false;
  double spacing = -1.0;
  if (kind == Token::Res && peek() == Token::S) {
    take();
    if (take() != Token::Equal)
      return fail("parse error");
    Token value = take();
    if (value != Token::Int && value != Token::Float)
      return fail("parse error");
    spacing = value == Token::Int ? scanner_.value().ival : scanner_.value().dval;
  }
  if (HIERSYMSET) {
    PutInSymList(first.c_str(), second.c_str(), Startblock);
  } else if (kind == Token::Res) {
    PutInTextualSymListWithSpacing(first.c_str(), second.c_str(), spacing, Startblock);
  } else if (kind != Token::Net || Startblock) {
    PutInTextualSymList(first.c_str(), second.c_str(), Startblock);
  }
  return true;
}

// The reference transistor after a block, when there is one.
bool Parser::reference()
{
  if (peek() != Token::Colon)
    return true;
  take();
  std::string ref;
  if (!name(Token::Trans, &ref))
    return false;
  if (HIERSYMSET)
    PutInSymRespList(ref.c_str());
  return true;
}

bool Parser::block()
{
  take();  // "{"
  beginBlock();
  int items = 0;
  for (;; ++items) {
    Token t = peek();
    if (t == Token::Comment) {
      take();
    } else if (isName(t)) {
      if (!pair(t))
        return false;
    } else if (t == Token::RBrace && items > 0) {
      take();
      break;
    } else {
      take();
      return fail("parse error");
    }
  }
  endBlock();
  if (!reference())
    return false;
  if (HIERSYMSET)
    OrderSymList();
  return true;
}

bool Parser::file()
{
  for (;;) {
    Token t = peek();
    if (t == Token::End)
      return true;
    if (t == Token::Comment) {
      take();
      continue;
    }
    bool ok = t == Token::LBrace ? block() : isName(t) ? pair(t) : (take(), fail("parse error"));
    if (!ok)
      return false;
  }
}

}  // namespace

}  // namespace checksym

/*
 * SYMparse --
 *   Reads the symmetry-check file open in dchecksymin into the parsed list
 *   (textual or, with HIERSYMSET, hierarchical mode).
 * Returns: 0 on success, 1 on a syntax error (reported on standard error).
 * Side effects: dchecksymin is closed.
 */
int SYMparse()
{
  linenum = 1;
  Startblock = 0;
  std::string text = checksym::readAll(dchecksymin);
  if (dchecksymin)
    fclose(dchecksymin);
  dchecksymin = nullptr;
  checksym::Scanner scanner(std::move(text));
  checksym::Parser parser(scanner);
  bool ok = parser.file();
  if (!ok)
    checksym::dropOpenBlock();
  return ok ? 0 : 1;
}

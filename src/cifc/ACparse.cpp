// The CIF parser: the accepted command forms and nothing else.
//
// SEP is one separator token, INT an integer, NAME a name:
//   comment ";"  |  SEP comment ";"
//   DS SEP INT ";"  |  DS SEP INT SEP INT SEP INT ";"
//   DF ";"
//   L SEP NAME ";"
//   [SEP] B SEP INT SEP INT SEP INT SEP INT ";"
//   [SEP] P (SEP INT)+ ";"      [SEP] W (SEP INT)+ ";"
//   C SEP INT {SEP T SEP INT SEP INT | SEP R SEP INT SEP INT | SEP MX | SEP MY} ";"
//   INT SEP INT ";"
//   INT SEP NAME ";"
//   INT SEP NAME SEP INT SEP INT [SEP NAME] ";"
//   E  |  E ";"  |  E SEP ";"     (the rest of the input is not read)
// No construct nests, so the parser needs no stack.
#include "Dcif.h"

#include <cstring>
#include <memory>

#include "ACinternal.h"
#include "Dglobal.h"

namespace {

constexpr int kModule = 2;  // message module of the CIF reader

using cif::Scanner;
using cif::Token;

class Parser {
 public:
  explicit Parser(Scanner* scanner) : scanner_(*scanner) {}

  // Returns 0 at the end command, 1 at a syntax error.
  int run();

 private:
  Token advance() { return token_ = scanner_.next(); }
  // Reads the next token; false (after the report) when it is not `t`.
  bool need(Token t) { return advance() == t || syntaxError(); }
  bool syntaxError()
  {
    ciferror("parse error");
    return false;
  }
  long integer() const { return cif::integerValue(scanner_); }
  long scaled() const { return integer() * SCALE; }

  bool definition();
  bool layer();
  bool box();
  bool points(Token kind);
  bool call();
  bool transformation();
  bool extension();
  int end();

  Scanner& scanner_;
  Token token_ = Token::End;
  std::string name_;   // reused: no allocation per command
  std::string layer_;
};

int Parser::run()
{
  for (;;) {
    bool ok;
    switch (advance()) {
      case Token::Separator:
        switch (advance()) {
          case Token::Comment: ok = need(Token::Semicolon); break;
          case Token::B: ok = box(); break;
          case Token::P:
          case Token::W: ok = points(token_); break;
          default: ok = syntaxError(); break;
        }
        break;
      case Token::Comment: ok = need(Token::Semicolon); break;
      case Token::DS: ok = definition(); break;
      case Token::DF:
        ok = need(Token::Semicolon);
        if (ok) {
          ACrdDF();
          TopInstance = 0;
        }
        break;
      case Token::L: ok = layer(); break;
      case Token::B: ok = box(); break;
      case Token::P:
      case Token::W: ok = points(token_); break;
      case Token::C: ok = call(); break;
      case Token::Integer: ok = extension(); break;
      case Token::E: return end();
      default: ok = syntaxError(); break;
    }
    if (!ok)
      return 1;
  }
}

bool Parser::definition()
{
  if (!need(Token::Separator) || !need(Token::Integer))
    return false;
  long n = integer();
  long a = 1, b = 1;
  advance();
  if (token_ == Token::Separator) {
    if (!need(Token::Integer))
      return false;
    a = integer();
    if (!need(Token::Separator) || !need(Token::Integer))
      return false;
    b = integer();
    if (!need(Token::Semicolon))
      return false;
  } else if (token_ != Token::Semicolon) {
    return syntaxError();
  }
  ACrdDS(n, a, b);
  TopInstance = 1;
  return true;
}

bool Parser::layer()
{
  if (!need(Token::Separator) || !need(Token::Name))
    return false;
  name_ = scanner_.text();
  if (!need(Token::Semicolon))
    return false;
  ACrdLayer(name_.c_str());
  return true;
}

bool Parser::box()
{
  long v[4];
  for (long& value : v) {
    if (!need(Token::Separator) || !need(Token::Integer))
      return false;
    value = scaled();
  }
  if (!need(Token::Semicolon))
    return false;
  ACrdBox(v[0], v[1], v[2], v[3]);
  return true;
}

// P or W: the values go to Ypoint, times SCALE.
bool Parser::points(Token kind)
{
  Ynum = 0;
  if (!need(Token::Separator))
    return false;
  for (;;) {
    if (!need(Token::Integer))
      return false;
    if (Ynum == kMaxCifValues)
      cif::dataError("More than %d coordinates in a polygon or wire on line %d", kMaxCifValues,
                     linenr);
    Ypoint[Ynum++] = scaled();
    advance();
    if (token_ == Token::Semicolon)
      break;
    if (token_ != Token::Separator)
      return syntaxError();
  }
  if (kind == Token::P)
    ACrdPoly(Ypoint, Ynum);
  else
    ACrdWire(Ypoint, Ynum);
  Ynum = 0;
  return true;
}

bool Parser::call()
{
  if (!need(Token::Separator) || !need(Token::Integer))
    return false;
  long n = integer();
  Ynum = 0;
  for (;;) {
    advance();
    if (token_ == Token::Semicolon)
      break;
    if (token_ != Token::Separator)
      return syntaxError();
    if (!transformation())
      return false;
  }
  ACcallName(n, TopInstance);
  Ynum = 0;
  return true;
}

// One step after its separator: T x y, R a b, MX or MY.
bool Parser::transformation()
{
  Token kind = advance();
  if (kind == Token::MX || kind == Token::MY) {
    ACcallMir(kind == Token::MX ? 'X' : 'Y', Ynum++);
    return true;
  }
  if (kind != Token::T && kind != Token::R)
    return syntaxError();
  if (!need(Token::Separator) || !need(Token::Integer))
    return false;
  long x = integer();
  if (!need(Token::Separator) || !need(Token::Integer))
    return false;
  long y = integer();
  if (kind == Token::T)
    ACcallTran(x * SCALE, y * SCALE, Ynum++);
  else
    ACcallRot(x, y, Ynum++);
  return true;
}

// The user extensions: "code value;", "code name;", "code text x y [layer];".
bool Parser::extension()
{
  long code = integer();
  if (!need(Token::Separator))
    return false;
  advance();
  if (token_ == Token::Integer) {
    integer();
    return need(Token::Semicolon);
  }
  if (token_ != Token::Name)
    return syntaxError();
  name_ = scanner_.text();
  advance();
  if (token_ == Token::Semicolon) {
    ACrdCName(code, name_.c_str());
    return true;
  }
  if (token_ != Token::Separator)
    return syntaxError();
  if (!need(Token::Integer))
    return false;
  long x = scaled();
  if (!need(Token::Separator) || !need(Token::Integer))
    return false;
  long y = scaled();
  advance();
  if (token_ == Token::Semicolon) {
    ACrdLabel(code, name_.c_str(), x, y, "");
    return true;
  }
  if (token_ != Token::Separator)
    return syntaxError();
  if (!need(Token::Name))
    return false;
  layer_ = scanner_.text();
  if (!need(Token::Semicolon))
    return false;
  ACrdLabel(code, name_.c_str(), x, y, layer_.c_str());
  return true;
}

// E, "E;" or "E ;" ends the input.
int Parser::end()
{
  advance();
  if (token_ == Token::Separator && !need(Token::Semicolon))
    return 1;
  cif::endOfInput();
  return 0;
}

void closeInput()
{
  if (cifin)
    fclose(cifin);
  cifin = nullptr;
}

}  // namespace

/*
 * CIFparse --
 *   Reads cifin afresh from line 1 up to the end command and closes it.
 * Returns: 0 on success, 1 on a syntax error (what was read before it stays;
 *   after the two lines of ciferror, the line that was not accepted is
 *   reported, kind E).
 * Side effects: a data error releases every cell, the pins of this load and
 *   the call being assembled, and abandons the action.
 */
int CIFparse()
{
  linenr = 1;
  Ynum = 0;
  bool full = ACcifMode == CifMode::Full;
  std::unique_ptr<cif::Input> input;
  cif::FullReader* fullReader = nullptr;
  if (full)
    input.reset(fullReader = new cif::FullReader(cifin));
  else
    input.reset(new Scanner(cifin));
  cif::reader.scanner = input.get();
  _pin* earlierPins = Gpin;
  int result;
  try {
    result = full ? fullReader->run() : Parser(static_cast<Scanner*>(input.get())).run();
  } catch (const common::OperationAborted&) {
    cif::reader.scanner = nullptr;
    closeInput();
    while (Gpin && Gpin != earlierPins) {
      _pin* pin = Gpin;
      Gpin = pin->next;
      pin->next = nullptr;
      GCfreePins(pin);
    }
    common::releaseLayouts();
    GCfreeInst(ACinst);
    ACinst = nullptr;
    cif::resetState();
    throw;
  }
  if (result != 0) {
    // Name what was not accepted, with its line.
    if (input->text().empty())
      GCmessage(kModule, 'E', "The CIF input ends on line %d without the end command E",
                linenr);
    else
      GCmessage(kModule, 'E', "Line %d of the CIF input is not accepted: %s", linenr,
                input->currentLine().c_str());
    if (!full)
      GCmessage(kModule, 'M',
                "The file may read in full CIF mode: Options > CIF_Mode > Full, "
                "\"f.DIcifMode Full\" in a script, the -f flag, or \"CIFMode full\" in the "
                "system source file");
  }
  if (fullReader)
    fullReader->report();
  cif::reader.scanner = nullptr;
  closeInput();
  GCfreeInst(ACinst);  // a call cut short by a syntax error
  ACinst = nullptr;
  Ynum = 0;
  return result;
}

int ciferror(const char* message)
{
  std::string text(cif::reader.scanner ? cif::reader.scanner->text() : std::string_view());
  common::errf("error on line %d %s: %s\n", linenr, text.c_str(), message);
  GCmessage(kModule, 'E', "CIF error: %s", text.c_str());
  return -1;
}

const char* ACmodeName(CifMode mode) { return mode == CifMode::Full ? "full" : "strict"; }

void ACinitMode(bool fullFlag)
{
  ACcifMode = CifMode::Strict;
  if (fullFlag) {
    ACcifMode = CifMode::Full;
    return;
  }
  const char* value = GCfindName("CIFMode");
  if (!value || strcmp(value, "strict") == 0)
    return;
  if (strcmp(value, "full") == 0)
    ACcifMode = CifMode::Full;
  else
    GCmessage(kModule, 'W', "CIFMode %s in the system source file is neither strict nor full: "
              "CIF is read strictly", value);
}

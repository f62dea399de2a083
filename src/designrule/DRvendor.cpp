// Reader of the vendor technology file.
//
// The file is a sequence of sections, each a keyword, "(", its body and ")"
// followed by a ";" comment (") ;spacingRules").  A body holds subsections,
// entries "( ... )" and comment lines; entries may nest lists.  Only the
// entries of "spacingRules", "mfgGridResolution", "symContactDevice" and
// "symEnhancementDevice" carry rules; everything else is read and dropped.
//
// Tokens: "(", ")", a comment (";" to the end of the line), a quoted name,
// and words (runs of anything else up to a blank or one of ( ) ; ").  A word
// is a keyword when it is one of kKeywords, a number when it reads as one
// ([+-]digits[.digits][e[+-]digits]), otherwise a name.  A number, the name
// e and an integer in a row are one number with an exponent; the lists
// ( times a b ) and ( difference a b ) are numbers too.
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "DRdesignrule.h"
#include "DRstate.h"
#include "Dglobal.h"

FILE* drulein = nullptr;
int drline = 1;

namespace {

using designrule::kModule;

const char* const kKeywords[] = {
    "layerDefinitions", "techPurposes", "techLayers", "techLayerPurposePriorities",
    "techDisplays", "techLayerProperties", "layerRules", "viaLayers", "streamLayers",
    "physicalRules", "orderedSpacingRules", "spacingRules", "mfgGridResolution",
    "electricalRules", "characterizationRules", "controls", "techParams", "techPermissions",
    "devices", "tcCreateCDSDeviceClass", "symEnhancementDevice", "symContactDevice",
    "symPinDevice", "compactorRules", "compactorLayers", "symWires", "lasRules", "lasDevices",
    "lxRules", "lxExtractLayers", "lxNoOverlapLayers", "prRules", "prRoutingLayers",
    "prViaTypes", "prMastersliceLayers"};

const char* const kTopSections[] = {"physicalRules", "electricalRules", "controls",
                                    "layerDefinitions", "layerRules", "devices",
                                    "compactorRules", "lxRules", "lasRules", "prRules"};

constexpr size_t kNameLimit = kBridgeNameLength - 1;  // longest name a table can hold
constexpr int kNestingLimit = 100;                      // deepest list or section

enum class Token { End, Open, Close, Comment, Keyword, Name, Number };

// An error of the file: the reading stops and the message names the line.
struct FileError {
  std::string message;
};

template <size_t N>
bool among(const std::string& word, const char* const (&set)[N])
{
  for (const char* entry : set) {
    if (word == entry)
      return true;
  }
  return false;
}

// True when `word` is [+-]digits[.digits][e[+-]digits] (or [+-].digits...).
bool isNumber(const std::string& word)
{
  size_t i = 0, n = word.size();
  if (i < n && (word[i] == '+' || word[i] == '-'))
    ++i;
  size_t digits = 0;
  while (i < n && isdigit(static_cast<unsigned char>(word[i])))
    ++i, ++digits;
  if (i < n && word[i] == '.') {
    ++i;
    while (i < n && isdigit(static_cast<unsigned char>(word[i])))
      ++i, ++digits;
  }
  if (digits == 0)
    return false;
  if (i < n && (word[i] == 'e' || word[i] == 'E')) {
    ++i;
    if (i < n && (word[i] == '+' || word[i] == '-'))
      ++i;
    size_t exponent = 0;
    while (i < n && isdigit(static_cast<unsigned char>(word[i])))
      ++i, ++exponent;
    if (exponent == 0)
      return false;
  }
  return i == n;
}

class RuleScanner {
 public:
  explicit RuleScanner(FILE* in) : in_(in) {}

  Token next();
  const std::string& text() const { return text_; }
  double number() const { return number_; }

 private:
  FILE* in_;
  std::string text_;
  double number_ = 0;
};

Token RuleScanner::next()
{
  int c;
  for (;;) {
    c = getc(in_);
    if (c == '\n')
      ++drline;
    else if (c != ' ' && c != '\t' && c != '\r' && c != '\f' && c != '\v')
      break;
  }
  text_.clear();
  if (c == EOF)
    return Token::End;
  if (c == '(' || c == ')') {
    text_.assign(1, static_cast<char>(c));
    return c == '(' ? Token::Open : Token::Close;
  }
  if (c == ';') {
    while ((c = getc(in_)) != EOF && c != '\n')
      text_ += static_cast<char>(c);
    if (c == '\n')
      ungetc(c, in_);  // the line is counted by the next token
    return Token::Comment;
  }
  if (c == '"') {
    while ((c = getc(in_)) != '"') {
      if (c == EOF || c == '\n')
        throw FileError{"a quoted name runs to the end of the line"};
      text_ += static_cast<char>(c);
    }
    if (text_.size() > kNameLimit)
      throw FileError{"name \"" + text_.substr(0, 20) + "...\" is longer than " +
                      std::to_string(kNameLimit) + " characters"};
    return Token::Name;
  }
  text_.assign(1, static_cast<char>(c));
  while ((c = getc(in_)) != EOF && !isspace(c) && c != '(' && c != ')' && c != ';' && c != '"')
    text_ += static_cast<char>(c);
  if (c != EOF)
    ungetc(c, in_);
  if (isNumber(text_)) {
    number_ = strtod(text_.c_str(), nullptr);
    if (!std::isfinite(number_))
      throw FileError{"number " + text_ + " is out of range"};
    return Token::Number;
  }
  if (text_.size() > kNameLimit)
    throw FileError{"name \"" + text_.substr(0, 20) + "...\" is longer than " +
                    std::to_string(kNameLimit) + " characters"};
  return among(text_, kKeywords) ? Token::Keyword : Token::Name;
}

// One item of an entry: a name, a number or a nested list.
struct Item {
  enum Kind { Name, Number, List } kind;
  std::string text;
  double value = 0;
  bool integer = false;
  std::vector<Item> items;  // of a list
};

// The numeric value of an item: a number or a times/difference list.
bool valueOf(const Item& item, double* value)
{
  if (item.kind == Item::Number) {
    *value = item.value;
    return true;
  }
  if (item.kind != Item::List || item.items.size() != 3 || item.items[0].kind != Item::Name)
    return false;
  double a, b;
  if (!valueOf(item.items[1], &a) || !valueOf(item.items[2], &b))
    return false;
  if (item.items[0].text == "times")
    *value = a * b;
  else if (item.items[0].text == "difference")
    *value = a - b;
  else
    return false;
  if (!std::isfinite(*value))
    throw FileError{"value of ( " + item.items[0].text + " ... ) is out of range"};
  return true;
}

bool isValue(const Item& item)
{
  double unused;
  return valueOf(item, &unused);
}

class RuleParser {
 public:
  explicit RuleParser(FILE* in) : scanner_(in) {}
  void file();

 private:
  Token advance() { return token_ = scanner_.next(); }
  [[noreturn]] void syntaxError();
  void section(int depth);
  std::vector<Item> list(int depth);
  void entry(const std::string& section, const std::vector<Item>& items);
  void spacingEntry(const std::vector<Item>& items);
  void gridEntry(const std::vector<Item>& items);
  void contactEntry(const std::vector<Item>& items);
  void enhancementEntry(const std::vector<Item>& items);
  double value(const Item& item, const char* what);

  RuleScanner scanner_;
  Token token_ = Token::End;
  int entryLine_ = 0;  // line of the entry being filed
};

void RuleParser::syntaxError()
{
  if (token_ == Token::End)
    throw FileError{"syntax error at the end of the file"};
  std::string text = scanner_.text();
  if (token_ == Token::Comment)
    text = ";" + text;
  throw FileError{"syntax error at \"" + text.substr(0, 40) + "\""};
}

// file := { comment | top-level section } end, with at least one section.
void RuleParser::file()
{
  int sections = 0;
  for (advance(); token_ != Token::End;) {
    if (token_ == Token::Comment) {
      advance();
      continue;
    }
    if (token_ != Token::Keyword || !among(scanner_.text(), kTopSections))
      syntaxError();
    section(1);
    ++sections;
  }
  if (sections == 0)
    throw FileError{"no section in the file"};
}

// section := keyword "(" { comment | section | entry } ")" comment.  The
// current token is the keyword; leaves the token after the comment.
void RuleParser::section(int depth)
{
  if (depth > kNestingLimit)
    throw FileError{"sections nested too deep"};
  std::string name = scanner_.text();
  if (advance() != Token::Open)
    syntaxError();
  for (advance(); token_ != Token::Close;) {
    if (token_ == Token::Comment) {
      advance();
    } else if (token_ == Token::Keyword) {
      section(depth + 1);
    } else if (token_ == Token::Open) {
      entryLine_ = drline;
      std::vector<Item> items = list(depth + 1);
      int line = drline;
      drline = entryLine_;  // filed values and messages name the entry's line
      entry(name, items);
      drline = line;
      advance();
    } else {
      syntaxError();
    }
  }
  int closing = drline;
  if (advance() != Token::Comment) {
    drline = closing;  // the message names the line of the ")"
    throw FileError{"\")\" of " + name + " must be followed by a \";\" comment"};
  }
  advance();
}

// list := "(" { item | comment } ")".  The current token is "("; leaves the
// token at ")".
std::vector<Item> RuleParser::list(int depth)
{
  if (depth > kNestingLimit)
    throw FileError{"lists nested too deep"};
  std::vector<Item> items;
  for (advance(); token_ != Token::Close; advance()) {
    switch (token_) {
      case Token::Comment: break;
      case Token::Open: {
        Item item{Item::List, "", 0, false, list(depth + 1)};
        items.push_back(std::move(item));
        break;
      }
      case Token::Name: items.push_back(Item{Item::Name, scanner_.text(), 0, false, {}}); break;
      case Token::Number: {
        bool integer = scanner_.text().find_first_of(".eE") == std::string::npos;
        size_t n = items.size();
        // number e integer: an exponent
        if (integer && n >= 2 && items[n - 1].kind == Item::Name && items[n - 1].text == "e" &&
            items[n - 2].kind == Item::Number) {
          double scaled = items[n - 2].value * std::pow(10.0, scanner_.number());
          if (!std::isfinite(scaled))
            throw FileError{"number " + items[n - 2].text + " e " + scanner_.text() +
                            " is out of range"};
          items.pop_back();
          items.back().value = scaled;
          items.back().integer = false;
          break;
        }
        items.push_back(Item{Item::Number, scanner_.text(), scanner_.number(), integer, {}});
        break;
      }
      default: syntaxError();
    }
  }
  return items;
}

double RuleParser::value(const Item& item, const char* what)
{
  double v;
  if (!valueOf(item, &v))
    throw FileError{std::string(what) + " is not a number"};
  return v;
}

void RuleParser::entry(const std::string& section, const std::vector<Item>& items)
{
  if (section == "spacingRules")
    spacingEntry(items);
  else if (section == "mfgGridResolution")
    gridEntry(items);
  else if (section == "symContactDevice")
    contactEntry(items);
  else if (section == "symEnhancementDevice")
    enhancementEntry(items);
}

// ( rule layer value ) or ( rule layer1 layer2 value ).  Entries of other
// shapes are dropped, unless they name one of the filed rules.
void RuleParser::spacingEntry(const std::vector<Item>& items)
{
  static const char* const kFiled[] = {"minWidth", "minSpacing", "minEnclosure", "minExtension"};
  size_t n = items.size();
  bool named = n >= 1 && items[0].kind == Item::Name;
  bool layersNamed = n >= 3 && items[1].kind == Item::Name &&
                     (n == 3 || items[2].kind == Item::Name);
  if (named && layersNamed && (n == 3 || n == 4) && isValue(items[n - 1])) {
    const char* layer1 = items[1].text.c_str();
    const char* layer2 = n == 4 ? items[2].text.c_str() : layer1;
    DRrdSpacing(items[0].text.c_str(), layer1, layer2, value(items[n - 1], "value"));
    return;
  }
  if (named && among(items[0].text, kFiled))
    throw FileError{"( " + items[0].text + " ... ) needs one or two layers and a value"};
}

// ( value ): the grid of the rules.
void RuleParser::gridEntry(const std::vector<Item>& items)
{
  if (items.size() != 1)
    throw FileError{"mfgGridResolution needs ( value )"};
  double grid = value(items[0], "the grid");
  if (!(grid > 0))
    throw FileError{"the grid must be positive"};
  DRrdGrid(grid);
}

// Reads the items of a device entry in order.  A layer is a list ( layer
// [purpose] ) or a name, followed by its purpose name when the names of the
// entry's first `layers` layers come in pairs.
class EntryCursor {
 public:
  EntryCursor(const std::vector<Item>& items, const char* form, size_t layers)
      : items_(items), form_(form)
  {
    size_t words = 0;
    for (size_t i = 1; i < items.size() && !isValue(items[i]); ++i)
      words += items[i].kind == Item::List ? 2 : 1;
    withPurpose_ = words >= 2 * layers;
  }

  bool atEnd() const { return at_ >= items_.size(); }
  bool atName() const { return !atEnd() && items_[at_].kind == Item::Name; }
  const std::string& name()
  {
    if (!atName())
      throw FileError{form_};
    return items_[at_++].text;
  }
  const std::string& layer()
  {
    if (!atEnd() && items_[at_].kind == Item::List && !items_[at_].items.empty() &&
        items_[at_].items.size() <= 2 && items_[at_].items[0].kind == Item::Name &&
        items_[at_].items.back().kind == Item::Name)
      return items_[at_++].items[0].text;
    const std::string& layer = name();
    if (withPurpose_)
      name();  // its purpose
    return layer;
  }
  double value()
  {
    double v;
    if (atEnd() || !valueOf(items_[at_], &v))
      throw FileError{form_};
    ++at_;
    return v;
  }
  // Skips a list that is not a value (the contact array).
  void skipList()
  {
    if (!atEnd() && items_[at_].kind == Item::List && !isValue(items_[at_]))
      ++at_;
  }

 private:
  const std::vector<Item>& items_;
  const char* form_;
  size_t at_ = 0;
  bool withPurpose_;
};

// ( name via [purpose] layer1 [purpose1] layer2 [purpose2] w l
//   [( row column xPitch yPitch xBias yBias )] enc1 enc2 ... ).
void RuleParser::contactEntry(const std::vector<Item>& items)
{
  EntryCursor entry(items,
                    "symContactDevice entries are ( name via [purpose] layer1 [purpose] layer2 "
                    "[purpose] width length [( array )] enclosure1 enclosure2 ... )",
                    3);
  entry.name();
  std::string via = entry.layer();
  std::string layer1 = entry.layer();
  std::string layer2 = entry.layer();
  double width = entry.value();
  double length = entry.value();
  entry.skipList();
  double enc1 = entry.value();
  double enc2 = entry.value();
  DRrdSymContact(via.c_str(), layer1.c_str(), layer2.c_str(), width, length, enc1, enc2);
}

// ( name active [purpose] poly [purpose] w l actExt polyExt
//   [implant [purpose] enclosure] ... ).
void RuleParser::enhancementEntry(const std::vector<Item>& items)
{
  EntryCursor entry(items,
                    "symEnhancementDevice entries are ( name active [purpose] poly [purpose] "
                    "width length activeExtension polyExtension [implant [purpose] enclosure] "
                    "... )",
                    2);
  entry.name();
  std::string active = entry.layer();
  std::string poly = entry.layer();
  double width = entry.value();
  double length = entry.value();
  double actExt = entry.value();
  double polyExt = entry.value();
  std::string implant;
  double enclosure = 0;
  if (entry.atName()) {
    implant = entry.name();
    if (entry.atName())
      entry.name();  // its purpose
    enclosure = entry.value();
  }
  DRrdEnhanceDev(active.c_str(), poly.c_str(), width, length, actExt, polyExt, implant.c_str(),
                 enclosure);
}

}  // namespace

/* druleerror -- reports an error of the design rule file with its line. */
void druleerror(const char* message)
{
  GCmessage(kModule, 'E', "Design rule file line %d: %s", drline, message);
}

/*
 * DRULEparse --
 *   Parses the vendor technology file `in` (also left in drulein) and files
 *   its rules according to design_rule_file.
 * Returns: 0 on success, 1 on an error, reported through druleerror.  What
 *   was filed before the error stays: the callers put the tables back.
 */
int DRULEparse(FILE* in)
{
  drulein = in;
  drline = 1;
  int result = 0;
  try {
    RuleParser(in).file();
  } catch (const FileError& error) {
    druleerror(error.message.c_str());
    result = 1;
  }
  drulein = nullptr;
  return result;
}

namespace {

// True when some bridge slot has a vendor layer; a second-variant file
// reaches the tables only through the bridge.
bool bridgeLoaded()
{
  for (const CIFtoCADENCElayers& entry : CifToCadence) {
    if (entry.cadenceLayer[0] != '\0')
      return true;
  }
  return false;
}

}  // namespace

/*
 * DRparseCadenceDesRule1 --
 *   First variant: takes the grid of the CIF input (LAMBDA_T1) and the
 *   collected transistor minima.
 * Returns: 1 when read; 0 when refused (everything as before).
 */
int DRparseCadenceDesRule1(FILE* in)
{
  auto saved = designrule::saveState();
  design_rule_file = 100;
  if (DRULEparse(in) != 0) {
    designrule::restoreState(*saved);
    return 0;
  }
  return 1;
}

/*
 * DRparseCadenceDesRule2 --
 *   Second variant: every rule of the file through the bridge, the dummy
 *   layer's rules, then the conversion into grid units.  The result
 *   replaces all rules.
 * Returns: 1 when read; 0 when refused (all rules as before).
 */
int DRparseCadenceDesRule2(FILE* in)
{
  if (!bridgeLoaded()) {
    GCmessage(kModule, 'E', "No layer bridge: read the bridge file first (f.DRload)");
    return 0;
  }
  auto saved = designrule::saveState();
  design_rule_file = 200;
  DRclearAllRules();
  if (DRULEparse(in) != 0) {
    designrule::restoreState(*saved);
    return 0;
  }
  DRgetDummyConstraint();
  if (!DRupdateDrule()) {
    designrule::restoreState(*saved);
    return 0;
  }
  return 1;
}

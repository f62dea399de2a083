#include "BatchRunner.h"

#include <cstdio>
#include <cstring>
#include <sstream>

#include "Dmenu.h"

namespace batch {

void BatchFrontEnd::openFileDialog(int c)
{
  dialog = Dialog::File;
  code = c;
}

void BatchFrontEnd::openPrompt(int c, const char*, const char*)
{
  dialog = Dialog::Prompt;
  code = c;
}

Runner::Runner() { common::setFrontEnd(&frontEnd_); }
Runner::~Runner() { common::setFrontEnd(nullptr); }

namespace {

std::string trimmed(const std::string& text)
{
  size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos)
    return "";
  size_t last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

bool inTable(const std::string& name)
{
  for (const _Actionindex& row : DactionIndex)
    if (name == row.name)
      return true;
  return false;
}

// Splits "word rest of line" at the first blank.
void splitFirst(const std::string& text, std::string* first, std::string* rest)
{
  size_t blank = text.find_first_of(" \t");
  *first = text.substr(0, blank);
  *rest = blank == std::string::npos ? "" : trimmed(text.substr(blank));
}

}  // namespace

bool Runner::fail(const char* format, const std::string& what)
{
  common::flushOutput();
  fprintf(stderr, "quorin-batch: line %d: ", lineNumber_);
  fprintf(stderr, format, what.c_str());
  fputc('\n', stderr);
  return false;
}

/*
 * runLine --
 *   One script line: an action name and its arguments.  An Xt-style action
 *   gets its first word as the button label, a string handler as its string;
 *   a file dialog the action opens takes the whole argument text as the path,
 *   a value prompt the words after the label.
 * Returns: false when the line failed and the script must stop.
 */
bool Runner::runLine(const std::string& raw)
{
  std::string line = trimmed(raw.substr(0, raw.find('#')));
  if (line.empty())
    return true;
  std::string name, arguments;
  splitFirst(line, &name, &arguments);

  ActionHandler handler = DIfindCallback(name.c_str());
  if (!inTable(name)) {
    callback::run(handler, nullptr);  // NullAction: the "Hello!" line
    return fail("%s is not an action", name);
  }

  std::string label, rest;
  splitFirst(arguments, &label, &rest);
  frontEnd_.dialog = BatchFrontEnd::Dialog::None;
  callback::Outcome outcome = callback::run(handler, handler.action2 ? nullptr : label.c_str());
  if (outcome != callback::Outcome::Done)
    return fail("%s was abandoned", name);

  std::string answer;
  switch (frontEnd_.dialog) {
    case BatchFrontEnd::Dialog::None:
      if (handler.action && !rest.empty())
        return fail("%s opened no dialog for its arguments", name);
      return true;
    case BatchFrontEnd::Dialog::File:
      answer = arguments;
      if (answer.empty())
        return fail("%s needs a file name", name);
      break;
    case BatchFrontEnd::Dialog::Prompt:
      answer = rest;
      if (answer.empty())
        return fail("%s needs a value after the label", name);
      break;
  }
  switch (callback::accept(frontEnd_.code, answer.c_str())) {
    case callback::Outcome::Done: return true;
    case callback::Outcome::KeepDialog: return fail("%s: the file could not be opened", name);
    case callback::Outcome::Failed: return fail("%s failed", name);
    case callback::Outcome::Abandoned: return fail("%s was abandoned", name);
  }
  return true;
}

int Runner::run(std::istream& script)
{
  std::string line;
  while (std::getline(script, line)) {
    ++lineNumber_;
    if (!runLine(line))
      return 1;
  }
  common::flushOutput();
  return 0;
}

}  // namespace batch

// A description of the window for tests that drive it from outside: when
// QUORIN_GEOMETRY names a file, every widget's place on the screen and the
// main viewport are appended to it whenever the window may have changed;
// when QUORIN_REPORT names one, it is rewritten then with the text of the
// report pane.
#include "Dinterface.h"

#include <X11/IntrinsicP.h>
#include <Xm/Label.h>
#include <Xm/MessageB.h>
#include <Xm/Xm.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "DIshell.h"
#include "Dview.h"

namespace {

constexpr unsigned long kSettleMs = 150;  // the display settles before a dump

const char* geometryFile() { return getenv("QUORIN_GEOMETRY"); }
const char* reportFile() { return getenv("QUORIN_REPORT"); }

// Writes the report pane's text through a temporary file, so that a reader
// never sees half of it.
void writeReport(const char* path)
{
  std::string text = interface::reportText();
  std::string temporary = std::string(path) + ".part";
  FILE* out = fopen(temporary.c_str(), "w");
  if (!out)
    return;
  bool written = fwrite(text.data(), 1, text.size(), out) == text.size();
  if (fclose(out) == 0 && written)
    rename(temporary.c_str(), path);
}

// A label's text, or a message box's; blanks and line ends become "_".
std::string labelOf(Widget w)
{
  XmString label = nullptr;
  if (XtIsSubclass(w, xmLabelWidgetClass))
    XtVaGetValues(w, XmNlabelString, &label, nullptr);
  else if (XtIsSubclass(w, xmMessageBoxWidgetClass))
    XtVaGetValues(w, XmNmessageString, &label, nullptr);
  else
    return "-";
  if (!label)
    return "-";
  char* text = static_cast<char*>(
      XmStringUnparse(label, nullptr, XmCHARSET_TEXT, XmCHARSET_TEXT, nullptr, 0, XmOUTPUT_ALL));
  XmStringFree(label);
  std::string result = text && *text ? text : "-";
  XtFree(text);
  for (char& c : result)
    if (c == ' ' || c == '\n' || c == '\t')
      c = '_';
  return result;
}

bool viewable(Widget w)
{
  XWindowAttributes attributes;
  return XtIsRealized(w) && XGetWindowAttributes(theDisplay, XtWindow(w), &attributes) &&
         attributes.map_state == IsViewable;
}

// One line per widget: path, label, root x and y, width, height, viewable.
void describe(FILE* out, Widget w, const std::string& parent)
{
  if (!XtIsWidget(w))
    return;
  std::string path = parent.empty() ? XtName(w) : parent + "." + XtName(w);
  Position x = 0, y = 0;
  if (XtIsRealized(w))
    XtTranslateCoords(w, 0, 0, &x, &y);
  fprintf(out, "%s %s %d %d %d %d %d\n", path.c_str(), labelOf(w).c_str(), x, y, w->core.width,
          w->core.height, viewable(w) ? 1 : 0);
  if (XtIsComposite(w)) {
    CompositeWidget composite = reinterpret_cast<CompositeWidget>(w);
    for (Cardinal i = 0; i < composite->composite.num_children; ++i)
      describe(out, composite->composite.children[i], path);
  }
  for (Cardinal i = 0; i < w->core.num_popups; ++i)
    describe(out, w->core.popup_list[i], path);
}

void dumpLater(XtPointer, XtIntervalId*)
{
  interface::state().dumpTimer = 0;
  interface::dumpGeometry();
}

}  // namespace

namespace interface {

void dumpGeometry()
{
  if (!theDeskWidget)
    return;
  if (const char* report = reportFile())
    writeReport(report);
  const char* path = geometryFile();
  if (!path)
    return;
  FILE* out = fopen(path, "a");
  if (!out)
    return;
  fprintf(out, "#dump\nview %g %ld %ld\n", Vmain->scale, Vmain->ox, Vmain->oy);
  describe(out, theDeskWidget, "");
  fprintf(out, "#end\n");
  fclose(out);
}

// The dump waits until nothing changed for a while.
void dumpGeometrySoon()
{
  if ((!geometryFile() && !reportFile()) || !app)
    return;
  if (state().dumpTimer)
    XtRemoveTimeOut(state().dumpTimer);
  state().dumpTimer = XtAppAddTimeOut(app, kSettleMs, dumpLater, nullptr);
}

}  // namespace interface

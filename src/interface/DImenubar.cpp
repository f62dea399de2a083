// The menu bar and its pulldowns, built from the menu tree.
#include "Dinterface.h"

#include <Xm/RowColumn.h>
#include <Xm/Xm.h>

#include "DIshell.h"
#include "Dmenu.h"

namespace {

// A push button runs its handler as the dispatcher does, with the label.
void activateCB(Widget, XtPointer client, XtPointer)
{
  auto* button = static_cast<_Buttons*>(client);
  callback::run(button->callback, button->client_data);
  interface::flushViews();
  interface::dumpGeometrySoon();
}

void mapCB(Widget, XtPointer, XtPointer) { interface::dumpGeometrySoon(); }

Widget pulldown(Widget parent, const char* name)
{
  Widget menu = XmCreatePulldownMenu(parent, const_cast<char*>(name), nullptr, 0);
  XtAddCallback(menu, XmNmapCallback, mapCB, nullptr);
  return menu;
}

}  // namespace

/*
 * CreatePulldown --
 *   Fills a pulldown with its buttons: push buttons bound to their
 *   handlers, cascades with their own pulldowns, separators.
 */
void CreatePulldown(Widget menu, _Buttons* buttons, _Buttons* /*parent*/)
{
  for (_Buttons* b = buttons; b; b = b->next) {
    switch (b->type) {
      case 0:
        b->w = CreatePushButton(b->label, menu, activateCB, b);
        break;
      case 1: {
        Widget sub = pulldown(menu, b->label);
        b->w = sub;
        b->cascade = CreateCascade(b->label, b->label[0], sub, menu);
        CreatePulldown(sub, b->pulldown, b);
        break;
      }
      default:
        b->w = CreateSeparator("separator", menu);
        break;
    }
  }
}

void DIcreateMenuBar(Widget parent)
{
  for (_Menutree* t = Dmenu; t; t = t->brother) {
    Widget menu = pulldown(parent, t->label);
    t->w = menu;
    t->cascade = CreateCascade(t->label, t->label[0], menu, parent);
    CreatePulldown(menu, t->buttonlist, nullptr);
  }
}

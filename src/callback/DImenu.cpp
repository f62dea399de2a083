// Reading the menu description file into the menu tree.
//
// The file is read as white-space separated words.  Words before the first
// "MENUBAR" are ignored; then come menus, each a name, "{", entries of
// exactly three words (type, label, third word) and "}".  The first menu is
// the menu bar.
#include "Dmenu.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "DTtechnology.h"
#include "Dglobal.h"
#include "Dlayout.h"

_Menustruct* MenuStruct = nullptr;
_Menutree* Dmenu = nullptr;

namespace {

constexpr int kModule = 1;
constexpr int kMaxMenuDepth = 64;  // submenus nested deeper than this are a loop

[[noreturn]] void menuError(const char* format, const std::string& word)
{
  GCmessage(kModule, 'F', format, word.c_str());
  common::abandonAction(1);
}

std::vector<std::string> readWords(FILE* file)
{
  std::vector<std::string> words;
  char word[1024];
  while (fscanf(file, "%1023s", word) == 1)
    words.emplace_back(word);
  return words;
}

void copyWord(char (&field)[kMenuWordLength], const std::string& word)
{
  if (word.size() >= kMenuWordLength)
    menuError("Menu description error: %s", word);
  snprintf(field, sizeof field, "%s", word.c_str());
}

// Parses the menus from the first "MENUBAR" on; file order is kept.
_Menustruct* parseMenus(const std::vector<std::string>& words)
{
  size_t at = 0;
  while (at < words.size() && words[at] != "MENUBAR")
    ++at;
  _Menustruct* first = nullptr;
  _Menustruct** tail = &first;
  while (at < words.size()) {
    auto* menu = common::make<_Menustruct>();
    *tail = menu;
    tail = &menu->next;
    copyWord(menu->name, words[at++]);
    if (at >= words.size() || words[at] != "{")
      menuError("Menu description error: %s", menu->name);
    ++at;
    while (at < words.size() && words[at] != "}") {
      if (menu->num >= kMenuEntries || at + 3 > words.size())
        menuError("Menu description error: %s", menu->name);
      _Menulist& entry = menu->list[menu->num++];
      copyWord(entry.type, words[at]);
      copyWord(entry.label, words[at + 1]);
      copyWord(entry.submenu, words[at + 2]);
      at += 3;
    }
    if (at >= words.size())
      menuError("Menu description error: %s", menu->name);
    ++at;
  }
  return first;
}

_Buttons* newButton(const char* label, int type)
{
  auto* button = common::make<_Buttons>();
  snprintf(button->label, sizeof button->label, "%s", label);
  button->type = type;
  return button;
}

// One button per technology layer, last layer first.
_Buttons* layerButtons()
{
  _Buttons* first = nullptr;
  _Buttons** tail = &first;
  for (int i = GlayerNum - 1; i >= 0; --i) {
    _Buttons* button = newButton(Glayers[i].name, 0);
    button->callback.action = DIsetActive;
    button->client_data = GCstrcpy(Glayers[i].name);
    *tail = button;
    tail = &button->next;
  }
  return first;
}

_Buttons* findButtons(_Menustruct* menus, const char* name, int depth)
{
  _Menustruct* menu = menus;
  while (menu && strcmp(menu->name, name) != 0)
    menu = menu->next;
  if (!menu)
    menuError("Can't find the %s submenu", name);
  if (depth > kMaxMenuDepth)
    menuError("Menu description error: %s", name);

  _Buttons* first = nullptr;
  _Buttons** tail = &first;
  for (int k = 0; k < menu->num; ++k) {
    const _Menulist& entry = menu->list[k];
    _Buttons* button;
    if (strcmp(entry.type, "BUTTON") == 0) {
      button = newButton(entry.label, 0);
      button->callback = DIfindCallback(entry.submenu);
      button->client_data = GCstrcpy(entry.label);
    } else if (strcmp(entry.type, "PULLDOWN") == 0) {
      button = newButton(entry.label, 1);
      button->pulldown = findButtons(menus, entry.submenu, depth + 1);
    } else if (strcmp(entry.type, "SEPARATOR") == 0) {
      button = newButton(entry.label, 2);
    } else if (strcmp(entry.type, "LAYERS") == 0) {
      button = newButton(entry.label, 1);
      button->pulldown = layerButtons();
    } else {
      menuError("Menu description error: %s", entry.type);
    }
    *tail = button;
    tail = &button->next;
  }
  return first;
}

void freeButtons(_Buttons* button)
{
  while (button) {
    _Buttons* next = button->next;
    freeButtons(button->pulldown);
    GCfreeString(button->client_data);
    common::release(button);
    button = next;
  }
}

}  // namespace

_Buttons* DIfindButton(_Menustruct* menus, const char* name)
{
  return findButtons(menus, name, 0);
}

_Menutree* DImenuData(_Menustruct* menus)
{
  if (!menus)
    return nullptr;
  _Menutree* first = nullptr;
  _Menutree** tail = &first;
  for (int k = 0; k < menus->num; ++k) {
    const _Menulist& entry = menus->list[k];
    auto* tree = common::make<_Menutree>();
    snprintf(tree->label, sizeof tree->label, "%s", entry.label);
    if (strcmp(entry.label, "Layers") != 0)
      tree->buttonlist = DIfindButton(menus, entry.submenu);
    *tail = tree;
    tail = &tree->brother;
  }
  return first;
}

void DIfreeMenuStruct(_Menustruct* menus)
{
  while (menus) {
    _Menustruct* next = menus->next;
    common::release(menus);
    menus = next;
  }
}

void DIfreeMenuTree(_Menutree* tree)
{
  while (tree) {
    _Menutree* next = tree->brother;
    freeButtons(tree->buttonlist);
    common::release(tree);
    tree = next;
  }
}

/*
 * DImenuInit --
 *   Reads the menu description file named by MenuFile into the menu tree
 *   Dmenu.  A missing file, submenu or unknown entry type ends the program.
 */
void DImenuInit()
{
  std::string path = common::sysrcFile("MenuFile");
  FILE* file = fopen(path.c_str(), "r");
  if (!file) {
    GCmessage(kModule, 'F', "Menu description not available");
    common::abandonAction(1);
  }
  std::vector<std::string> words = readWords(file);
  fclose(file);
  MenuStruct = parseMenus(words);
  DIfreeMenuTree(Dmenu);
  Dmenu = DImenuData(MenuStruct);
  DIfreeMenuStruct(MenuStruct);
  MenuStruct = nullptr;
}

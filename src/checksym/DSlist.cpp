// The parsed symmetry-check list: the parser's actions in both modes, the
// canonical form and key of a matcher block, the block-key hash, the dump
// and the release of the parsed and the result lists.
#include "DSsymmetry.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "DSint.h"
#include "Dglobal.h"

_symlist* SymStart = nullptr;
_symlist* Symlist = nullptr;
_symlist* lastSymlist_elem = nullptr;
_DSYMHashTable* SYMHash = nullptr;
_sym_constraint_list* final_sym_list = nullptr;
_res_sym_constraint_list* final_res_sym_list = nullptr;
int Startblock = 0;
int HIERSYMSET = 0;
int block_number = 1;
int linenum = 1;
FILE* dchecksymin = nullptr;

namespace {

// The block element being read.  In textual mode it is already the head of
// the list; in hierarchical mode it is linked only once its key is known.
_symlist* currentBlock = nullptr;
bool currentLinked = false;

// Copies a name into a record's field, cut to the field's size.
void copyName(char (&field)[kSymNameSize], const char* name)
{
  snprintf(field, sizeof field, "%s", name ? name : "");
}

_symlist* newElement()
{
  _symlist* e = new _symlist{};
  e->spacing = -1.0;
  return e;
}

void freeBlockChain(_blocklist* b)
{
  while (b) {
    _blocklist* next = b->next;
    delete b;
    b = next;
  }
}

void freeElement(_symlist* e)
{
  freeBlockChain(e->block);
  delete e;
}

// Puts a pair at the front of the current block's chain.
void addToCurrentBlock(const char* name1, const char* name2, double spacing)
{
  if (!currentBlock)
    return;
  _blocklist* b = new _blocklist{};
  copyName(b->name1, name1);
  copyName(b->name2, name2);
  b->spacing = spacing;
  b->next = currentBlock->block;
  currentBlock->block = b;
  currentBlock->type = 1;
}

// Every key of SYMHash, whole, for lookups in constant time; the chains
// keep the buckets and order of the table itself.
std::unordered_map<std::string, _DSYMList_*>& keyIndex()
{
  static std::unordered_map<std::string, _DSYMList_*> index;
  return index;
}

void clearSymHash()
{
  keyIndex().clear();
  if (!SYMHash)
    return;
  for (int i = 0; i < SYMHash->tablesize; ++i) {
    _DSYMList_* e = SYMHash->SList[i].next;
    while (e) {
      _DSYMList_* next = e->next;
      delete e;
      e = next;
    }
    SYMHash->SList[i].next = nullptr;
  }
}

// The key of a block: name1 and name2 of every entry, in chain order.
std::string blockKey(const _symlist* element)
{
  std::string key;
  for (const _blocklist* b = element ? element->block : nullptr; b; b = b->next)
    key.append(b->name1).append(b->name2);
  return key;
}

}  // namespace

namespace checksym {

void beginBlock()
{
  dropOpenBlock();
  Startblock = 1;
  if (HIERSYMSET) {
    // The first block also makes the list's empty head element.
    if (!SymStart)
      SymStart = lastSymlist_elem = newElement();
    currentBlock = Symlist = newElement();
    currentLinked = false;
    return;
  }
  _symlist* e = newElement();
  e->next = SymStart;
  SymStart = Symlist = currentBlock = e;
  currentLinked = true;
}

void endBlock()
{
  Startblock = 0;
  if (currentLinked)
    currentBlock = nullptr;
}

void dropOpenBlock()
{
  if (currentBlock && !currentLinked)
    freeElement(currentBlock);
  currentBlock = nullptr;
  Startblock = 0;
}

}  // namespace checksym

/*
 * DSrdInit --
 *   Empties the parsed list, its key hash and both result lists before a
 *   file is read.
 */
void DSrdInit()
{
  DSfreeSymList();
  DSfreeFinalSymList();
  DSfreeFinalResSymList();
  InitSYMHash();
  Startblock = 0;
  block_number = 1;
}

// A pair of the matcher's output (hierarchical mode): kept inside blocks only.
void PutInSymList(const char* name1, const char* name2, int inblock)
{
  if (inblock)
    addToCurrentBlock(name1, name2, -1.0);
}

void PutInTextualSymList(const char* name1, const char* name2, int inblock)
{
  PutInTextualSymListWithSpacing(name1, name2, -1.0, inblock);
}

// A pair of the designer's file: into the current block, or as a new single
// pair at the front of the list.
void PutInTextualSymListWithSpacing(const char* name1, const char* name2, double spacing, int inblock)
{
  if (inblock) {
    addToCurrentBlock(name1, name2, spacing);
    return;
  }
  _symlist* e = newElement();
  copyName(e->name1, name1);
  copyName(e->name2, name2);
  e->spacing = spacing;
  e->next = SymStart;
  SymStart = Symlist = e;
}

// The reference transistor after a matcher block: name3 of all its pairs.
void PutInSymRespList(const char* name)
{
  if (!currentBlock)
    return;
  for (_blocklist* b = currentBlock->block; b; b = b->next)
    copyName(b->name3, name);
}

/*
 * OrderSymList --
 *   Ends a matcher block: puts it into canonical form (each pair with the
 *   smaller number first, the pairs by the number of their first name) and
 *   keeps it at the tail of the list unless a block with the same key was
 *   kept before.
 * Side effects: the current block is linked or freed.
 */
void OrderSymList()
{
  _symlist* e = currentLinked ? nullptr : currentBlock;
  currentBlock = nullptr;
  if (!e)
    return;
  std::vector<_blocklist*> entries;
  for (_blocklist* b = e->block; b; b = b->next) {
    if (checksym::nameNumber(b->name1) > checksym::nameNumber(b->name2))
      std::swap(b->name1, b->name2);
    entries.push_back(b);
  }
  // The number of name1 orders the pairs; the rest only settles ties, so
  // that equal blocks always give the same key.
  std::sort(entries.begin(), entries.end(), [](const _blocklist* a, const _blocklist* b) {
    long a1 = checksym::nameNumber(a->name1), b1 = checksym::nameNumber(b->name1);
    if (a1 != b1)
      return a1 < b1;
    long a2 = checksym::nameNumber(a->name2), b2 = checksym::nameNumber(b->name2);
    if (a2 != b2)
      return a2 < b2;
    int c = strcmp(a->name1, b->name1);
    return c != 0 ? c < 0 : strcmp(a->name2, b->name2) < 0;
  });
  e->block = nullptr;
  for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
    (*it)->next = e->block;
    e->block = *it;
  }
  std::string key = blockKey(e);
  if (key.empty())
    common::outText("$$$$$$   Sanity Check : Key is empty!\n\n");
  else
    common::outf("##### => key = %s\n", key.c_str());
  if (!InsertSYMToHash(key.c_str(), e)) {
    freeElement(e);
    return;
  }
  if (!lastSymlist_elem && SymStart)
    for (lastSymlist_elem = SymStart; lastSymlist_elem->next;)
      lastSymlist_elem = lastSymlist_elem->next;
  if (lastSymlist_elem)
    lastSymlist_elem->next = e;
  else
    SymStart = e;
  lastSymlist_elem = e;
}

// Makes the block-key hash, or empties it when it exists.
void InitSYMHash()
{
  if (SYMHash) {
    clearSymHash();
    return;
  }
  SYMHash = new _DSYMHashTable;
  SYMHash->tablesize = kSymHashSize;
  SYMHash->SList = new _DSYMList_[kSymHashSize]();
}

// h = h * 37 + c over the key's signed characters, kept to 32 bits, then
// reduced into 0 .. tablesize - 1.
int computeHash(const char* key, int tablesize)
{
  if (tablesize <= 0)
    return 0;
  uint32_t h = 0;
  for (const char* p = key; *p; ++p)
    h = h * 37u + static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(*p)));
  int r = static_cast<int32_t>(h) % tablesize;
  return r < 0 ? r + tablesize : r;
}

// A key longer than `id` holds is kept there cut; the index has it whole.
_DSYMList_* FindSymPosinHash(const char* key)
{
  if (!SYMHash || !key)
    return nullptr;
  auto found = keyIndex().find(key);
  return found == keyIndex().end() ? nullptr : found->second;
}

int InsertSYMToHash(const char* key, _symlist* element)
{
  if (!SYMHash)
    InitSYMHash();
  if (FindSymPosinHash(key))
    return 0;
  _DSYMList_& head = SYMHash->SList[computeHash(key, SYMHash->tablesize)];
  _DSYMList_* e = new _DSYMList_{};
  snprintf(e->id, sizeof e->id, "%s", key);
  e->sym = element;
  e->next = head.next;
  head.next = e;
  keyIndex().emplace(key, e);
  return 1;
}

/*
 * WriteSymCheckOutput --
 *   Prints the parsed list on standard output, to check a matcher read.
 */
void WriteSymCheckOutput()
{
  common::outText("\n\nJust to see if the text input is parsed correctly!\n");
  for (const _symlist* e = SymStart; e; e = e->next) {
    if (e->type != 1) {
      common::outf("name1 = %s name2= %s\n", e->name1, e->name2);
      continue;
    }
    common::outText("\nInside a block\n");
    for (const _blocklist* b = e->block; b; b = b->next) {
      common::outf("name1 = %s name2= %s ", b->name1, b->name2);
      if (b->name3[0])
        common::outf("name3 = %s\n", b->name3);
      else
        common::outText("\n");
    }
    common::outText("\nDone with the block\n\n");
  }
  common::outText("\n\n\nDone with checking\n\n");
}

void DSfreeSymList()
{
  checksym::dropOpenBlock();
  for (_symlist* e = SymStart; e;) {
    _symlist* next = e->next;
    freeElement(e);
    e = next;
  }
  SymStart = Symlist = lastSymlist_elem = nullptr;
  clearSymHash();  // its entries point into the list
}

void DSfreeFinalSymList()
{
  while (final_sym_list) {
    _sym_constraint_list* next = final_sym_list->next;
    delete final_sym_list;
    final_sym_list = next;
  }
}

void DSfreeFinalResSymList()
{
  while (final_res_sym_list) {
    _res_sym_constraint_list* next = final_res_sym_list->next;
    delete final_res_sym_list;
    final_res_sym_list = next;
  }
}

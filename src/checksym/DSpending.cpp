// The symmetry-check reader is not built yet: its globals, the release of
// its lists, and a parser that reads nothing.
#include "DSsymmetry.h"

#include "Dglobal.h"

FILE* dchecksymin = nullptr;
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

void DSfreeSymList()
{
  while (SymStart) {
    _symlist* next = SymStart->next;
    while (SymStart->block) {
      _blocklist* b = SymStart->block->next;
      delete SymStart->block;
      SymStart->block = b;
    }
    delete SymStart;
    SymStart = next;
  }
  Symlist = lastSymlist_elem = nullptr;
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

void DSrdInit()
{
  DSfreeSymList();
  DSfreeFinalSymList();
  DSfreeFinalResSymList();
  block_number = 1;
}

int SYMparse()
{
  if (dchecksymin)
    fclose(dchecksymin);
  dchecksymin = nullptr;
  common::notAvailable("SYMparse");
  return 1;
}

void StoreSymmetricResistor() {}
void WriteSymCheckOutput() {}

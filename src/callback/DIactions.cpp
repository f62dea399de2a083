// The action table: every action name a menu button can be bound to.
#include "Dmenu.h"

#include <cstring>

#include "CS.h"
#include "DEextract.h"
#include "DFfault.h"
#include "DHhierarchy.h"
#include "DPparasitic.h"
#include "DSsymmetry.h"
#include "DUsize.h"
#include "DYyield.h"
#include "Dcompact.h"
#include "Devent.h"
#include "Dglobal.h"
#include "Dlayout.h"
#include "Dview.h"
#include "SBsubstrate.h"

namespace {
constexpr ActionCallback kNoCallback = nullptr;
constexpr StringHandler kNoString = nullptr;
constexpr PlainHandler kNoPlain = nullptr;
}  // namespace

#define CALLBACK_ROW(name, fn) {name, fn, kNoString, kNoPlain}
#define STRING_ROW(name, fn) {name, kNoCallback, fn, kNoPlain}
#define PLAIN_ROW(name, fn) {name, kNoCallback, kNoString, fn}

const _Actionindex DactionIndex[kActionCount] = {
    PLAIN_ROW("f.new", NullAction),                                  // 0
    PLAIN_ROW("f.open", NullAction),                                 // 1
    PLAIN_ROW("f.hello", NullAction),                                // 2
    PLAIN_ROW("f.exit", DIexit),                                     // 3
    PLAIN_ROW("f.editor", DIeditor),                                 // 4
    PLAIN_ROW("f.new", NullAction),                                  // 5
    CALLBACK_ROW("f.DIrdLayout", DIrdLayout),                        // 6
    CALLBACK_ROW("f.DIldLayout", DIldLayout),                        // 7
    PLAIN_ROW("f.DIplayback", DIplayback),                           // 8
    CALLBACK_ROW("f.DVredraw", DVredraw),                            // 9
    PLAIN_ROW("f.DVfit", callback::fitView),                         // 10
    PLAIN_ROW("f.DVzoomin", DVzoomin),                               // 11
    PLAIN_ROW("f.DVzoomout", DVzoomout),                             // 12
    PLAIN_ROW("f.DVpan", DVpan),                                     // 13
    PLAIN_ROW("f.GCsmash", GCsmash),                                 // 14
    PLAIN_ROW("f.DCcrtCS", DCcrtCS),                                 // 15
    PLAIN_ROW("f.GCflatten", GCflatten),                             // 16
    PLAIN_ROW("f.GCunflatten", GCunflatten),                         // 17
    CALLBACK_ROW("f.DIcloseMess", DIcloseMess),                      // 18
    CALLBACK_ROW("f.DIcloseComm", DIcloseComm),                      // 19
    CALLBACK_ROW("f.DIclosePane", DIclosePane),                      // 20
    CALLBACK_ROW("f.DIopenMess", DIopenMess),                        // 21
    CALLBACK_ROW("f.DIopenComm", DIopenComm),                        // 22
    CALLBACK_ROW("f.DIopenPane", DIopenPane),                        // 23
    CALLBACK_ROW("f.DIldTech", DIldTech),                            // 24
    PLAIN_ROW("f.DVsuper", DVsuper),                                 // 25
    PLAIN_ROW("f.BoundBox", BoundBox),                               // 26
    CALLBACK_ROW("f.DIldSym", DIldSym),                              // 27
    PLAIN_ROW("f.DirectSymDetection", DirectSymDetection),           // 28
    PLAIN_ROW("f.HierarchicalSymDetection", HierarchicalSymDetection),  // 29
    CALLBACK_ROW("f.DIldDesRule", DIldDesRule),                      // 30
    PLAIN_ROW("f.new_resize", new_resize),                           // 31
    PLAIN_ROW("f.new_resize60", new_resize60),                       // 32
    PLAIN_ROW("f.USupdateparameter", USupdateparameter),             // 33
    CALLBACK_ROW("f.DRload", DRload),                                // 34
    CALLBACK_ROW("f.DRloadCadenceDesRule1", DRloadCadenceDesRule1),  // 35
    CALLBACK_ROW("f.DRloadCadenceDesRule2", DRloadCadenceDesRule2),  // 36
    CALLBACK_ROW("f.UStransSizeFile", UStransSizeFile),              // 37
    PLAIN_ROW("f.SBmain", SBmain),                                   // 38
    PLAIN_ROW("f.GCfreeH", GCfreeH),                                 // 39
    PLAIN_ROW("f.GCfreeS", GCfreeS),                                 // 40
    PLAIN_ROW("f.GCfreeCS", GCfreeCS),                               // 41
    PLAIN_ROW("f.GCactivateH", GCactivateH),                         // 42
    PLAIN_ROW("f.GCactivateS", GCactivateS),                         // 43
    PLAIN_ROW("f.GCactivateCS", GCactivateCS),                       // 44
    STRING_ROW("f.DExDefIO", DExDefIO),                              // 45
    PLAIN_ROW("f.DExCir", DExCir),                                   // 46
    PLAIN_ROW("f.DExOutput", DExOutput),                             // 47
    PLAIN_ROW("f.DCtile", DCtile),                                   // 48
    PLAIN_ROW("f.DCupper", DCupper),                                 // 49
    PLAIN_ROW("f.DClower", DClower),                                 // 50
    PLAIN_ROW("f.DCright", DCright),                                 // 51
    PLAIN_ROW("f.DCleft", DCleft),                                   // 52
    PLAIN_ROW("f.DCneighbors", DCneighbors),                         // 53
    PLAIN_ROW("f.CheckAll", CheckAll),                               // 54
    PLAIN_ROW("f.CheckAllNode", CheckAllNode),                       // 55
    PLAIN_ROW("f.DExShowObj", DExShowObj),                           // 56
    PLAIN_ROW("f.SelTrans1", SelTrans1),                             // 57
    PLAIN_ROW("f.SelTrans2", SelTrans2),                             // 58
    PLAIN_ROW("f.TransSym", TransSym),                               // 59
    PLAIN_ROW("f.DExShowATran", DExShowATran),                       // 60
    PLAIN_ROW("f.DExShowANet", DExShowANet),                         // 61
    PLAIN_ROW("f.DExSelectNetTileObj", DExSelectNetTileObj),         // 62
    PLAIN_ROW("f.DExSelectNetGraphObj", DExSelectNetGraphObj),       // 63
    PLAIN_ROW("f.DFex1LayerS", DFex1LayerS),                         // 64
    PLAIN_ROW("f.DFex1NetS", DFex1NetS),                             // 65
    PLAIN_ROW("f.DFex1NetO", DFex1NetO),                             // 66
    PLAIN_ROW("f.DFshowShort", DFshowShort),                         // 67
    PLAIN_ROW("f.DFex1LayerO", DFex1LayerO),                         // 68
    PLAIN_ROW("f.DFshowOpen", DFshowOpen),                           // 69
    STRING_ROW("f.DExNameNet", DExNameNet),                          // 70
    PLAIN_ROW("f.GCdump", GCdump),                                   // 71
    PLAIN_ROW("f.DYcritCompS", DYcritCompS),                         // 72
    PLAIN_ROW("f.DYcritCompO", DYcritCompO),                         // 73
    PLAIN_ROW("f.DFexLayersS", DFexLayersS),                         // 74
    PLAIN_ROW("f.DFexLayersP", DFexLayersP),                         // 75
    PLAIN_ROW("f.DFexLayersO", DFexLayersO),                         // 76
    PLAIN_ROW("f.DYdx", DYdx),                                       // 77
    PLAIN_ROW("f.DYCarea", DYCarea),                                 // 78
    PLAIN_ROW("f.DYpof", DYpof),                                     // 79
    PLAIN_ROW("f.DYanaShort", DYanaShort),                           // 80
    PLAIN_ROW("f.DYanaOpen", DYanaOpen),                             // 81
    CALLBACK_ROW("f.DIsetForm", DIsetForm),                          // 82
    PLAIN_ROW("f.DIstartPB", DIstartPB),                             // 83
    PLAIN_ROW("f.DIendPB", DIendPB),                                 // 84
    CALLBACK_ROW("f.DIhswitch", DIhswitch),                          // 85
    CALLBACK_ROW("f.DIsswitch", DIsswitch),                          // 86
    CALLBACK_ROW("f.DIlswitch", DIlswitch),                          // 87
    PLAIN_ROW("f.DYyx", DYyx),                                       // 88
    CALLBACK_ROW("f.DIcifMode", DIcifMode),                          // 89
    CALLBACK_ROW("f.DIrdGds", DIrdGds),                              // 90
    CALLBACK_ROW("f.DIldGds", DIldGds),                              // 91
    CALLBACK_ROW("f.DIldGdsMap", DIldGdsMap),                        // 92
};

#undef CALLBACK_ROW
#undef STRING_ROW
#undef PLAIN_ROW

ActionHandler DIfindCallback(const char* name)
{
  ActionHandler handler;
  for (const _Actionindex& row : DactionIndex) {
    if (strcmp(row.name, name) != 0)
      continue;
    if (row.action)
      handler.action = row.action;
    else if (row.action1)
      handler.action1 = row.action1;
    else if (row.action2)
      handler.action2 = row.action2;
    else
      continue;
    return handler;
  }
  handler.action2 = NullAction;
  return handler;
}

int NullAction()
{
  common::outf("Hello!: Set the button in both lib/Dmenu.txt and inc/Dmenu.h\n");
  return 1;
}

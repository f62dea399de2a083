// Building the planes from hand-built flattened layouts with the example
// technology.
#include <algorithm>
#include <cstring>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "DFfault.h"
#include "DTtechnology.h"
#include "Dcif.h"
#include "PlaneSupport.h"

using cs_test::BuildTest;
using cs_test::text;
using Strings = std::vector<std::string>;

namespace {

Strings sorted(Strings s)
{
  std::sort(s.begin(), s.end());
  return s;
}

Strings planeNames()
{
  Strings names;
  for (int i = 0; i < DlayerNum; ++i)
    names.push_back(DlayerTile[i].name);
  return names;
}

bool linked(const _Dtilelist* list, const _Dtile* tile)
{
  for (; list; list = list->next)
    if (list->tile == tile)
      return true;
  return false;
}

int length(const _Dtilelist* list)
{
  int n = 0;
  for (; list; list = list->next)
    ++n;
  return n;
}

// The element tiles of a plane, sorted.
Strings elementTiles(int plane) { return sorted(cs_test::planeTiles(plane, TisElement)); }

int layerIndex(const char* name)
{
  for (int i = 0; i < GlayerNum; ++i)
    if (strcmp(Glayers[i].name, name) == 0)
      return i;
  return -1;
}

}  // namespace

TEST_F(BuildTest, GateAcrossActiveMakesElementTilesInBothPlanes)
{
  rect("CAA", 0, 0, 100, 40);
  rect("CPG", 40, -20, 60, 60);
  DCcrtCS();
  EXPECT_EQ(sorted(solids("CAA")),
            sorted({"(0 0)-(40 40) 0x4", "(40 0)-(60 40) 0xff07", "(60 0)-(100 40) 0x4"}));
  EXPECT_EQ(sorted(solids("CPG")),
            sorted({"(40 -20)-(60 0) 0x7", "(40 0)-(60 40) 0xff07", "(40 40)-(60 60) 0x7"}));
  EXPECT_EQ(at("CAA", 50, 20)->layer(), &DlayerTile[0]);
  EXPECT_EQ(at("CPG", 50, 20)->layer(), &DlayerTile[planeOf("CPG")]);
  std::string report;
  EXPECT_TRUE(cs::checkPlanes(&report)) << report;
}

TEST_F(BuildTest, GateOutsideActiveIsOrdinaryMaterial)
{
  rect("CAA", 0, 0, 100, 40);
  rect("CPG", 200, 0, 220, 40);
  rect("CPG", 0, 40, 100, 60);  // touches the active region only along its edge
  DCcrtCS();
  EXPECT_EQ(solids("CAA"), Strings{"(0 0)-(100 40) 0x4"});
  for (const std::string& s : solids("CPG"))
    EXPECT_EQ(s.find("0xff"), std::string::npos) << s;
}

TEST_F(BuildTest, PlanesComeInTheOrderOfElementsPortsAndConnections)
{
  rect("CAA", 0, 0, 10, 10);
  DCcrtCS();
  EXPECT_EQ(planeNames(), (Strings{"CAA", "CPG", "CSP", "CSN", "CMF", "CCA", "CCP", "CEL", "CCE",
                                   "CHR", "CCR", "CMS", "CVA", "CMT", "CVS"}))
      << "a connection's lower layer that no element uses (CEL) comes before its cut";
  EXPECT_EQ(out, "\nmaking cs data structure for a PMOS\n"
                 "\nmaking cs data structure for a PMOS\n"
                 "\nmaking cs data structu re for a NMOS\n");
  EXPECT_EQ(DlayerTile[0].layer, layerIndex("CAA"));
  EXPECT_EQ(DlayerTile[0].frame.x2, 10);
  EXPECT_EQ(DlayerTile[0].bordertile, DlayerTile[0].crittile->rt());
  EXPECT_EQ(cs::layerIndexOfPlane(1), layerIndex("CPG"));
  EXPECT_EQ(cs::layerIndexOfPlane(15), -1);
  EXPECT_EQ(NamedLayerTile("CMF"), DlayerTile[4].layertile);
  EXPECT_EQ(LayerTile(layerIndex("CMF")), DlayerTile[4].layertile);
  EXPECT_FALSE(DnoLayerCS("CVS"));
  EXPECT_TRUE(DnoLayerCS("XYZ"));
  EXPECT_EQ(NamedLayerTile("XYZ"), nullptr);
  // An element whose layers all have planes adds nothing.
  GCfreeCS();
  out.clear();
  snprintf(Delement[1].layers[2], sizeof Delement[1].layers[2], "CSP");
  Delement[1].portLayerNum = 1;
  DCcrtCS();
  EXPECT_EQ(out, "\nmaking cs data structure for a PMOS\n"
                 "\nmaking cs data structure for a PMOS\n");
  EXPECT_TRUE(DnoLayerCS("CSN"));
}

TEST_F(BuildTest, ProgressAndMessages)
{
  rect("CAA", 0, 0, 10, 10);
  rect("CAA", 20, 0, 30, 10);
  DCcrtCS();
  std::vector<std::string> lines;
  for (const auto& m : ui.messages)
    lines.push_back(m.line);
  ASSERT_GE(lines.size(), 6u);
  EXPECT_EQ(Strings(lines.begin(), lines.begin() + 6),
            (Strings{"Message: Creating the active layer ....",
                     "Message: Creating other layers ....",
                     "Message: Creating connection layers ....",
                     "Message: Corner stitch layout is activated.",
                     "Message: Corner Stitching is created.", lines[5]}));
  EXPECT_EQ(lines[5].rfind("Message: CPU time ", 0), 0u);
  EXPECT_EQ(DworkingMode, kModePlanes);
  const std::string start =
      "Message: Creating the active layer ....\n"
      "Creating the corner stitching structure ...\n"
      "Layer name: CAA\n"
      "Creating tiles :         \b\b\b\b\b\b\b\b       1\b\b\b\b\b\b\b\b       2 Done.\n"
      "Message: Creating other layers ....\n"
      "Layer name: CPG\n"
      "Creating tiles :          Done.\n";
  EXPECT_EQ(err.substr(0, start.size()), start);
  EXPECT_NE(err.find("Creating contact structure ...\n"), std::string::npos);
  EXPECT_EQ(DlayerTile[0].stilenum, 2);
  // A silent build prints no progress.
  GCfreeCS();
  err.clear();
  ui.messages.clear();
  Silently = 1;
  DCcrtCS();
  EXPECT_EQ(err, "Creating the corner stitching structure ...\n");
  EXPECT_TRUE(ui.saw('M', "Corner Stitching is created"));
}

TEST_F(BuildTest, RefusalsLeaveThePlaneTableAlone)
{
  rect("CAA", 0, 0, 10, 10);
  int connections = DconNum;
  DconNum = 0;
  DCcrtCS();
  EXPECT_TRUE(ui.saw('W', "Technology missing"));
  DconNum = connections;
  _layout* layout = Gflatten;
  Gflatten = nullptr;
  DCcrtCS();
  EXPECT_TRUE(ui.saw('W', "No smashed layout available"));
  Gflatten = layout;
  Delement[0].layerNum = 1;
  DCcrtCS();
  EXPECT_TRUE(ui.saw('E', "Basic element definition error"));
  EXPECT_EQ(DlayerNum, 0);
  GCactivateCS();
  EXPECT_TRUE(ui.saw('M', "No corner stitch layout is available"));
  EXPECT_EQ(DworkingMode, kModeLayout);
}

// A box beyond the plane limit or a connection naming no layer abandons
// the build, and the planes made so far are released.
TEST_F(BuildTest, ImpossibleDataAbandonTheBuild)
{
  const std::pair<std::function<void()>, const char*> cases[] = {
      {[this] { rect("CMF", -1073741823, 0, 10, 10); },
       "Fatal: Box -1073741823 0 10 10 of layer CMF lies beyond the plane limit"},
      {[] { snprintf(Dconnect[2].conLayer, sizeof Dconnect[2].conLayer, "NOPE"); },
       "Fatal: Layer NOPE not found."},
  };
  for (const auto& [spoil, message] : cases) {
    SCOPED_TRACE(message);
    TearDown();
    SetUp();
    rect("CAA", 0, 0, 10, 10);
    spoil();
    common::ActionScope scope;
    EXPECT_THROW(DCcrtCS(), common::OperationAborted);
    EXPECT_NE(err.find(message), std::string::npos) << err;
    EXPECT_EQ(DlayerTile[0].layertile, nullptr);
    EXPECT_EQ(NamedLayerTile("CAA"), nullptr);
    EXPECT_EQ(CLayer, nullptr);
  }
}

// A rebuild without freeing abandons the old planes; freeing releases
// everything but the plane count, which stays until the next build.
TEST_F(BuildTest, RebuildingAndFreeing)
{
  rect("CAA", 0, 0, 10, 10);
  rect("CMF", 0, 0, 10, 10);
  rect("CCA", 2, 2, 8, 8);
  DCcrtCS();
  _Dtile* old = DlayerTile[0].layertile;
  DCcrtCS();
  EXPECT_TRUE(ui.saw('W', "You must free the old CS first"));
  EXPECT_NE(DlayerTile[0].layertile, old);
  EXPECT_EQ(DlayerNum, 15);
  std::string report;
  EXPECT_TRUE(cs::checkPlanes(&report)) << report;
  DlayerTile[0].highlight = TileToList(nullptr, DlayerTile[0].layertile);
  CurrentStitch = DlayerTile[3].layertile;
  GCfreeCS();
  EXPECT_TRUE(ui.saw('M', "The corner stitch layout is freed"));
  EXPECT_EQ(DlayerNum, 15);
  for (int i = 0; i < DlayerNum; ++i)
    EXPECT_EQ(DlayerTile[i].layertile, nullptr);
  EXPECT_EQ(DlayerTile[0].highlight, nullptr);
  EXPECT_EQ(CurrentStitch, nullptr);
  EXPECT_EQ(CheckAll(), 1);
  EXPECT_TRUE(ui.saw('W', "CS structure not ready"));
  GCactivateCS();
  EXPECT_TRUE(ui.saw('M', "No corner stitch layout is available"));
}

TEST_F(BuildTest, ContactsLinkTheTilesOfBothLayers)
{
  rect("CAA", 0, 0, 100, 40);
  rect("CMF", -10, 0, 110, 40);
  rect("CCA", 10, 10, 20, 20);
  rect("CCA", 80, 10, 90, 20);
  cs::resetContactWarnings();
  int before = lower_contact_position_error + upper_contact_position_error;
  DCcrtCS();
  _Dtile* active = at("CAA", 50, 20);
  _Dtile* metal = at("CMF", 50, 20);
  _Dtile* cut = at("CCA", 15, 15);
  EXPECT_EQ(length(active->upper()), 1);
  EXPECT_TRUE(linked(active->upper(), metal));
  EXPECT_EQ(length(metal->lower()), 1) << "each tile is listed once";
  EXPECT_TRUE(linked(metal->lower(), active));
  ASSERT_NE(cut->lower(), nullptr);
  EXPECT_EQ(cut->lower()->tile, active);
  EXPECT_EQ(cut->upper()->tile, metal);
  EXPECT_EQ(lower_contact_position_error + upper_contact_position_error, before);
  EXPECT_EQ(out.find("WARNING"), std::string::npos);
}

TEST_F(BuildTest, CutAtTheEdgeOfTheLowerLayerWarnsOnce)
{
  rect("CAA", 0, 0, 100, 40);
  rect("CMF", -10, 0, 110, 40);
  rect("CCA", 0, 10, 10, 20);    // on the left edge of the active region
  rect("CCA", 90, 25, 100, 40);  // in its upper right corner
  cs::resetContactWarnings();
  int number = lower_tilelist_number_error, layer = lower_tilelist_layer_error;
  int position = lower_contact_position_error, upper = upper_contact_position_error;
  DCcrtCS();
  EXPECT_EQ(out.substr(out.find("CrtContact")),
            "CrtContact.c: WARNING, lower tilelist has more than 1 tile\n"
            "CrtContact.c: WARNING: Possible contact position error (Lower)\n"
            "CsrContact.c: WARNING, invalid layer exists in lower layerlist\n")
      << "the corner cut comes first (the list runs newest first) and finds active next";
  EXPECT_EQ(lower_tilelist_number_error - number, 2);
  EXPECT_EQ(lower_contact_position_error - position, 2);
  EXPECT_EQ(lower_tilelist_layer_error - layer, 1) << "the corner cut finds active material next";
  EXPECT_EQ(upper_contact_position_error, upper);
  EXPECT_TRUE(linked(at("CAA", 50, 20)->upper(), at("CMF", 50, 20)));
}

TEST_F(BuildTest, CutWithoutMaterialBelowLinksNothing)
{
  rect("CAA", 0, 0, 10, 10);
  rect("CMF", 100, 0, 140, 40);
  rect("CCA", 110, 10, 120, 20);
  cs::resetContactWarnings();
  int position = lower_contact_position_error;
  DCcrtCS();
  EXPECT_EQ(lower_contact_position_error - position, 1);
  EXPECT_EQ(at("CMF", 120, 20)->lower(), nullptr);
  EXPECT_EQ(at("CAA", 120, 20)->upper(), nullptr) << "space gets no links";
  EXPECT_NE(out.find("Possible contact position error (Lower)"), std::string::npos);
}

TEST_F(BuildTest, SplittingATileMovesItsContacts)
{
  rect("CAA", 0, 0, 100, 40);
  rect("CMF", 0, 0, 100, 40);
  rect("CCA", 10, 10, 20, 20);
  rect("CCA", 70, 10, 80, 20);
  DCcrtCS();
  _Dtile* metal = at("CMF", 50, 20);
  _Dtile* active = at("CAA", 50, 20);
  _Dtile* right = nullptr;
  ASSERT_EQ(TileSplit(metal, _point{50, 0}, cs::kCutVertical, &right, 1), 0);
  EXPECT_EQ(at("CCA", 75, 15)->upper()->tile, right);
  EXPECT_EQ(length(at("CCA", 75, 15)->upper()), 1);
  EXPECT_EQ(at("CCA", 15, 15)->upper()->tile, metal);
  EXPECT_TRUE(linked(active->upper(), metal));
  EXPECT_TRUE(linked(active->upper(), right));
  EXPECT_EQ(length(active->upper()), 2);
  EXPECT_EQ(length(metal->lower()), 1);
  EXPECT_EQ(right->lower()->tile, active);
  std::string report;
  EXPECT_TRUE(cs::checkPlane(metal, &report, 4000)) << report;
}

// CheckAll reports each plane sound, and a broken stitch when there is one.
TEST_F(BuildTest, CheckAllOnABuiltLayout)
{
  rect("CAA", 0, 0, 100, 40);
  rect("CAA", 100, 0, 200, 40);
  rect("CPG", 40, -20, 60, 60);
  rect("CMF", 0, 0, 30, 40);
  DCcrtCS();
  ui.messages.clear();
  EXPECT_EQ(CheckAll(), 0);
  int found = 0;
  for (const auto& m : ui.messages)
    found += m.line == "Message: Tile neighbors check found no error.";
  EXPECT_EQ(found, DlayerNum + 1);
  EXPECT_EQ(ui.lastLine(), "Message: Tile neighbors check found no error.");
  _Dtile* t = at("CAA", 80, 20);
  _Dtile* saved = t->tr();
  t->set_tr(t->tr()->lb());  // no longer spans the top end of the right edge
  ui.messages.clear();
  CheckAll();
  t->set_tr(saved);
  EXPECT_TRUE(ui.saw('E', "tr does not span the top edge"));
  EXPECT_EQ(ui.lastLine().rfind("Error: Tile neighbors check found", 0), 0u) << ui.lastLine();
}

TEST_F(BuildTest, NegativeNodesAreListed)
{
  rect("CAA", 0, 0, 100, 40);
  rect("CMF", 0, 0, 100, 40);
  DCcrtCS();
  CheckAllNode();
  EXPECT_TRUE(ui.saw('M', "No negative node is found"));
  at("CMF", 50, 20)->node = -5;
  at("CAA", 50, 20)->node = -6;  // plane 0 is not looked at
  CheckAllNode();
  EXPECT_EQ(out.substr(out.find("negative")), "negative node : -5.\n");
  EXPECT_TRUE(ui.saw('W', "1 negative nodes are found"));
}

TEST_F(BuildTest, ActiveLayerIndexIsAPlaneIndex)
{
  rect("CAA", 0, 0, 10, 10);
  DCcrtCS();
  EXPECT_EQ(DFactiveIndex(), -1);
  Glayers[layerIndex("CMF")].active = 1;
  EXPECT_EQ(DFactiveIndex(), planeOf("CMF"));
  EXPECT_EQ(cs::layerIndexOfPlane(DFactiveIndex()), layerIndex("CMF"));
  Glayers[layerIndex("CMF")].active = 0;
  Glayers[layerIndex("XYZ")].active = 1;
  EXPECT_EQ(DFactiveIndex(), -1) << "a layer without a plane";
  Glayers[layerIndex("XYZ")].active = 0;
}

// Random transistors, wires and contacts: every plane must be sound, hold
// the union of its layer's boxes, and the gate regions of the active plane
// must match those of the gate plane.
TEST_F(BuildTest, RandomLayoutsBuildSoundPlanes)
{
  std::mt19937 random(11);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
  const char* layers[] = {"CAA", "CPG", "CSP", "CSN", "CCA", "CMF", "CCP", "CVA", "CMS"};
  for (int round = 0; round < 4; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    GCfreeLayout(Gflatten);
    Gflatten = common::make<_layout>();
    for (int i = 0; i < 600; ++i) {
      int x = pick(0, 60) * 10, y = pick(0, 60) * 10;
      rect(layers[pick(0, 8)], x, y, x + pick(1, 12) * 10, y + pick(1, 12) * 10);
    }
    GCfreeCS();
    DCcrtCS();
    std::string report;
    ASSERT_TRUE(cs::checkPlanes(&report)) << report;
    EXPECT_EQ(elementTiles(0), elementTiles(planeOf("CPG")));

    // Every cut tile links material of the right planes that meets one of
    // the cuts over it (grown by one unit below).
    auto meets = [](const _Dtile* a, const _rects& r, int grow) {
      return a->x1 < r.x2 + grow && cs::right(a) > r.x1 - grow && a->y1 < r.y2 + grow &&
             cs::top(a) > r.y1 - grow;
    };
    auto linkMeetsACut = [&](const _Dtile* linked, const _Dtile* cut, int grow) {
      for (const _rects* r = Gflatten->symbol[layerIndex("CCA")]->rect; r; r = r->next)
        if (meets(cut, *r, 0) && meets(linked, *r, grow))
          return true;
      return false;
    };
    Stitch = DlayerTile[planeOf("CCA")].layertile;
    _Dtilelist* cuts = nullptr;
    AreaEnum(cs::kMin, cs::kMin, cs::kMax, cs::kMax, &cuts, 0);
    int linked = 0;
    for (_Dtilelist* p = cuts; p; p = p->next) {
      const _Dtile* cut = p->tile;
      if (cut->lower()) {
        ++linked;
        EXPECT_EQ(cut->lower()->tile->layer(), &DlayerTile[0]);
        EXPECT_TRUE(linkMeetsACut(cut->lower()->tile, cut, 1)) << text(cut);
      }
      if (cut->upper()) {
        EXPECT_EQ(cut->upper()->tile->layer(), &DlayerTile[planeOf("CMF")]);
        EXPECT_TRUE(linkMeetsACut(cut->upper()->tile, cut, 0)) << text(cut);
      }
    }
    FreeList(cuts);
    EXPECT_GT(linked, 0);
  }
}

namespace {

// Everything a build leaves: per plane its record, every tile in walk order
// with its net tag, role and contact links, and the entry tile.
std::string planeDump()
{
  std::string dump;
  auto links = [](const _Dtilelist* list) {
    std::string s;
    for (; list; list = list->next)
      s += " " + text(list->tile) + "@" + list->tile->layer()->name;
    return s;
  };
  for (int i = 0; i < DlayerNum; ++i) {
    const _DlayerTile& p = DlayerTile[i];
    dump += std::string("plane ") + p.name + " " + std::to_string(p.layer) + " " +
            std::to_string(p.stilenum) + " entry " + text(p.layertile) + "\n";
    Stitch = p.layertile;
    _Dtilelist* list = nullptr;
    AreaEnum(cs::kMin, cs::kMin, cs::kMax, cs::kMax, &list, 0);
    for (_Dtilelist* n = list; n; n = n->next) {
      const _Dtile* t = n->tile;
      dump += "  " + text(t) + " " + std::to_string(t->node) + " " +
              std::to_string(t->activeDev()) + " " + (t->layer() ? t->layer()->name : "-") +
              " up" + links(t->upper()) + " down" + links(t->lower()) + "\n";
    }
    FreeList(list);
  }
  return dump;
}

}  // namespace

// Filling the planes on two threads must leave what one thread leaves: the
// same tiles, element tiles in both gate planes, contact links, entry tiles,
// tile counts, progress text, messages and standard output.
TEST_F(BuildTest, TwoThreadsBuildWhatOneThreadBuilds)
{
  const char* layers[] = {"CAA", "CPG", "CSP", "CSN", "CMF", "CCA", "CCP", "CMS", "CVA", "CEL"};
  for (unsigned seed : {1u, 2u, 3u}) {
    SCOPED_TRACE(seed);
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> at(0, 3000), size(4, 400);
    for (const char* layer : layers)
      for (int i = 0; i < 150; ++i) {
        int x = at(random), y = at(random);
        rect(layer, x, y, x + size(random), y + size(random));
      }
    std::string dumps[2], errs[2], outs[2];
    std::vector<std::string> messages[2];
    for (int one = 0; one < 2; ++one) {
      Silently = seed == 3;
      cs::fillOnOneThread(one == 1);
      cs::resetContactWarnings();
      err.clear();
      out.clear();
      ui.messages.clear();
      DCcrtCS();
      cs::fillOnOneThread(false);
      dumps[one] = planeDump();
      // Everything but the processor time, which the message facility
      // also writes on standard error.
      std::istringstream lines(err);
      for (std::string line; std::getline(lines, line);)
        if (line.rfind("Message: CPU time ", 0) != 0)
          errs[one] += line + "\n";
      outs[one] = out;
      for (const auto& m : ui.messages)
        if (m.line.rfind("Message: CPU time ", 0) != 0)
          messages[one].push_back(m.line);
      std::string report;
      EXPECT_TRUE(cs::checkPlanes(&report)) << report;
      GCfreeCS();
    }
    EXPECT_NE(dumps[0].find("0xff"), std::string::npos) << "the layout has gates";
    EXPECT_NE(dumps[0].find("up ("), std::string::npos) << "and contacts";
    EXPECT_TRUE(dumps[0] == dumps[1]) << "the planes differ";
    EXPECT_EQ(errs[0], errs[1]);
    EXPECT_EQ(outs[0], outs[1]);
    EXPECT_EQ(messages[0], messages[1]);
    GCfreeLayout(Gflatten);
    Gflatten = common::make<_layout>();
    Gflatten->frame = {0, 0, 0, 0};
  }
}

// Planes of the bundled example layouts, read from CIF and flattened: sound,
// and each gate crossing its active region makes the same gate regions in
// plane 0 and in the gate plane.
TEST_F(BuildTest, EveryExampleBuildsSoundPlanes)
{
  for (const char* name : {"inverter.cif", "hierarchy.cif", "wires.cif", "polygons.cif",
                           "labels.cif", "scale.cif", "othertool.cif"}) {
    SCOPED_TRACE(name);
    GCfreeCS();
    ACinit();
    cifin = fopen(testing_support::sourcePath(std::string("examples/") + name).c_str(), "r");
    ASSERT_NE(cifin, nullptr);
    {
      common::ActionScope scope;
      ASSERT_EQ(CIFparse(), 0);
      ASSERT_EQ(GCflatten(), 0);
    }
    DCcrtCS();
    ASSERT_GT(DlayerNum, 0);
    std::string report;
    EXPECT_TRUE(cs::checkPlanes(&report)) << report;
    ui.messages.clear();
    CheckAll();
    EXPECT_EQ(ui.lastLine(), "Message: Tile neighbors check found no error.");
    EXPECT_FALSE(ui.saw('E', "Tile neighbors check found"));
    ASSERT_STREQ(DlayerTile[1].name, "CPG");
    Strings active = elementTiles(0);
    if (std::string(name) == "inverter.cif") {
      EXPECT_GE(active.size(), 2u);
    }
    EXPECT_EQ(active, elementTiles(1));
  }
  GCfreeCS();
  ACinit();
  cif::releaseRetiredPins();
}

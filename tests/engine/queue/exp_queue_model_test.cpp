#include "engine/queue/exp_queue_model.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace grainix {
namespace {

namespace fs = std::filesystem;
using G = QueueGroup;
using I = QueueItem;

// One click in the window: a switch or a check box of a group.
struct Click {
  enum Kind { Switch, Check, Uncheck } kind;
  G group;
  I item = I::Positions;
};

struct RuleCase {
  const char* name;
  std::vector<Click> clicks;
  // Calculation group afterwards: switch, PDH, diffraction, G(r) checked.
  bool calcOn, calcPdh, calcDiff, calcGr;
  // Whether the PDH items of the diagram and save groups can be clicked.
  bool diagPdhUsable, savePdhUsable;
};

TEST(ExpQueueModel, DependenciesBetweenTheGroups) {
  const RuleCase cases[] = {
      {"diagram PDH checks the PDH calculation",
       {{Click::Switch, G::Diagrams}, {Click::Check, G::Diagrams, I::Pdh}},
       true, true, false, false, true, false},
      {"diagram diffraction checks PDH and diffraction",
       {{Click::Switch, G::Diagrams}, {Click::Check, G::Diagrams, I::Diff}},
       true, true, true, false, true, false},
      {"diagram G(r) checks the whole chain",
       {{Click::Switch, G::Diagrams}, {Click::Check, G::Diagrams, I::Gr}},
       true, true, true, true, true, false},
      {"save G(r) checks the whole chain",
       {{Click::Switch, G::Save}, {Click::Check, G::Save, I::Gr}},
       true, true, true, true, false, true},
      {"save PDH checks only the PDH",
       {{Click::Switch, G::Save}, {Click::Check, G::Save, I::Pdh}},
       true, true, false, false, false, true},
      {"delta Rij and positions need no calculation",
       {{Click::Switch, G::Diagrams}, {Click::Check, G::Diagrams, I::Rij}, {Click::Check, G::Diagrams, I::Positions}},
       false, false, false, false, true, false},
      {"unchecking never changes the calculation group",
       {{Click::Switch, G::Diagrams}, {Click::Check, G::Diagrams, I::Gr}, {Click::Uncheck, G::Diagrams, I::Gr}},
       true, true, true, true, true, false},
      {"unchecking the PDH calculation disables the PDH items",
       {{Click::Switch, G::Diagrams},
        {Click::Switch, G::Save},
        {Click::Check, G::Diagrams, I::Diff},
        {Click::Uncheck, G::Calculations, I::Pdh}},
       true, false, true, false, false, false},
      {"checking the PDH calculation enables them again",
       {{Click::Switch, G::Diagrams},
        {Click::Switch, G::Save},
        {Click::Check, G::Diagrams, I::Pdh},
        {Click::Uncheck, G::Calculations, I::Pdh},
        {Click::Check, G::Calculations, I::Pdh}},
       true, true, false, false, true, true},
      {"a switch enables every item of its group",
       {{Click::Switch, G::Calculations},
        {Click::Uncheck, G::Calculations, I::Pdh},
        {Click::Check, G::Calculations, I::Pdh},
        {Click::Uncheck, G::Calculations, I::Pdh},
        {Click::Switch, G::Diagrams}},
       true, false, false, false, true, false},
      {"diffraction of the calculation group alone checks nothing else",
       {{Click::Switch, G::Calculations}, {Click::Check, G::Calculations, I::Diff}},
       true, false, true, false, false, false},
  };
  for (const RuleCase& c : cases) {
    SCOPED_TRACE(c.name);
    StExpQueue q;
    ExpQueueModel m(q);
    for (const Click& k : c.clicks) {
      if (k.kind == Click::Switch)
        m.setSwitch(k.group, true);
      else
        m.setItem(k.group, k.item, k.kind == Click::Check);
    }
    const auto& calc = m.group(G::Calculations);
    EXPECT_EQ(calc.on, c.calcOn);
    EXPECT_EQ(calc.item(I::Pdh).checked, c.calcPdh);
    EXPECT_EQ(calc.item(I::Diff).checked, c.calcDiff);
    EXPECT_EQ(calc.item(I::Gr).checked, c.calcGr);
    EXPECT_EQ(m.group(G::Diagrams).usable(I::Pdh), c.diagPdhUsable);
    EXPECT_EQ(m.group(G::Save).usable(I::Pdh), c.savePdhUsable);
  }
}

TEST(ExpQueueModel, OpeningShowsTheStoredChoicesAndStartStoresThem) {
  const fs::path dir = fs::temp_directory_path() / ("grainix_queue_open_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  StExpQueue q;
  q.fileHead = "zns";
  q.description = "faults";
  q.folder = dir.string();
  q.calcOn = q.calcPdh = q.calcRij = true;
  q.diagOn = true;
  q.diagGr = true;
  q.saveOn = true;
  q.saveRij = true;
  q.entries.resize(2);

  ExpQueueModel m(q);
  EXPECT_EQ(m.fileHead, "zns");
  EXPECT_EQ(m.description, "faults");
  EXPECT_EQ(m.folder, dir.string());
  // The stored delta(r) check shows; the G(r) diagram, applied as a click,
  // switches the calculations on with PDH, diffraction and G(r).
  const auto& calc = m.group(G::Calculations);
  EXPECT_TRUE(calc.on);
  EXPECT_TRUE(calc.item(I::Rij).checked);
  EXPECT_TRUE(calc.item(I::Pdh).checked && calc.item(I::Diff).checked && calc.item(I::Gr).checked);
  EXPECT_TRUE(m.group(G::Diagrams).on);
  EXPECT_TRUE(m.group(G::Diagrams).item(I::Gr).checked);
  EXPECT_TRUE(m.group(G::Save).switchEnabled);
  EXPECT_TRUE(m.group(G::Save).on);
  EXPECT_TRUE(m.group(G::Save).item(I::Rij).checked);
  EXPECT_TRUE(m.deleteEnabled());
  EXPECT_TRUE(m.startEnabled());

  // Diagrams switched off: the second run stores it off, whatever the items say.
  m.setSwitch(G::Diagrams, false);
  m.fileHead = "x";
  m.start();
  EXPECT_FALSE(q.diagOn);
  EXPECT_TRUE(q.diagGr);
  EXPECT_EQ(q.fileHead, "x");
  EXPECT_TRUE(q.calcOn && q.calcPdh && q.calcDiff && q.calcGr && q.calcRij);
  fs::remove_all(dir);

  // Without stored switches everything starts off; the calculation PDH
  // starts unchecked even when it was stored.
  StExpQueue plain;
  plain.calcPdh = plain.calcOn = true;
  plain.folder = (dir / "gone").string();
  ExpQueueModel fresh(plain);
  EXPECT_FALSE(fresh.group(G::Calculations).on);
  EXPECT_FALSE(fresh.group(G::Calculations).item(I::Pdh).checked);
  EXPECT_FALSE(fresh.group(G::Save).switchEnabled);  // the stored folder does not exist
  EXPECT_FALSE(fresh.deleteEnabled());
  EXPECT_FALSE(fresh.startEnabled());
}

TEST(ExpQueueModel, LeavingTheFolderEditCreatesTheFolderOrRefusesIt) {
  const fs::path dir = fs::temp_directory_path() / ("grainix_queue_folder_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  StExpQueue q;
  q.folder = dir.string();
  q.saveOn = true;
  ExpQueueModel m(q);
  ASSERT_TRUE(m.group(G::Save).on);

  // Empty: refused, saving switched off and unavailable.
  StCommandResult r = m.folderLeft("");
  ASSERT_EQ(r.messages.size(), 1u);
  EXPECT_EQ(r.messages[0].text, "Path to folder is empty. Files will not be saved!");
  EXPECT_EQ(r.messages[0].kind, MessageKind::Error);
  EXPECT_FALSE(m.group(G::Save).switchEnabled);
  EXPECT_FALSE(m.group(G::Save).on);

  // A new folder with missing parents is created.
  const fs::path deep = dir / "a" / "b";
  r = m.folderLeft(deep.string());
  EXPECT_TRUE(r.ok);
  EXPECT_TRUE(r.messages.empty());
  EXPECT_TRUE(fs::is_directory(deep));
  EXPECT_TRUE(m.group(G::Save).switchEnabled);
  m.setSwitch(G::Save, true);

  // Below a plain file no folder can be made: the same error, the switch stays.
  std::ofstream(dir / "file") << "x";
  r = m.folderLeft((dir / "file" / "sub").string());
  ASSERT_EQ(r.messages.size(), 1u);
  EXPECT_EQ(r.messages[0].text, "Path to folder is empty. Files will not be saved!");
  EXPECT_TRUE(m.group(G::Save).switchEnabled);
  EXPECT_TRUE(m.group(G::Save).on);
  fs::remove_all(dir);
}

TEST(ExpQueueModel, EntriesAreNumberedAndSummarised) {
  StExpQueue q;
  ExpQueueModel m(q);
  m.addEntry();
  m.addEntry();
  ASSERT_EQ(q.entries.size(), 2u);
  EXPECT_EQ(q.entries[1].number, 2);
  EXPECT_TRUE(q.entries[1].sequence.empty() && q.entries[1].summary.empty() && q.entries[1].lpA.empty());
  m.entryEdited(1, "ABAB", "2.5", "4.1", "0.75");
  EXPECT_EQ(q.entries[1].summary, "a=2.5,c=4.1,u=0.75, ABAB");
  m.deleteLastEntry();
  m.deleteLastEntry();
  EXPECT_TRUE(q.entries.empty());
  EXPECT_FALSE(m.startEnabled());
  m.deleteLastEntry();  // nothing left: nothing happens
}

}  // namespace
}  // namespace grainix

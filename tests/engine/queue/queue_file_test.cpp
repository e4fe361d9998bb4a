#include "engine/queue/queue_file.h"

#include <gtest/gtest.h>

namespace grainix {
namespace {

TEST(QueueFile, ReadsTheQueueAndItsEntries) {
  const std::string text =
      "; stacking faults\n"
      "[queue]\n"
      "fileHeader = zns\n"
      "description = stacking faults in ZnS\n"
      "calculations = pdh delta\n"
      "save = positions, gr\n"
      "\n"
      "[1]\n"
      "sequence = abcabc\n"
      "a = 3.82\n"
      "c = 6.26\n"
      "u = 0.375\n"
      "[2]\n"
      "Sequence = ABAB\n";
  StQueueFileLoad load = parseQueueFile(text, "zns.ini");
  ASSERT_TRUE(load.ok) << load.error;
  const StExpQueue& q = load.queue;
  EXPECT_EQ(q.fileHead, "zns");
  EXPECT_EQ(q.description, "stacking faults in ZnS");
  // Saving G(r) computes the diffraction pattern it is made from.
  EXPECT_TRUE(q.calcOn && q.calcPdh && q.calcRij && q.calcDiff && q.calcGr);
  EXPECT_TRUE(q.saveOn && q.savePositions && q.saveGr);
  EXPECT_FALSE(q.savePdh || q.saveRij || q.saveDiff);
  EXPECT_FALSE(q.diagOn);
  ASSERT_EQ(q.entries.size(), 2u);
  EXPECT_EQ(q.entries[0].sequence, "ABCABC");
  EXPECT_EQ(q.entries[0].summary, "a=3.82,c=6.26,u=0.375, ABCABC");
  EXPECT_EQ(q.entries[1].number, 2);
  EXPECT_TRUE(q.entries[1].lpA.empty());

  // Missing geometry takes the stacking window's initial texts.
  StExpQueue filled = q;
  StGrainPrm prm;
  prm.latticePrm = 3.54;
  prm.radius = 15;
  fillStackingDefaults(filled, prm);
  EXPECT_EQ(filled.entries[0].lpA, "3.82");
  EXPECT_EQ(filled.entries[1].lpA, "2.5032");
  EXPECT_EQ(filled.entries[1].lpC, "2.0438");
  EXPECT_EQ(filled.entries[1].u, "0.75");
  EXPECT_EQ(filled.entries[1].summary, "a=2.5032,c=2.0438,u=0.75, ABAB");
}

TEST(QueueFile, BadFilesAreRefusedWithTheLineNamed) {
  const struct {
    const char* text;
    const char* error;
  } cases[] = {
      {"[1]\nsequence = AB\nseqence = AB\n", "q.ini:3: unknown key 'seqence' in [1]; expected sequence, a, c, u"},
      {"[queue]\nsave = pdh his\n[1]\nsequence=A\n", "q.ini:2: save: unknown word 'his'"},
      {"[queue]\nfolder = /tmp\n", "q.ini:2: unknown key 'folder' in [queue]"},
      {"[1]\na = 2.5\n[2]\nsequence = AB\n", "q.ini:1: [1] has no sequence"},
      {"[1]\nsequence = AB\n[2]\nc = 4\n", "q.ini:3: [2] has no sequence"},
      {"[1]\nsequence = ABD\n", "q.ini:2: sequence: only the letters A, B and C are allowed"},
      {"[1]\nsequence = \n", "q.ini:2: sequence: only the letters A, B and C are allowed"},
      {"[1]\nsequence = AB\na = -1\n", "q.ini:3: a: expected a number > 0"},
      {"[1]\nsequence = AB\nu = 0,75\n", "q.ini:3: u: expected a number > 0"},
      {"[2]\nsequence = AB\n", "q.ini:1: section [2] out of order"},
      {"[1]\nsequence = AB\n[1]\nsequence = AB\n", "q.ini:3: section [1] out of order"},
      {"[entry]\n", "q.ini:1: unknown section [entry]"},
      {"sequence = AB\n", "q.ini:1: 'sequence' comes before any section"},
      {"[1]\nsequence = AB\nsequence = BA\n", "q.ini:3: 'sequence' is given twice in [1]"},
      {"[1]\nsequence AB\n", "q.ini:2: expected a section [name] or a line key = value"},
      {"[queue]\nfileHeader = a/b\n[1]\nsequence=A\n", "q.ini:2: fileHeader: expected"},
      {"[queue]\ndescription = none\n", "q.ini: no entries"},
  };
  for (const auto& c : cases) {
    const StQueueFileLoad load = parseQueueFile(c.text, "q.ini");
    EXPECT_FALSE(load.ok) << c.text;
    EXPECT_EQ(load.error.rfind(c.error, 0), 0u) << c.text << "\n -> " << load.error;
    EXPECT_TRUE(load.queue.entries.empty());
  }
  EXPECT_EQ(loadQueueFile("/nonexistent/q.ini").error, "/nonexistent/q.ini: cannot be read");
}

}  // namespace
}  // namespace grainix

#include "engine/app/build_command.h"

#include <gtest/gtest.h>

#include "engine/app/workbench.h"
#include "engine/grain/command_names.h"

namespace grainix {
namespace {

StBuildInput fccInput(const char* a = "3.54", const char* r = "15") {
  StBuildInput in;
  in.latticeText = a;
  in.radiusText = r;
  in.structure = structFcc;
  in.elementL = in.elementR = "Ni";
  in.elementIndexL = in.elementIndexR = 27;
  return in;
}

class FakeStacking : public StackingDialog {
 public:
  bool ok = false;
  std::string seenSequence;
  bool run(std::string& sequence, vGrainNodes& ideal, StGrainPrm&) override {
    seenSequence = sequence;
    if (ok) {
      ideal.resize(4);
      for (auto& n : ideal) n.element = "Co";
    }
    return ok;
  }
};

TEST(BuildCommand, FccSphereLogsAndEnables) {
  Workbench wb;
  wb.pdh.push_back({});
  wb.sections.push_back({});
  wb.partial.allocate(3);
  const auto res = build(wb, fccInput(), nullptr);
  ASSERT_TRUE(res.ok);
  EXPECT_EQ(res.log, (std::vector<std::string>{"******* NEW STRUCTURE **********", "fcc, number of nodes=1253"}));
  EXPECT_TRUE(res.messages.empty());
  EXPECT_EQ(wb.ideal.size(), 1253u);
  EXPECT_EQ(&wb.current(), &wb.ideal);
  EXPECT_EQ(wb.grainPrm.kind, kindFcc);
  EXPECT_DOUBLE_EQ(wb.grainPrm.maxDistance, (15 + 3.54 / 4) * 2.02);
  EXPECT_TRUE(wb.grainPrm.sphere);
  EXPECT_TRUE(wb.pdh.empty());
  EXPECT_TRUE(wb.sections.empty());
  EXPECT_EQ(wb.partial.count, 0);
  EXPECT_EQ(wb.fitForm.lp, "3.54");
  EXPECT_TRUE(res.enable.at(cmd::Pdh));
  EXPECT_TRUE(res.enable.at(cmd::Modify));
  EXPECT_TRUE(res.enable.at(cmd::SaveNodes));
  EXPECT_FALSE(res.enable.at(cmd::Diffraction));
  EXPECT_FALSE(res.enable.at(cmd::SavePdh));
  EXPECT_FALSE(res.enable.at(cmd::Fityk));
}

TEST(BuildCommand, RefusalsOfTheLatticeParameterChangeNothing) {
  for (const char* a : {"0", "-1", "abc", ""}) {
    Workbench wb;
    build(wb, fccInput(), nullptr);
    const auto res = build(wb, fccInput(a), nullptr);
    EXPECT_FALSE(res.ok) << a;
    EXPECT_TRUE(res.log.empty()) << a;
    EXPECT_TRUE(res.enable.empty()) << a;
    ASSERT_EQ(res.messages.size(), 1u);
    if (std::string(a) == "0" || std::string(a) == "-1") {
      EXPECT_EQ(res.messages[0].kind, MessageKind::Confirmation);
      EXPECT_EQ(res.messages[0].text, "distance between nodes should be greater than 0");
    } else {
      EXPECT_EQ(res.messages[0].kind, MessageKind::ConversionError);
    }
    EXPECT_EQ(wb.ideal.size(), 1253u) << a;
  }
}

TEST(BuildCommand, BadRadiusAfterTheDisables) {
  Workbench wb;
  build(wb, fccInput(), nullptr);
  const auto res = build(wb, fccInput("3.54", "x1"), nullptr);
  EXPECT_FALSE(res.ok);
  ASSERT_EQ(res.messages.size(), 1u);
  EXPECT_EQ(res.messages[0].kind, MessageKind::ConversionError);
  EXPECT_FALSE(res.enable.at(cmd::PdhDiagram));
  EXPECT_FALSE(res.enable.at(cmd::SaveAll));
  EXPECT_TRUE(res.log.empty());
  EXPECT_EQ(wb.ideal.size(), 1253u);  // the grain itself is untouched
}

TEST(BuildCommand, SingleNodeAndEmptyGrains) {
  for (const char* r : {"1", "-5", "0"}) {
    Workbench wb;
    wb.grainPrm.kind = kindBcc;
    StBuildInput in = fccInput("3.54", r);
    in.structure = structSc;
    const auto res = build(wb, in, nullptr);
    EXPECT_FALSE(res.ok);
    const std::string expectCount = std::string(r) == "-5" ? "0" : "1";  // R = 0 keeps the origin
    EXPECT_EQ(res.log.back(), "sc, number of nodes=" + expectCount);
    ASSERT_EQ(res.messages.size(), 1u);
    EXPECT_EQ(res.messages[0].text, "number of nodes equal 1. Change the settings and try again");
    EXPECT_FALSE(res.enable.at(cmd::Pdh));
    EXPECT_EQ(wb.grainPrm.kind, kindBcc);  // kind of the last successful build stays
  }
}

TEST(BuildCommand, AbsurdRadiusIsRefusedBeforeAllocating) {
  Workbench wb;
  build(wb, fccInput(), nullptr);
  const auto res = build(wb, fccInput("3.54", "1e9"), nullptr);
  EXPECT_FALSE(res.ok);
  ASSERT_EQ(res.messages.size(), 1u);
  EXPECT_EQ(res.messages[0].kind, MessageKind::Error);
  EXPECT_NE(res.messages[0].text.find("would not fit in memory"), std::string::npos);
  EXPECT_TRUE(res.enable.empty());
  EXPECT_EQ(wb.ideal.size(), 1253u);
}

// A new build discards every result of the previous grain, whether it
// succeeds or not, and nothing derived from it can be shown or saved.
TEST(BuildCommand, EveryDerivedResultGoes) {
  const char* const resultCommands[] = {cmd::PdhDiagram, cmd::Histogram,  cmd::SavePdh,         cmd::SaveAll,
                                        cmd::DiffractionDiagram, cmd::SaveDiffraction, cmd::GrDiagram, cmd::SaveGr,
                                        cmd::GrOfDiffraction, cmd::DeltaDiagram, cmd::SaveDelta, cmd::SaveSections,
                                        cmd::Fityk};
  for (const char* r : {"20", "1"}) {  // a grain, and one of a single node
    Workbench wb;
    build(wb, fccInput(), nullptr);
    wb.pdh.resize(5);
    wb.partial.allocate(4);
    wb.pattern.q = {1, 2};
    wb.pattern.sOfQ = {3, 4};
    wb.pattern.count = 2;
    wb.gr.x = {0.1};
    wb.gr.y = {0.2};
    wb.gr.count = 1;
    wb.sections.push_back({});
    wb.fitForm.pdh = &wb.pdh;
    wb.fitForm.gr = &wb.gr;
    const auto res = build(wb, fccInput("3.54", r), nullptr);
    EXPECT_TRUE(wb.pdh.empty()) << r;
    EXPECT_EQ(wb.partial.count, 0) << r;
    EXPECT_EQ(wb.pattern.count, 0) << r;
    EXPECT_TRUE(wb.pattern.q.empty()) << r;
    EXPECT_EQ(wb.gr.count, 0) << r;
    EXPECT_TRUE(wb.gr.x.empty()) << r;
    EXPECT_TRUE(wb.sections.empty()) << r;
    EXPECT_EQ(wb.fitForm.pdh, nullptr) << r;
    EXPECT_EQ(wb.fitForm.gr, nullptr) << r;
    for (const char* c : resultCommands) EXPECT_FALSE(res.enable.at(c)) << c << " after R=" << r;
  }
}

// A failed or cancelled build leaves no command that works on a grain.
TEST(BuildCommand, CommandsWaitForAGrainOfTwoNodes) {
  Workbench wb;
  build(wb, fccInput(), nullptr);
  FakeStacking cancelled;
  StBuildInput hcp = fccInput();
  hcp.structure = structHcp;
  StBuildInput single = fccInput("3.54", "1");
  single.structure = structSc;
  for (const auto& [res, what] : {std::pair{build(wb, hcp, &cancelled), "cancelled"},
                                  std::pair{build(wb, single, nullptr), "one node"}}) {
    EXPECT_FALSE(res.ok) << what;
    for (const char* c : {cmd::Pdh, cmd::Modify, cmd::Nodes, cmd::DeltaCalc, cmd::Diffraction, cmd::SaveNodes})
      EXPECT_FALSE(res.enable.at(c)) << c << " " << what;
  }
}

// A stacked cylinder is judged by the stacking window, which knows its
// layers: R = 700 with two letters is about a million nodes, not the
// sphere of that radius.
TEST(BuildCommand, StackedCylinderIsNotRefusedAsASphere) {
  Workbench wb;
  StBuildInput in = fccInput("3.54", "700");
  in.structure = structHcp;
  in.shape = shapeCylinder;
  in.biatomic = true;
  FakeStacking dialog;
  dialog.ok = true;
  wb.stackingSequence = "AB";
  // As a sphere it would be refused on this machine.
  if (estimatedNodeCount(structHcp, 700, 3.54) <= static_cast<double>(maxBuildNodes())) GTEST_SKIP();
  const auto res = build(wb, in, &dialog);
  EXPECT_EQ(dialog.seenSequence, "AB") << "the stacking window was opened";
  EXPECT_TRUE(res.ok);
}

TEST(BuildCommand, RandomStructureIsRefused) {
  Workbench wb;
  StBuildInput in = fccInput();
  in.structure = structRandom;
  const auto res = build(wb, in, nullptr);
  ASSERT_EQ(res.messages.size(), 1u);
  EXPECT_EQ(res.messages[0].title, "ERROR");
  EXPECT_EQ(res.messages[0].text, "Lattice structure hasn't been chosen");
  EXPECT_EQ(wb.generator, nullptr);
  EXPECT_TRUE(wb.ideal.empty());
}

TEST(BuildCommand, ZincBlendeNamesFollowTheCaption) {
  Workbench wb;
  StBuildInput in = fccInput();
  in.structure = structZincBlende;
  in.biatomic = true;
  in.elementR = "S";
  in.zincBlendeCaption = "zinc blende";
  auto res = build(wb, in, nullptr);
  EXPECT_EQ(res.log.back(), "zinc blende, number of nodes=2506");
  EXPECT_EQ(wb.ideal.back().element, "S");
  in.biatomic = false;
  in.zincBlendeCaption = "diamond like";
  res = build(wb, in, nullptr);
  EXPECT_EQ(res.log.back(), "diamond like, number of nodes=2506");
  EXPECT_EQ(wb.grainPrm.kind, kindDiam);
}

TEST(BuildCommand, StackingWindowCancelAndOk) {
  Workbench wb;
  wb.stackingSequence = "ABC";
  StBuildInput in = fccInput();
  in.structure = structHcp;
  FakeStacking dialog;
  auto res = build(wb, in, &dialog);
  EXPECT_EQ(dialog.seenSequence, "ABC");
  EXPECT_EQ(res.log.back(), "canceled");
  EXPECT_EQ(wb.generator, nullptr);
  EXPECT_TRUE(wb.ideal.empty());
  dialog.ok = true;
  res = build(wb, in, &dialog);
  EXPECT_TRUE(res.ok);
  EXPECT_EQ(res.log.back(), "hcp, number of nodes=4");
  EXPECT_EQ(wb.grainPrm.kind, kindHcp);
}

}  // namespace
}  // namespace grainix

#include "gui/grain/tfhcp.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <fstream>

#include "engine/app/build_command.h"
#include "engine/app/workbench.h"
#include "gui/grain/hcp_ui.h"

namespace grainix {
namespace {

// Answers the window's questions from a script and remembers what it was told.
class ScriptedHcpUi : public HcpUi {
 public:
  void showMessage(QWidget*, const StMessage& m) override { messages.push_back(m); }
  QString openFileName(QWidget*, const QString& folder, const QString& filter) override {
    seenFolder = folder;
    seenFilter = filter;
    return openName;
  }
  QString saveFileName(QWidget*, const QString& folder, const QString&, const QString& ext) override {
    seenFolder = folder;
    seenExt = ext;
    return saveName;
  }
  void beep(int hz, int ms) override { beeps.push_back({hz, ms}); }

  std::vector<StMessage> messages;
  std::vector<std::pair<int, int>> beeps;
  QString openName, saveName, seenFolder, seenFilter, seenExt;
};

class TFhcpTest : public ::testing::Test {
 protected:
  void SetUp() override { HcpUi::setInstance(&ui); }
  void TearDown() override { HcpUi::setInstance(nullptr); }

  static StGrainPrm sphere(double a = 3.54, double r = 15) {
    StGrainPrm p;
    p.latticePrm = a;
    p.radius = r;
    p.sphere = true;
    p.elementL = p.elementR = "Co";
    p.elementIndexL = p.elementIndexR = 26;
    return p;
  }
  static StBuildInput hcpInput() {
    StBuildInput in;
    in.latticeText = "3.54";
    in.radiusText = "15";
    in.structure = structHcp;
    in.elementL = in.elementR = "Co";
    in.elementIndexL = in.elementIndexR = 26;
    return in;
  }
  static QColor textColour(QWidget* w) { return w->palette().color(QPalette::Text); }

  ScriptedHcpUi ui;
};

TEST_F(TFhcpTest, StackedAbSphereBuiltThroughTheWindow) {
  Workbench wb;
  wb.stackingSequence = "ABC";
  HcpStackingDialog dialog(nullptr, "/data");
  bool shown = false;
  dialog.onShown = [&](TFhcp& w) {
    shown = true;
    EXPECT_EQ(w.windowTitle(), "Create hcp structure");
    EXPECT_EQ(w.Ess->text(), "ABC");
    EXPECT_EQ(w.Elhcpa->text(), "2.5032");  // 3.54 / sqrt(2)
    EXPECT_EQ(w.Elhcpc->text(), "2.0438");  // 3.54 / sqrt(3)
    EXPECT_EQ(w.Eca->text(), "0.8165");
    EXPECT_EQ(w.Eprc->text(), "0.75");
    EXPECT_TRUE(w.ChBsubnet->isChecked());
    EXPECT_FALSE(w.ChBcut->isEnabled()) << "circular cut is for cylinders";
    EXPECT_EQ(w.Lminsize->text(), "Minimum number of layers:");
    EXPECT_EQ(w.Lminsizeval->text(), "16");
    w.Ess->clear();
    QTest::keyClicks(w.Ess, "abababababababab");  // lower case comes out as capitals
    EXPECT_EQ(w.Ess->text(), "ABABABABABABABAB");
    EXPECT_EQ(w.Lstacksize->text(), "16");
    EXPECT_EQ(w.Epm->text(), "+-+-+-+-+-+-+-+");
    EXPECT_EQ(textColour(w.Ess), QColor(0, 128, 0)) << "length equal to the minimum";
    w.Bokhex->click();
  };
  const auto res = build(wb, hcpInput(), &dialog);
  ASSERT_TRUE(shown);
  ASSERT_TRUE(res.ok);
  EXPECT_EQ(wb.ideal.size(), 2486u);
  EXPECT_EQ(wb.stackingSequence, "ABABABABABABABAB");
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_TRUE(ui.beeps.empty());
}

TEST_F(TFhcpTest, CancelLeavesNoGrain) {
  Workbench wb;
  wb.stackingSequence = "ABAB";
  HcpStackingDialog dialog(nullptr);
  dialog.onShown = [](TFhcp& w) {
    QTest::keyClicks(w.Ess, "C");
    w.Bcancel->click();
  };
  const auto res = build(wb, hcpInput(), &dialog);
  EXPECT_FALSE(res.ok);
  EXPECT_EQ(res.log.back(), "canceled");
  EXPECT_TRUE(wb.ideal.empty());
  EXPECT_EQ(wb.stackingSequence, "ABAB") << "Cancel changes nothing";
}

TEST_F(TFhcpTest, KeyFilterBeepsAndColours) {
  StGrainPrm prm = sphere(3.54, 5);  // L_min = 2 * ceil(5 / 2.1679) + 2 = 8
  std::string seq = "AAB";
  vGrainNodes nodes;
  TFhcp w(nullptr, seq, "", nodes, prm);
  EXPECT_EQ(w.Lminsizeval->text(), "8");
  EXPECT_EQ(w.Epm->text(), "O+");
  EXPECT_EQ(textColour(w.Ess), QColor(Qt::black));

  w.Ess->end(false);
  QTest::keyClicks(w.Ess, "x1 ");
  EXPECT_EQ(w.Ess->text(), "AAB");
  EXPECT_EQ(ui.beeps, (std::vector<std::pair<int, int>>{{200, 200}, {200, 200}, {200, 200}}));
  ui.beeps.clear();

  QTest::keyClicks(w.Ess, "cabca");
  EXPECT_EQ(w.Ess->text(), "AABCABCA");
  EXPECT_EQ(textColour(w.Epm), QColor(0, 128, 0));
  QTest::keyClicks(w.Ess, "B");  // at the minimum a letter is refused
  EXPECT_EQ(w.Ess->text(), "AABCABCA");
  EXPECT_EQ(ui.beeps, (std::vector<std::pair<int, int>>{{500, 200}}));

  w.Ess->setText("AABCABCAB");  // longer, as a loaded file may make it
  EXPECT_EQ(textColour(w.Ess), QColor(255, 0, 0));
  EXPECT_EQ(textColour(w.Lstacksize), QColor(255, 0, 0));
  QTest::keyClicks(w.Ess, "C");  // a letter becomes a backspace
  EXPECT_EQ(w.Ess->text(), "AABCABCA");
  QTest::keyClick(w.Ess, Qt::Key_Backspace);
  EXPECT_EQ(w.Ess->text(), "AABCABC");
  EXPECT_EQ(w.Lstacksize->text(), "7");
  EXPECT_EQ(textColour(w.Ess), QColor(Qt::black));
}

TEST_F(TFhcpTest, GeometryEditsFollowEachOther) {
  StGrainPrm prm = sphere();
  std::string seq = "AB";
  vGrainNodes nodes;
  TFhcp w(nullptr, seq, "", nodes, prm);
  w.Eca->clear();
  QTest::keyClicks(w.Eca, "1");
  EXPECT_EQ(w.Elhcpc->text(), "2.5032") << "c = c/a * ha";
  const QString eq1 = w.Eclp->text();
  w.Elhcpc->clear();  // an empty text is ignored
  EXPECT_EQ(w.Eca->text(), "1");
  QTest::keyClicks(w.Elhcpc, "5.0064");
  EXPECT_EQ(w.Eca->text(), "2");
  EXPECT_NE(w.Eclp->text(), eq1);
  EXPECT_TRUE(ui.messages.empty());
  // Numeric fields: a comma is not typed, and a number on its way ("1e"
  // before "1e-1") shows no box; OK, which uses the text, reports it.
  w.Eca->clear();
  QTest::keyClicks(w.Eca, "1,e");
  EXPECT_EQ(w.Eca->text(), "1e");
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(w.Elhcpc->text(), "2.5032") << "the last number typed";
  w.Bokhex->click();
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0], (StMessage{MessageKind::ConversionError, "Error", "'1e' is not a valid floating point value"}));
  EXPECT_TRUE(w.isVisible() || w.result() != QDialog::Accepted);
  EXPECT_TRUE(nodes.empty());
  QTest::keyClicks(w.Eca, "-1");
  EXPECT_EQ(w.Elhcpc->text(), "0.25032");
  w.Eprc->clear();
  QTest::keyClicks(w.Eprc, "0.5x,");
  EXPECT_EQ(w.Eprc->text(), "0.5x");

  w.ChBsubnet->setChecked(false);
  EXPECT_FALSE(w.Eprc->isEnabled());
  w.ChBsubnet->setChecked(true);
  EXPECT_TRUE(w.Eprc->isEnabled());
}

TEST_F(TFhcpTest, CylinderDisplaysHeightAndOffersTheCut) {
  StGrainPrm prm = sphere();
  prm.sphere = false;
  std::string seq = "ABC";
  vGrainNodes nodes;
  TFhcp w(nullptr, seq, "", nodes, prm);
  EXPECT_TRUE(w.ChBcut->isEnabled());
  EXPECT_EQ(w.Lminsize->text(), "Cylinder height");
  EXPECT_EQ(w.Lminsizeval->text(), "6.1315");  // 3 * 3.54 / sqrt(3)
  QTest::keyClicks(w.Ess, "ABABABABABABABABABAB");  // no length limit for cylinders
  EXPECT_EQ(w.Ess->text().size(), 23);
  EXPECT_TRUE(ui.beeps.empty());
  w.ChBcut->setChecked(false);
  w.Bokhex->click();
  EXPECT_EQ(w.result(), QDialog::Accepted);
  EXPECT_EQ(nodes.size() % 2, 0u);
  EXPECT_EQ(nodes.size(), 2u * 23 * 169) << "full hexagonal patch in every layer";
}

TEST_F(TFhcpTest, UnknownLetterStopsButClosesWithOk) {
  StGrainPrm prm = sphere();
  std::string seq = "AB";
  vGrainNodes nodes;
  TFhcp w(nullptr, seq, "", nodes, prm);
  w.Ess->setText("ABXA");  // as a file may load it
  w.Bokhex->click();
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0], (StMessage{MessageKind::Error, "ERROR", "Unknown letter. STOP!"}));
  EXPECT_EQ(w.result(), QDialog::Accepted);
  EXPECT_EQ(seq, "ABXA");
}

TEST_F(TFhcpTest, EditModeStoresOnlyTheSequence) {
  StGrainPrm prm = sphere();
  std::string seq = "AB";
  TFhcp w(nullptr, seq, prm);
  w.Ess->setText("abcab");
  w.Bokhex->click();
  EXPECT_EQ(w.result(), QDialog::Accepted);
  EXPECT_EQ(seq, "ABCAB");
}

TEST_F(TFhcpTest, SequenceFilesFromThePopupMenu) {
  QTemporaryDir dir;
  StGrainPrm prm = sphere();
  std::string seq = "AB";
  vGrainNodes nodes;
  TFhcp w(nullptr, seq, dir.path(), nodes, prm);
  ASSERT_EQ(w.PopupMenu->actions().size(), 2);
  EXPECT_EQ(w.PopupMenu->actions()[0]->text(), "Load sequence from file");
  EXPECT_EQ(w.PopupMenu->actions()[1]->text(), "Save sequence to file");

  w.Ess->setText("ABCaB");
  ui.saveName = dir.filePath("s.sqq");
  w.PopupMenu->actions()[1]->trigger();
  EXPECT_EQ(ui.seenFolder, dir.path());
  EXPECT_EQ(ui.seenExt, "sqq");
  std::ifstream f(ui.saveName.toStdString());
  std::string line1, line2, rest;
  std::getline(f, line1);
  std::getline(f, line2);
  std::getline(f, rest);
  EXPECT_EQ(line1.rfind("#date: ", 0), 0u);
  EXPECT_EQ(line2, "#size: 5");
  EXPECT_EQ(rest, "ABCaB") << "saved as typed";

  w.Ess->setText("A");
  ui.openName = ui.saveName;
  w.PopupMenu->actions()[0]->trigger();
  EXPECT_EQ(ui.seenFilter, "Sequence file (*.sqq)|*.sqq");
  EXPECT_EQ(w.Ess->text(), "ABCaB");
  EXPECT_EQ(w.Lstacksize->text(), "5");
  EXPECT_EQ(w.Epm->text(), "++++") << "built from the upper-cased sequence";
  EXPECT_TRUE(ui.messages.empty());

  ui.openName = dir.filePath("missing.sqq");
  w.PopupMenu->actions()[0]->trigger();
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, "Error, couldn't open file: " + ui.openName.toStdString() + " for reading");
  EXPECT_EQ(w.Ess->text(), "ABCaB");

  ui.saveName = dir.filePath("no/such/folder/s.sqq");
  w.PopupMenu->actions()[1]->trigger();
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[1].text, "Error, couldn't open file: " + ui.saveName.toStdString() + " for writing");
}

TEST_F(TFhcpTest, Screenshot) {
  StGrainPrm prm = sphere();
  std::string seq = "ABCABCABCABC";
  vGrainNodes nodes;
  TFhcp w(nullptr, seq, "", nodes, prm);
  w.resize(w.sizeHint());
  w.show();
  QTest::qWait(10);
  const QString path = QDir::temp().filePath("grainix-tfhcp.png");
  EXPECT_TRUE(w.grab().save(path));
}

}  // namespace
}  // namespace grainix

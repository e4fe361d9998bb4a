#include "gui/modify/tfmodpos.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFont>
#include <QGroupBox>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>

#include "engine/app/build_command.h"
#include "engine/app/modify_command.h"
#include "engine/app/workbench.h"
#include "engine/core/format.h"
#include "gui/modify/modify_window.h"
#include "gui/modify/modpos_ui.h"
#include "gui/modify/sections_strip.h"
#include "gui/plot/tfdiagram.h"
#include "tests/gui/modal_box.h"

namespace grainix {
namespace {

class ScriptedModposUi : public ModposUi {
 public:
  // `modal`: every box really runs its modal loop (closed by a timer).
  void showMessage(QWidget* parent, const StMessage& m) override {
    messages.push_back(m);
    if (modal) testing::showModalBox(parent, m);
  }
  bool modal = false;
  QString savePictureName(QWidget*, const QString& def, const QString& filter, const QString& ext) override {
    seen = {def, filter, ext};
    return saveName;
  }
  bool printDialog(QWidget*, QPrinter&) override { return false; }
  bool chooseFont(QWidget*, QFont& f) override {
    f.setPointSize(17);
    return true;
  }
  std::vector<StMessage> messages;
  QString saveName;
  QStringList seen;
};

// A generator that always gives the same number: reproducible displacements.
class FixedRandom : public ThermalRandom {
 public:
  void seed(uint32_t) override { g_ = 12345; }
  uint32_t next() override { return g_ = (g_ * 1103515245u + 12345u) & 0x7FFFFFFF; }

 private:
  uint32_t g_ = 12345;
};

class TFmodposTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ModposUi::setInstance(&ui);
    StBuildInput in;
    in.latticeText = "3.54";
    in.radiusText = "15";
    in.structure = structFcc;
    in.elementL = in.elementR = "Ni";
    in.elementIndexL = in.elementIndexR = 27;
    ASSERT_TRUE(build(wb, in, nullptr).ok);
    table.resize(28);
    table[27].name = "Ni";
    table[27].td = 450;
    table[27].mass = 58.69;
  }
  void TearDown() override { ModposUi::setInstance(nullptr); }

  // Types `text` into a grid cell through its editor, then presses Return.
  static void typeInCell(TFmodpos& w, int row, int col, const QString& text) {
    w.StrGrid->setCurrentCell(row, col);
    w.StrGrid->editItem(w.StrGrid->item(row, col));
    // Closed editors linger until the event loop deletes them: take the open one.
    QLineEdit* ed = nullptr;
    for (QLineEdit* e : w.StrGrid->findChildren<QLineEdit*>("cellEditor"))
      if (e->isVisible()) ed = e;
    ASSERT_NE(ed, nullptr);
    ed->selectAll();
    QTest::keyClicks(ed, text);
    QTest::keyClick(ed, Qt::Key_Return);
    QCoreApplication::sendPostedEvents();  // the view commits and closes the editor through a queued call
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QTest::qWait(1);  // boxes wait until the edit's event is over
  }
  static QString cell(TFmodpos& w, int row, int col) { return w.StrGrid->item(row, col)->text(); }

  // As a person edits a cell: double-click it, the keys go to whatever has
  // the focus, Return ends the edit. Boxes shown meanwhile run their loops.
  static void editCellByHand(TFmodpos& w, int row, int col, const std::function<void()>& keys) {
    w.activateWindow();  // a box that closed may have left no window active
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    const QRect r = w.StrGrid->visualItemRect(w.StrGrid->item(row, col));
    QTest::mouseClick(w.StrGrid->viewport(), Qt::LeftButton, {}, r.center());
    QTest::mouseDClick(w.StrGrid->viewport(), Qt::LeftButton, {}, r.center());
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    ASSERT_EQ(QApplication::focusWidget()->objectName(), "cellEditor");
    keys();
    if (QWidget* f = QApplication::focusWidget(); f && f->objectName() == "cellEditor")
      QTest::keyClick(f, Qt::Key_Return);
    for (int i = 0; i < 5; ++i) QTest::qWait(5);  // boxes queued by the edit
  }
  static void keys(Qt::Key key, Qt::KeyboardModifiers mods = {}) {
    if (QWidget* f = QApplication::focusWidget()) QTest::keyClick(f, key, mods);
  }
  static void typed(const char* text) {
    if (QWidget* f = QApplication::focusWidget()) QTest::keyClicks(f, text);
  }
  static void showActive(TFmodpos& w) {
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  }
  static QStringList memoLines(TFmodpos& w) { return w.Memo->toPlainText().split('\n'); }

  // The two sections 7.5 / 10 % and 15 / 0 % typed into the grid.
  static void twoSections(TFmodpos& w) {
    w.Bplus->click();
    typeInCell(w, 1, colRadius, "7.5");
    typeInCell(w, 1, colPsi, "10");
  }

  ScriptedModposUi ui;
  Workbench wb;
  ElementTable table;
};

TEST_F(TFmodposTest, GridShowsTheInitialCoreWithHeaderGlyphsAndShading) {
  StModifySession session(wb, table);
  StFmodPosPrm& prm = session.prm;
  TFmodpos w(nullptr, prm);
  EXPECT_EQ(w.windowTitle(), "Modify atoms positions");
  ASSERT_EQ(w.StrGrid->rowCount(), 2);
  ASSERT_EQ(w.StrGrid->columnCount(), 6);
  const QStringList header{"section", "x", "%V", QString(QChar(0x03C1)), QString(QChar(0x03C8)), "latt.prm.mod."};
  for (int c = 0; c < 6; ++c) {
    EXPECT_EQ(cell(w, 0, c), header[c]);
    EXPECT_EQ(w.StrGrid->item(0, c)->background().color(), QColor(192, 192, 192));
    EXPECT_FALSE(w.StrGrid->item(0, c)->flags() & Qt::ItemIsEditable);
  }
  const QStringList core{"Core", "15", "100", "1", "0", "3.54"};
  for (int c = 0; c < 6; ++c) EXPECT_EQ(cell(w, 1, c), core[c]);
  EXPECT_EQ(w.StrGrid->item(1, 0)->background().color(), QColor(192, 220, 192));
  for (int c : {2, 3, 5}) {
    EXPECT_EQ(w.StrGrid->item(1, c)->background().color(), QColor(228, 228, 228));
    EXPECT_FALSE(w.StrGrid->item(1, c)->flags() & Qt::ItemIsEditable);
  }
  for (int c : {1, 4}) EXPECT_TRUE(w.StrGrid->item(1, c)->flags() & Qt::ItemIsEditable);
  EXPECT_FALSE(w.Bminus->isEnabled());
  EXPECT_FALSE(w.Bdel->isEnabled());
  EXPECT_FALSE(w.Bok->isEnabled()) << "Accept waits for the first Modify";
  EXPECT_FALSE(w.Bcheck->isEnabled());
  EXPECT_FALSE(w.GBrandprm->isEnabled());
  EXPECT_EQ(w.LampNet->text(), "Atom Ni");
}

TEST_F(TFmodposTest, SectionsTypedInTheGridGiveTheSummary) {
  StModifySession session(wb, table);
  StFmodPosPrm& prm = session.prm;
  TFmodpos w(nullptr, prm);
  w.show();
  twoSections(w);
  EXPECT_EQ(cell(w, 1, 0), "Core");
  EXPECT_EQ(cell(w, 2, 0), "Surface ");
  EXPECT_EQ(cell(w, 1, colRadius), "7.5");
  EXPECT_EQ(cell(w, 1, colVolume), "12.5");
  EXPECT_EQ(cell(w, 2, colVolume), "87.5");
  EXPECT_EQ(cell(w, 1, colLattMod), "3.894");
  EXPECT_EQ(cell(w, 1, colRho), "0.90909");
  EXPECT_TRUE(w.Bminus->isEnabled());

  QTest::mouseClick(w.Memo->viewport(), Qt::LeftButton);  // a click refreshes the summary
  const QStringList lines = memoLines(w);
  EXPECT_TRUE(lines.contains("Core, a=10%, r=7.5"));
  EXPECT_TRUE(lines.contains("Surface , a=0%, r=15"));
  EXPECT_TRUE(lines.contains("Radius= 15.75"));
  EXPECT_TRUE(lines.contains("Average lattice parameter= 3.717"));
  EXPECT_TRUE(lines.contains("Relative change of lattice parameter= 5%"));
  const QString stdLine = lines.filter("Weighted Standard deviation= ").value(0);
  EXPECT_NEAR(stdLine.mid(QString("Weighted Standard deviation= ").size()).toDouble(), 6.97, 0.005);
  EXPECT_DOUBLE_EQ(prm.grainPrm.radiusMod, 15.75);

  w.MemoPopup->actions()[0]->trigger();  // "Clear Memo"
  EXPECT_TRUE(w.Memo->toPlainText().isEmpty());
  w.MemoPopup->actions()[1]->trigger();  // "Font"
  EXPECT_EQ(w.Memo->font().pointSize(), 17);
}

TEST_F(TFmodposTest, CellEditRulesAndSectionButtons) {
  StModifySession session(wb, table);
  StFmodPosPrm& prm = session.prm;
  TFmodpos w(nullptr, prm);
  w.show();
  typeInCell(w, 1, colRadius, "20");
  ASSERT_FALSE(ui.messages.empty());
  EXPECT_EQ(ui.messages.back(), (StMessage{MessageKind::Error, "ERROR", "exceeded value of grain radius"}));
  EXPECT_EQ(cell(w, 1, colRadius), "15");

  w.Bplus3->click();
  ASSERT_EQ(w.StrGrid->rowCount(), 5);
  EXPECT_EQ(cell(w, 2, 0), "Shell 1");
  EXPECT_EQ(cell(w, 3, 0), "Shell 2");
  EXPECT_EQ(cell(w, 4, 0), "Surface");
  EXPECT_EQ(cell(w, 2, colRadius), "7.5");
  EXPECT_EQ(w.StrGrid->item(4, 0)->background().color(), QColor(128, 255, 0));
  w.Bminus->click();
  EXPECT_EQ(w.StrGrid->rowCount(), 4);
  EXPECT_EQ(cell(w, 3, 0), "Surface");
  EXPECT_EQ(cell(w, 3, colRadius), "15");
  w.Bdel->click();
  EXPECT_EQ(w.StrGrid->rowCount(), 2);
  EXPECT_FALSE(w.Bminus->isEnabled());
  EXPECT_FALSE(w.Bdel->isEnabled());
}

// A bad value in a cell shows its box; the box's own loop takes the focus
// from the cell editor, which the table then closes and deletes.
TEST_F(TFmodposTest, BadCellValuesShowARealBoxAndKeepTheWindowAlive) {
  ui.modal = true;
  StModifySession session(wb, table);
  StFmodPosPrm& prm = session.prm;
  TFmodpos w(nullptr, prm);
  showActive(w);
  struct Case {
    int col;
    bool selectAll;
    const char* typed;
    StMessage box;
    const char* cellAfter;
  } cases[] = {
      {colPsi, false, "-5", {MessageKind::ConversionError, "Error", "'0-5' is not a valid floating point value"}, "0"},
      {colRadius, true, "20", {MessageKind::Error, "ERROR", "exceeded value of grain radius"}, "15"},
      {colRadius, true, "1.2.3", {MessageKind::ConversionError, "Error", "'1.2.3' is not a valid floating point value"},
       "15"},
  };
  for (const Case& c : cases) {
    ui.messages.clear();
    editCellByHand(w, 1, c.col, [&] {
      if (c.selectAll)
        keys(Qt::Key_A, Qt::ControlModifier);
      else
        keys(Qt::Key_End);
      typed(c.typed);
    });
    ASSERT_EQ(ui.messages.size(), 1u) << c.typed;
    EXPECT_EQ(ui.messages[0], c.box);
    EXPECT_EQ(cell(w, 1, c.col), c.cellAfter) << c.typed;
    EXPECT_TRUE(w.isVisible());
  }
  EXPECT_DOUBLE_EQ(prm.sections[0].r, 15);
  EXPECT_DOUBLE_EQ(prm.sections[0].a, 0);
}

// The editor keeps its cursor and selection while a person types; the row
// is written when the edit ends.
TEST_F(TFmodposTest, CellEditorKeepsCursorAndSelection) {
  StModifySession session(wb, table);
  StFmodPosPrm& prm = session.prm;
  TFmodpos w(nullptr, prm);
  showActive(w);
  w.Bplus->click();
  editCellByHand(w, 1, colRadius, [] {
    keys(Qt::Key_A, Qt::ControlModifier);  // select all, then type over it
    typed("7.5");
  });
  editCellByHand(w, 1, colPsi, [] {
    keys(Qt::Key_Home);  // "0" becomes "10" by typing at the start
    typed("1");
  });
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(cell(w, 1, colRadius), "7.5");
  EXPECT_EQ(cell(w, 1, colVolume), "12.5");
  EXPECT_EQ(cell(w, 1, colPsi), "10");
  EXPECT_EQ(cell(w, 1, colLattMod), "3.894");
}

TEST_F(TFmodposTest, StripFollowsTheSectionsAndTheWidth) {
  StModifySession session(wb, table);
  StFmodPosPrm& prm = session.prm;
  TFmodpos w(nullptr, prm);
  w.show();
  w.Bplus->click();
  for (int width : {300, 601}) {
    w.Isections->resize(width, 18);
    const QImage img = w.Isections->grab().toImage();
    EXPECT_EQ(img.pixelColor(width / 4, 9), QColor(192, 220, 192)) << width;  // core
    EXPECT_EQ(img.pixelColor(3 * width / 4, 9), QColor(166, 202, 240)) << width;  // surface
  }
}

TEST_F(TFmodposTest, PlotOpensThePsiDiagram) {
  StModifySession session(wb, table);
  StFmodPosPrm& prm = session.prm;
  TFmodpos w(nullptr, prm);
  w.show();
  twoSections(w);
  w.Bplot->click();
  TFdiagram* d = w.lastDiagram();
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->size(), QSize(400, 300));
  ASSERT_EQ(d->Graf->diagramCount(), 2u);
  EXPECT_EQ(d->Graf->getDiagramTitle(0), "Core");
  EXPECT_EQ(d->Graf->getColor(0), diagramRgb(0, 128, 0));
  EXPECT_EQ(d->Graf->getColor(1), diagramRgb(160, 160, 160));
  EXPECT_EQ(d->Graf->getPenWidth(0), 4u);
  EXPECT_EQ(d->Graf->getGraphTitle(), "relative changes of interatomic distances");
  EXPECT_EQ(d->Graf->getAxisXTitle(), "x - distance from the grain center");
  EXPECT_TRUE(memoLines(w).contains("Radius= 15.75")) << "Plot refreshes the summary";
  EXPECT_TRUE(d->grab().save(QDir::temp().filePath("grainix-psi.png")));
}

TEST_F(TFmodposTest, SaveGridPicture) {
  QTemporaryDir dir;
  StModifySession session(wb, table);
  StFmodPosPrm& prm = session.prm;
  TFmodpos w(nullptr, prm);
  w.show();
  ui.saveName = dir.filePath("shells.bmp");
  w.BsavePicdial->click();
  EXPECT_EQ(ui.seen, (QStringList{"shells", "Bitmaps (*.bmp)", "bmp"}));
  EXPECT_EQ(QImageReader(ui.saveName).format(), "bmp");
  EXPECT_EQ(QImage(ui.saveName).size(), w.StrGrid->size());
  ui.saveName = dir.filePath("no/such/folder/x.bmp");
  w.BsavePicdial->click();
  ASSERT_FALSE(ui.messages.empty());
  EXPECT_EQ(ui.messages.back().text, "write failed");
}

TEST_F(TFmodposTest, ThermalInputRules) {
  wb.grainPrm.temperature = 300;
  StModifySession session(wb, table);
  StFmodPosPrm& prm = session.prm;
  TFmodpos w(nullptr, prm);
  w.ChBoxThVib->setChecked(true);
  EXPECT_TRUE(w.GBrandprm->isEnabled());
  EXPECT_TRUE(w.EmsdNet->isEnabled());
  EXPECT_FALSE(w.EmsdSubnet->isEnabled()) << "monoatomic grain";
  EXPECT_EQ(w.Combodist->currentText(), "normal");
  EXPECT_EQ(w.Etemp->text(), "300");
  EXPECT_EQ(w.EmsdNet->text().toStdString(), fmtGeneral(rmsDisplacement(300, 450, 58.69), 5));
  EXPECT_EQ(w.Enetacp->text(), "0.5");
  EXPECT_EQ(w.Edeclev->text(), "5");
  EXPECT_EQ(w.Ebarnum->text(), "100");
  EXPECT_TRUE(prm.grainPrm.thermalVibration);

  w.Etemp->clear();
  QTest::keyClicks(w.Etemp, "100");
  EXPECT_EQ(w.EmsdNet->text().toStdString(), fmtGeneral(rmsDisplacement(100, 450, 58.69), 5));
  EXPECT_DOUBLE_EQ(prm.grainPrm.temperature, 100);
  QTest::keyClicks(w.EmsdNet, "1");
  EXPECT_EQ(w.Etemp->text(), "---");

  // Numbers are typed a character at a time: nothing is reported until
  // "Modify" uses the texts; then a value out of range puts the default back.
  // Typing over the selected text, as a person does.
  const auto retype = [](QLineEdit* e, const char* text) {
    e->selectAll();
    QTest::keyClicks(e, text);
  };
  ui.messages.clear();
  retype(w.Etemp, "-1e,2");
  retype(w.Enetacp, "1e-");
  retype(w.Edeclev, "0");
  EXPECT_EQ(w.Etemp->text(), "-1e2");
  EXPECT_EQ(w.Enetacp->text(), "1e-");
  EXPECT_TRUE(ui.messages.empty());
  w.Bmodify->click();
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages.back().text, "temperature should be a value greater or equal 0");
  retype(w.Etemp, "100");
  w.Bmodify->click();
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages.back().text, "'1e-' is not a valid floating point value");
  QTest::keyClicks(w.Enetacp, "1");  // 1e-1 is fine
  w.Bmodify->click();
  ASSERT_EQ(ui.messages.size(), 3u);
  EXPECT_EQ(ui.messages.back().text, "decorrelation level should be an integer value greater than 0");
  EXPECT_EQ(w.Edeclev->text(), "3");
  retype(w.Enetacp, "2");
  w.Bmodify->click();
  ASSERT_EQ(ui.messages.size(), 4u);
  EXPECT_EQ(ui.messages.back().text, "acp parameter should be a value in (0,1) range");
  EXPECT_EQ(w.Enetacp->text(), "0.25");
  EXPECT_FALSE(w.Bok->isEnabled()) << "nothing was modified";
  w.Bmodify->click();
  EXPECT_EQ(ui.messages.size(), 4u);
  EXPECT_TRUE(w.Bok->isEnabled());

  w.ChBoxThVib->setChecked(false);
  EXPECT_FALSE(w.GBrandprm->isEnabled());
  EXPECT_EQ(w.Combodist->currentIndex(), -1);
  EXPECT_TRUE(w.Etemp->text().isEmpty());
  EXPECT_TRUE(w.EmsdNet->text().isEmpty());
  EXPECT_FALSE(prm.grainPrm.thermalVibration);
}

TEST_F(TFmodposTest, ModifyThenVerifyShowsOnePanel) {
  wb.grainPrm.temperature = 300;
  StModifySession session(wb, table);
  StFmodPosPrm& prm = session.prm;
  TFmodpos w(nullptr, prm, std::make_unique<FixedRandom>(), [] { return int64_t{7}; });
  w.show();
  w.ChBoxThVib->setChecked(true);
  w.Bmodify->click();
  EXPECT_FALSE(w.ProgressBar->isVisible());
  EXPECT_EQ(w.ProgressBar->maximum(), static_cast<int>(wb.ideal.size()) - 1);
  EXPECT_TRUE(w.Bok->isEnabled());
  EXPECT_TRUE(w.Bcheck->isEnabled());
  EXPECT_EQ(prm.modified.size(), wb.ideal.size());
  EXPECT_TRUE(memoLines(w).filter("maxR: ").size() == 1);

  w.Bcheck->click();
  TFdiagram* d = w.lastDiagram();
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->windowTitle(), "verify distribution");
  EXPECT_EQ(d->size(), QSize(400, 400));
  EXPECT_EQ(d->Graf->subGraphs().size(), 1u);
  ASSERT_EQ(d->Graf->diagramCount(), 2u);
  EXPECT_EQ(d->Graf->getDiagramTitle(0), "generated");
  EXPECT_EQ(d->Graf->getColor(0), clRed);
  EXPECT_EQ(d->Graf->getStyle(0), dsComb);
  EXPECT_EQ(d->Graf->getDiagramTitle(1), "theory");
  EXPECT_EQ(d->Graf->getPenWidth(1), 2u);
  EXPECT_EQ(d->Graf->getGraphTitle().rfind("distribution std=", 0), 0u);
  EXPECT_TRUE(d->usesShortMenu());
  EXPECT_FALSE(d->MIpanel->isEnabled());
  EXPECT_EQ(d->listEntries(), (QStringList{"generated", "theory"}));
  EXPECT_TRUE(d->grab().save(QDir::temp().filePath("grainix-verify1.png")));
}

TEST_F(TFmodposTest, VerifyBeforeDisplacementsSaysSo) {
  StModifySession session(wb, table);
  StFmodPosPrm& prm = session.prm;
  TFmodpos w(nullptr, prm);
  w.Bmodify->click();  // without vibration
  w.ChBoxThVib->setChecked(true);
  w.Bcheck->click();
  EXPECT_EQ(w.lastDiagram(), nullptr);
  EXPECT_TRUE(memoLines(w).contains("maxDev=0 "));
}

TEST_F(TFmodposTest, BiatomicVerifyHasTwoPanels) {
  Workbench zb;
  StBuildInput in;
  in.latticeText = "5.43";
  in.radiusText = "10";
  in.structure = structZincBlende;
  in.biatomic = true;
  in.elementL = "Ni";
  in.elementR = "Ni";
  in.elementIndexL = in.elementIndexR = 27;
  ASSERT_TRUE(build(zb, in, nullptr).ok);
  zb.grainPrm.temperature = 300;
  StModifySession session(zb, table);
  StFmodPosPrm& prm = session.prm;
  TFmodpos w(nullptr, prm, std::make_unique<FixedRandom>(), [] { return int64_t{7}; });
  w.ChBoxThVib->setChecked(true);
  EXPECT_TRUE(w.EmsdSubnet->isEnabled());
  w.Bmodify->click();
  w.Bcheck->click();
  TFdiagram* d = w.lastDiagram();
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->size(), QSize(600, 600));
  ASSERT_EQ(d->Graf->subGraphs().size(), 2u);
  EXPECT_EQ(d->Graf->subGraphs()[0].title.text.rfind("lattice distribution std=", 0), 0u);
  EXPECT_EQ(d->Graf->subGraphs()[1].title.text.rfind("sub lattice distribution std=", 0), 0u);
  EXPECT_TRUE(d->grab().save(QDir::temp().filePath("grainix-verify2.png")));
}

TEST_F(TFmodposTest, AcceptSwitchesTheCurrentListToTheModifiedOne) {
  const auto res = runModifyCommand(nullptr, wb, table, [](TFmodpos& w) {
    twoSections(w);
    w.Bmodify->click();
    w.Bok->click();
  });
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(res.log, std::vector<std::string>{"... changes approved ..."});
  EXPECT_TRUE(wb.currentIsModified);
  EXPECT_EQ(&wb.current(), &wb.modified);
  ASSERT_EQ(wb.sections.size(), 2u);
  EXPECT_DOUBLE_EQ(wb.sections[0].a, 10);
  EXPECT_DOUBLE_EQ(wb.sections[0].r, 7.5);
  EXPECT_TRUE(res.enable.at("MIsekcje"));
  EXPECT_TRUE(res.enable.at("Brijnew"));
  // Atoms of the surface section keep their spacing and move out by the
  // core's growth, 0.75.
  double idealMax = 0, modMax = 0;
  for (const auto& n : wb.ideal) idealMax = std::max(idealMax, n.r);
  for (const auto& n : wb.current()) modMax = std::max(modMax, n.r);
  EXPECT_NEAR(modMax, idealMax + 0.75, 1e-9);
}

// Cancel after an earlier Accept: the grain stays as it was approved.
TEST_F(TFmodposTest, CancelAfterAnAcceptChangesNothingApproved) {
  auto psiThen = [](const char* psi, bool accept) {
    return [psi, accept](TFmodpos& w) {
      typeInCell(w, 1, colPsi, psi);
      w.Bmodify->click();
      (accept ? w.Bok : w.Bcancel)->click();
    };
  };
  runModifyCommand(nullptr, wb, table, psiThen("2", true));
  ASSERT_TRUE(wb.currentIsModified);
  const vGrainNodes approved = wb.modified;
  const StGrainPrm approvedPrm = wb.grainPrm;
  std::vector<double> idealRPrev;
  for (const auto& n : wb.ideal) idealRPrev.push_back(n.rPrev);

  const auto res = runModifyCommand(nullptr, wb, table, psiThen("-10", false));
  EXPECT_EQ(res.log, std::vector<std::string>{"... changes canceled ..."});
  EXPECT_TRUE(wb.currentIsModified);
  ASSERT_EQ(wb.current().size(), approved.size());
  for (size_t i = 0; i < approved.size(); ++i) {
    ASSERT_EQ(wb.current()[i].x, approved[i].x) << i;
    ASSERT_EQ(wb.current()[i].r, approved[i].r) << i;
    ASSERT_EQ(wb.ideal[i].rPrev, idealRPrev[i]) << i;
  }
  EXPECT_DOUBLE_EQ(wb.grainPrm.maxDistance, approvedPrm.maxDistance);
  EXPECT_DOUBLE_EQ(wb.grainPrm.radiusMod, approvedPrm.radiusMod);
  EXPECT_DOUBLE_EQ(wb.grainPrm.latticePrmChange, 2);
  ASSERT_EQ(wb.sections.size(), 1u);
  EXPECT_DOUBLE_EQ(wb.sections[0].a, 2);
}

TEST_F(TFmodposTest, CancelAndImproperComposition) {
  wb.grainPrm.elementIndexR = -1;
  const auto res = runModifyCommand(nullptr, wb, table, [](TFmodpos& w) {
    w.Bmodify->click();
    w.Bcancel->click();
  });
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text,
            "Improper chemical composition. Go to the 'Atoms selection' group box to set proper values");
  EXPECT_EQ(res.log, std::vector<std::string>{"... changes canceled ..."});
  EXPECT_FALSE(wb.currentIsModified);
  EXPECT_TRUE(wb.sections.empty());
}

TEST_F(TFmodposTest, Screenshot) {
  wb.grainPrm.temperature = 300;
  StModifySession session(wb, table);
  StFmodPosPrm& prm = session.prm;
  TFmodpos w(nullptr, prm);
  w.show();
  twoSections(w);
  w.Bplus->click();
  typeInCell(w, 2, colPsi, "-2");
  w.ChBoxThVib->setChecked(true);
  QTest::mouseClick(w.Memo->viewport(), Qt::LeftButton);
  QTest::qWait(10);
  EXPECT_TRUE(w.grab().save(QDir::temp().filePath("grainix-tfmodpos.png")));
}

}  // namespace
}  // namespace grainix

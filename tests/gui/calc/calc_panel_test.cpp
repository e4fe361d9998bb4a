// The calculation panel driven as a user would: real worker threads, real
// diagram windows, a stand-in main window that forwards the completion events.
#include "gui/calc/calc_panel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <cmath>

#include "engine/core/format.h"
#include "engine/grain/command_names.h"
#include "engine/io/writers.h"
#include "fake_calc_host.h"
#include "gui/plot/tfdiagram.h"

namespace grainix {
namespace {

using testing::FakeCalcHost;
using testing::waitFor;

QString shotDir() {
  const QString d = QDir::tempPath() + "/grainix-calcwin-shots";
  QDir().mkpath(d);
  return d;
}

class CalcPanelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    panel = new CalcPanel(host, &host.window);
    host.window.panel = panel;
  }
  void TearDown() override {
    for (QWidget* w : panel->openedDiagrams()) delete w;
  }
  // Waits until no thread runs and `events` completion events were forwarded.
  bool idle(int events, int ms = 60000) {
    return waitFor([&] { return !panel->calculationRunning() && host.window.forwarded >= events; }, ms);
  }
  FakeCalcHost host;
  CalcPanel* panel = nullptr;
};

TEST_F(CalcPanelTest, CompletionEventTypesAreTheMessageNumbers) {
  EXPECT_EQ(calcEventType(32771), QEvent::Type(32771));
  EXPECT_EQ(calcEventType(32772), QEvent::Type(32772));
  EXPECT_EQ(calcEventType(32788), QEvent::Type(32788));
  QEvent other(QEvent::User);
  EXPECT_FALSE(panel->handleCompletion(&other));
}

TEST_F(CalcPanelTest, ControlsCarryComponentNamesAndCaptions) {
  struct Named {
    const char* name;
    const char* caption;
  } buttons[] = {{"BLiczPdf", "PDH"},      {"BHistogram", "Histogram"},        {"Bpdfdyfr", "Diffraction pattern"},
                 {"Bsq", "G(r) of diffraction"}, {"Bstop", "STOP"}};
  for (const Named& n : buttons) {
    auto* b = panel->findChild<QPushButton*>(n.name);
    ASSERT_NE(b, nullptr) << n.name;
    EXPECT_EQ(b->text(), n.caption);
  }
  for (const char* name : {"BGraf", "Bdiffgraph", "Bgrgraph", "Brijnew", "Brijgraph", "CBoxXray", "Elam", "Ek",
                           "Ebinwidth", "Lbw", "Estart", "Estop", "Edphi", "Eqstart", "Eqstop", "Eqstep", "RBs",
                           "RBangle", "Egrstart", "Egrstop", "Egrstep", "RBwnone", "RBwhamm", "RBwlodge", "ChBtuzpo",
                           "ChBshowpattern", "ChBoxGrGraph", "ChBgraphrij", "CGauge", "CG", "Label1", "Label4",
                           "Label6", "Label7"})
    EXPECT_NE(panel->findChild<QWidget*>(name), nullptr) << name;
  EXPECT_EQ(panel->findChild<QLabel*>("Label1")->text(), "Show diffraction  pattern after calculations");
  EXPECT_EQ(panel->findChild<QLabel*>("Lbw")->text(), "Bin width>=0.1 gives diffraction pattern with failures");
  EXPECT_EQ(panel->Bgrgraph->toolTip(), "PDF diagram");
  EXPECT_EQ(panel->CBoxXray->toolTip(), "X Ray source");
  EXPECT_FALSE(panel->Ek->isVisibleTo(panel));
  EXPECT_FALSE(panel->Bstop->isVisibleTo(panel));
  EXPECT_TRUE(panel->RBwlodge->isChecked());
  EXPECT_EQ(panel->Timer->interval(), 250);
}

TEST_F(CalcPanelTest, CaptionsToggleTheirCheckBoxes) {
  for (auto [label, box] : {std::pair{"Label4", panel->ChBtuzpo}, std::pair{"Label1", panel->ChBshowpattern},
                            std::pair{"Label6", panel->ChBgraphrij}, std::pair{"Label7", panel->ChBoxGrGraph}}) {
    const bool before = box->isChecked();
    QTest::mouseClick(panel->findChild<QLabel*>(label), Qt::LeftButton);
    EXPECT_NE(box->isChecked(), before) << label;
  }
}

TEST_F(CalcPanelTest, BinWidthWarningPopupAndQMirror) {
  panel->show();
  panel->Ebinwidth->setText("0.1");
  EXPECT_FALSE(panel->Lbw->isHidden());
  panel->N1161Click(10);
  EXPECT_EQ(panel->Ebinwidth->text(), "0.0009765625");
  EXPECT_TRUE(panel->Lbw->isHidden());
  // A text that is not a number yet is left to the command that uses it.
  panel->Ebinwidth->setText("0,1");
  panel->Ebinwidth->setText("1e");
  EXPECT_TRUE(host.messages.empty());
  EXPECT_TRUE(panel->Lbw->isHidden());

  panel->CBoxXray->setCurrentIndex(3);  // Cu
  EXPECT_EQ(panel->Elam->text(), "1.5444");
  panel->Estart->setText("60");
  EXPECT_EQ(panel->Eqstart->text(), "4.0684");
  panel->Estart->setText("6-");
  EXPECT_EQ(panel->Eqstart->text(), "4.0684");
  EXPECT_TRUE(host.messages.empty());
}

// The Q fields follow lambda at once, whether an anode or a typed lambda set it.
TEST_F(CalcPanelTest, QFieldsFollowTheWavelength) {
  panel->Estart->setText("60");
  panel->Estop->setText("120");
  panel->Edphi->setText("1");
  const auto q = [](double twoThetaDeg, double lambda) {
    return QString::fromStdString(fmtGeneral(4 * M_PI * std::sin(twoThetaDeg * M_PI / 360) / lambda, 5));
  };
  for (int anode : {1, 2, 3, 4}) {
    panel->CBoxXray->setCurrentIndex(anode);
    const double lambda = panel->Elam->text().toDouble();
    EXPECT_EQ(panel->Eqstart->text(), q(60, lambda)) << anode;
    EXPECT_EQ(panel->Eqstop->text(), q(120, lambda)) << anode;
    EXPECT_EQ(panel->Eqstep->text(), q(1, lambda)) << anode;
  }
  panel->Elam->setText("2");
  EXPECT_EQ(panel->Eqstart->text(), q(60, 2));
  panel->Ek->setText("6.2832");  // lambda 1
  EXPECT_EQ(panel->Eqstop->text(), q(120, 1.0000));
}

TEST_F(CalcPanelTest, AnodeWavelengthAndKStayCoupled) {
  panel->CBoxXray->setCurrentIndex(3);
  EXPECT_EQ(panel->Elam->text(), "1.5444");
  EXPECT_EQ(panel->Ek->text(), "4.06836");
  panel->Elam->setText("2");
  EXPECT_EQ(panel->CBoxXray->currentIndex(), 0);  // Custom, without its table values
  EXPECT_EQ(panel->Elam->text(), "2");
  EXPECT_EQ(panel->Ek->text(), "3.1416");
  panel->CBoxXray->setCurrentIndex(6);  // "X" keeps the values
  EXPECT_EQ(panel->Elam->text(), "2");
  panel->CBoxXray->setCurrentIndex(0);
  EXPECT_EQ(panel->Elam->text(), "0.56");
  EXPECT_EQ(panel->Ek->text(), "11.2199");
}

TEST_F(CalcPanelTest, SIsPlottedAgainstQOnly) {
  panel->RBi->click();
  EXPECT_TRUE(panel->RBangle->isEnabled());
  panel->RBangle->setChecked(true);
  panel->RBs->click();
  EXPECT_FALSE(panel->RBangle->isEnabled());
  EXPECT_TRUE(panel->RBq->isChecked());
}

TEST_F(CalcPanelTest, ConversionErrorStartsNothing) {
  ASSERT_TRUE(host.buildFcc("3.54", "5"));
  panel->Ebinwidth->setText("abc");
  host.messages.clear();
  panel->BLiczPdfClick();
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].kind, MessageKind::ConversionError);
  EXPECT_FALSE(panel->calculationRunning());
  EXPECT_EQ(host.logIndex("... PDH CALCULATIONS START ... "), -1);
}

TEST_F(CalcPanelTest, GrOfDiffractionChainsPdhAndDiffractionAndOpensThreeDiagrams) {
  ASSERT_TRUE(host.buildFcc("3.54", "15"));
  EXPECT_TRUE(host.log.contains("fcc, number of nodes=1253"));
  panel->Ebinwidth->setText("0.01");
  panel->CBoxXray->setCurrentIndex(3);
  panel->Estart->setText("10");
  panel->Estop->setText("120");
  panel->Edphi->setText("0.1");
  panel->Egrstop->setText("20");
  panel->ChBtuzpo->setChecked(true);
  panel->ChBshowpattern->setChecked(true);
  panel->ChBoxGrGraph->setChecked(true);
  panel->Bsq->setEnabled(true);  // as after a pattern read from a file
  host.window.show();
  host.wb.fitForm.gr = &host.wb.gr;  // a G(r) of an earlier run

  QTest::mouseClick(panel->Bsq, Qt::LeftButton);
  // The chain has started the G(r) run, which fills the record: the fityk
  // window must not reach it until the completion hands it over again.
  EXPECT_EQ(host.wb.fitForm.gr, nullptr);
  ASSERT_TRUE(idle(3));
  EXPECT_TRUE(host.messages.empty());

  const QString order[] = {"... PDH CALCULATIONS START ... ",        "... PDH CALCULATIONS STOP ...",
                           "... DIFFRACTION CALCULATIONS START ...", "... DIFFRACTION CALCULATIONS STOP ...",
                           "... G(r) CALCULATIONS START ...",        "... G(r) CALCULATIONS STOP ..."};
  int at = 0;
  for (const QString& line : order) {
    const int i = host.logIndex(line, at);
    ASSERT_GE(i, at) << line.toStdString();
    const QString timeLine = host.log.value(i + 1);
    EXPECT_TRUE(timeLine.startsWith(line.contains("START") ? " start time: " : " stop time: "))
        << timeLine.toStdString();
    at = i + 1;
  }
  EXPECT_EQ(host.log.value(host.logIndex("... PDH CALCULATIONS START ... ") - 1), "  ");
  EXPECT_EQ(host.log.value(host.logIndex("... G(r) CALCULATIONS START ...") - 1), "");
  EXPECT_EQ(host.window.forwarded, 3);

  const Workbench& wb = host.wb;
  EXPECT_FALSE(wb.pdh.empty());
  EXPECT_EQ(wb.pattern.count, 1100);  // 2theta 10 .. 119.9
  EXPECT_EQ(wb.gr.count, 2000);
  EXPECT_EQ(wb.fitForm.gr, &wb.gr);
  EXPECT_TRUE(panel->Bgrgraph->isEnabled());
  EXPECT_TRUE(panel->Bdiffgraph->isEnabled());
  EXPECT_TRUE(host.enabled.at(cmd::SaveGr));
  EXPECT_TRUE(host.enabled.at(cmd::SaveDiffraction));
  EXPECT_TRUE(host.enabled.at(cmd::SavePdh));
  EXPECT_FALSE(panel->Bstop->isVisible());
  EXPECT_FALSE(panel->CGauge->isVisible());

  const QList<QWidget*> diagrams = panel->openedDiagrams();
  ASSERT_EQ(diagrams.size(), 3);
  const char* titles[] = {"diagram: 1", "diagram: 2", "diagram: 3"};
  for (int i = 0; i < 3; ++i) {
    auto* d = qobject_cast<TFdiagram*>(diagrams[i]);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->windowTitle(), titles[i]);
    EXPECT_EQ(d->parentWidget(), &host.window);
    EXPECT_TRUE(d->memoText().contains("... ... ... ... ...")) << i;  // the parameters report
    QTest::qWait(20);
    d->grab().save(shotDir() + QString("/diagram%1.png").arg(i + 1));
  }
  EXPECT_TRUE(qobject_cast<TFdiagram*>(diagrams[1])->memoText().contains("XRay anode: Cu"));
  EXPECT_TRUE(qobject_cast<TFdiagram*>(diagrams[2])->memoText().contains("windowing function: Lorch"));
  panel->grab().save(shotDir() + "/panel.png");
}

TEST_F(CalcPanelTest, StopDuringLargePdhAbortsEnablesNothingAndStaysResponsive) {
  ASSERT_TRUE(host.buildFcc("3.54", "81"));
  ASSERT_GE(host.wb.ideal.size(), 200000u);
  // Off its lattice (as a modified grain is) the grain's pairs go through the pair loop.
  host.wb.generator->grid.reset();
  host.window.show();
  panel->Ebinwidth->setText("0.001");
  panel->ChBtuzpo->setChecked(true);
  host.enabled.clear();
  host.wb.fitForm.pdh = &host.wb.pdh;  // as after an earlier run

  QTest::mouseClick(panel->BLiczPdf, Qt::LeftButton);
  ASSERT_TRUE(panel->calculationRunning());
  EXPECT_EQ(host.wb.fitForm.pdh, nullptr);  // the fityk window must not read the list being filled
  EXPECT_TRUE(panel->Bstop->isVisible());
  EXPECT_TRUE(panel->CG->isVisible());

  // The window keeps handling events while the pairs are counted.
  int ticks = 0;
  QTimer probe;
  QObject::connect(&probe, &QTimer::timeout, [&] { ++ticks; });
  probe.start(20);
  ASSERT_TRUE(waitFor([&] { return panel->CGauge->value() > 0 && ticks >= 5; }, 30000));
  const int pie = panel->CG->progress();
  ASSERT_TRUE(waitFor([&] { return panel->CG->progress() != pie; }, 5000));

  // Reading the result while it is being written is refused.
  panel->BGrafClick();
  EXPECT_TRUE(panel->openedDiagrams().isEmpty());

  QElapsedTimer stopTimer;
  stopTimer.start();
  QTest::mouseClick(panel->Bstop, Qt::LeftButton);
  EXPECT_TRUE(host.log.contains(" ===== CALCULATIONS ABORTED ====="));
  EXPECT_FALSE(panel->Bstop->isVisible());
  ASSERT_TRUE(idle(1, 30000));
  const qint64 stopMs = stopTimer.elapsed();
  std::printf("PDH of %zu atoms stopped and completed in %lld ms\n", host.wb.ideal.size(),
              static_cast<long long>(stopMs));
  RecordProperty("stop_ms", static_cast<int>(stopMs));

  const int aborted = host.logIndex(" ===== CALCULATIONS ABORTED =====");
  EXPECT_GT(host.logIndex("... PDH CALCULATIONS STOP ...", aborted), aborted);
  for (const auto& [name, on] : host.enabled) EXPECT_FALSE(on) << name;  // the start turns delta(r) results off
  for (QWidget* w : {static_cast<QWidget*>(panel->BGraf), static_cast<QWidget*>(panel->BHistogram),
                     static_cast<QWidget*>(panel->Bpdfdyfr)})
    EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
  EXPECT_TRUE(host.wb.pdh.empty());
  EXPECT_TRUE(panel->openedDiagrams().isEmpty());
  EXPECT_TRUE(host.messages.empty());
}

// An unmodified grain is counted from its lattice; STOP pressed as soon as
// the gauge moves ends that run as it ends the pair loop.
TEST_F(CalcPanelTest, StopDuringTheLatticePdhAbortsAndLeavesNoHistogram) {
  ASSERT_TRUE(host.buildFcc("3.54", "110"));
  ASSERT_GE(host.wb.ideal.size(), 500000u);
  host.window.show();
  panel->Ebinwidth->setText("0.001");
  QTest::mouseClick(panel->BLiczPdf, Qt::LeftButton);
  ASSERT_TRUE(panel->calculationRunning());
  ASSERT_TRUE(waitFor([&] { return panel->CGauge->value() > 0 || !panel->calculationRunning(); }, 60000));
  QTest::mouseClick(panel->Bstop, Qt::LeftButton);
  ASSERT_TRUE(idle(1));
  EXPECT_GE(host.logIndex(" PDH method: lattice (pairs per lattice vector, by FFT)"), 0);
  const int aborted = host.logIndex(" ===== CALCULATIONS ABORTED =====");
  ASSERT_GE(aborted, 0);
  EXPECT_GT(host.logIndex("... PDH CALCULATIONS STOP ...", aborted), aborted);
  EXPECT_TRUE(host.wb.pdh.empty());
  EXPECT_FALSE(panel->BGraf->isEnabled());
  EXPECT_FALSE(panel->CGauge->isVisible());
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(CalcPanelTest, StopInsideAChainEndsTheChainAndANewRunIgnoresTheOldEvent) {
  ASSERT_TRUE(host.buildFcc("3.54", "60"));
  host.wb.generator->grid.reset();  // the pair loop: long enough to be stopped
  panel->Ebinwidth->setText("0.001");
  bool clicked = false;
  // STOP is pressed from inside the chain's wait, as the user would.
  QTimer::singleShot(300, panel, [&] {
    clicked = true;
    panel->BstopClick();
  });
  panel->BsqClick();  // returns once the chain is over
  EXPECT_TRUE(clicked);
  EXPECT_EQ(host.logIndex("... DIFFRACTION CALCULATIONS START ..."), -1);
  EXPECT_EQ(host.logIndex("... G(r) CALCULATIONS START ..."), -1);

  ASSERT_TRUE(idle(1));
  EXPECT_GT(host.logIndex("... PDH CALCULATIONS STOP ..."), host.logIndex(" ===== CALCULATIONS ABORTED ====="));
  EXPECT_EQ(host.logIndex("... DIFFRACTION CALCULATIONS START ..."), -1);
  EXPECT_FALSE(panel->Bpdfdyfr->isEnabled());
  EXPECT_EQ(host.wb.pattern.count, 0);
}

TEST_F(CalcPanelTest, AStoppedDiffractionLeavesNothingForGrOrSaving) {
  ASSERT_TRUE(host.buildFcc("3.54", "15"));
  panel->Ebinwidth->setText("0.001");
  panel->Estart->setText("10");
  panel->Estop->setText("120");
  panel->Edphi->setText("0.5");
  QTest::mouseClick(panel->BLiczPdf, Qt::LeftButton);
  ASSERT_TRUE(idle(1));
  QTest::mouseClick(panel->Bpdfdyfr, Qt::LeftButton);
  ASSERT_TRUE(idle(2));
  ASSERT_GT(host.wb.pattern.count, 0);
  ASSERT_TRUE(panel->Bsq->isEnabled());
  ASSERT_TRUE(host.enabled.at(cmd::SaveDiffraction));

  panel->Edphi->setText("0.0001");  // a run long enough to be stopped
  QTest::mouseClick(panel->Bpdfdyfr, Qt::LeftButton);
  ASSERT_TRUE(panel->calculationRunning());
  ASSERT_TRUE(waitFor([&] { return panel->CGauge->value() > 0; }, 30000));
  QTest::mouseClick(panel->Bstop, Qt::LeftButton);
  ASSERT_TRUE(idle(3, 30000));
  EXPECT_EQ(host.wb.pattern.count, 0);
  EXPECT_FALSE(panel->Bsq->isEnabled());
  EXPECT_FALSE(panel->Bdiffgraph->isEnabled());
  EXPECT_FALSE(host.enabled.at(cmd::SaveDiffraction));
  EXPECT_EQ(host.logIndex("... G(r) CALCULATIONS START ..."), -1);
  EXPECT_TRUE(panel->openedDiagrams().isEmpty());
}

TEST_F(CalcPanelTest, ARunStartedAfterStopIgnoresTheStoppedRunsEvent) {
  ASSERT_TRUE(host.buildFcc("3.54", "8"));
  panel->BLiczPdfClick();
  panel->BstopClick();
  panel->BLiczPdfClick();  // before the stopped run's completion event was handled
  ASSERT_TRUE(idle(2));
  EXPECT_EQ(host.log.count("... PDH CALCULATIONS STOP ..."), 1);
  EXPECT_EQ(host.log.count("... PDH CALCULATIONS START ... "), 2);
  EXPECT_FALSE(host.wb.pdh.empty());
  EXPECT_TRUE(panel->BGraf->isEnabled());
}

TEST_F(CalcPanelTest, HistogramListingAndEmptyHistogram) {
  panel->BGraf->setEnabled(true);
  panel->BGrafClick();
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, "Empty histogram");
  host.wb.pdh = {{0.0, 0}, {0.5, 4}};
  panel->BHistogramClick();
  EXPECT_EQ(host.log.mid(host.log.size() - 3), (QStringList{"r\tcard.\tnorm", "0\t0\t0", "0.5\t4\t0"}));
}

// ---------------------------------------------------------------- delta(r)

// The memo line of a diagram that starts with `prefix`.
QString memoLine(const TFdiagram* d, const QString& prefix) {
  for (const QString& l : d->memoText().split('\n'))
    if (l.startsWith(prefix)) return l;
  return {};
}

TEST_F(CalcPanelTest, DeltaOfAUniformScalingIsFlatAtTenWithItsStatistics) {
  ASSERT_TRUE(host.buildFcc("3.54", "15"));
  EXPECT_FALSE(panel->Brijnew->isEnabled());  // no approved modification yet
  host.scaleModified(1.01);
  ASSERT_TRUE(panel->Brijnew->isEnabled());
  EXPECT_FALSE(panel->Brijgraph->isEnabled());
  panel->Ebinwidth->setText("0.01");
  QTest::mouseClick(panel->findChild<QLabel*>("Label6"), Qt::LeftButton);
  ASSERT_TRUE(panel->ChBgraphrij->isChecked());
  host.window.show();
  host.wb.fitForm.pdh = &host.wb.pdh;

  QTest::mouseClick(panel->Brijnew, Qt::LeftButton);
  EXPECT_EQ(host.wb.fitForm.pdh, nullptr);  // the delta sums replace the list
  const int start = host.logIndex("... delta (r) CALCULATIONS START ...");
  ASSERT_GE(start, 0);
  EXPECT_TRUE(host.log.value(start + 1).startsWith("start time is ")) << host.log.value(start + 1).toStdString();
  EXPECT_FALSE(host.log.value(start + 1).endsWith("is "));
  ASSERT_TRUE(idle(1));
  EXPECT_TRUE(host.messages.empty());
  const int stop = host.logIndex("... PDH CALCULATIONS STOP ...", start);
  ASSERT_GT(stop, start);
  EXPECT_TRUE(host.log.value(stop + 1).startsWith(" stop time: "));
  EXPECT_FALSE(panel->Bstop->isVisible());

  // The shared list now holds the delta sums of the non-empty bins.
  const Workbench& wb = host.wb;
  ASSERT_FALSE(wb.pdh.empty());
  for (const StLiczOdl& e : wb.pdh) {
    EXPECT_GT(e.card, 0);
    EXPECT_EQ(e.r, 0.0);
    EXPECT_NEAR((e.sumMod - e.sumIdeal) / e.sumIdeal, 0.01, 1e-12);
  }
  EXPECT_TRUE(panel->Brijgraph->isEnabled());
  EXPECT_TRUE(host.enabled.at(cmd::SaveDelta));
  EXPECT_FALSE(host.enabled.at(cmd::SavePdh));  // the list no longer holds a PDH
  EXPECT_FALSE(host.enabled.at(cmd::PdhDiagram));

  ASSERT_EQ(panel->openedDiagrams().size(), 1);
  auto* d = qobject_cast<TFdiagram*>(panel->openedDiagrams()[0]);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->windowTitle(), "diagram: 1");
  EXPECT_EQ(d->listEntries(), QStringList{"diagram: 1"});
  EXPECT_EQ(d->Graf->getGraphTitle(), "(ri-r)/r diagram");
  EXPECT_EQ(d->Graf->getAxisXTitle(), "pair distance r[A]");
  EXPECT_EQ(d->Graf->getAxisYTitle(), "(ri-r)/r * 1e3");
  ASSERT_EQ(d->Graf->diagramCount(), 1u);
  EXPECT_EQ(d->Graf->getColor(0), static_cast<TColor>(diagramRgb(255, 128, 0)));
  EXPECT_EQ(d->Graf->getPenWidth(0), 2u);
  const stRange yr = d->Graf->getDiagramMinMaxY(0);
  EXPECT_NEAR(yr.min, 10, 1e-9);
  EXPECT_NEAR(yr.max, 10, 1e-9);

  // Parameters report first, then the statistics.
  const QStringList memo = d->memoText().split('\n');
  const int report = memo.indexOf("... ... ... ... ...");
  const int mean = memo.indexOf(" mean*1e3:  10");
  ASSERT_GE(report, 0);
  ASSERT_GT(mean, report);
  EXPECT_EQ(memo.value(report + 1), " diagram number: 1");
  EXPECT_TRUE(memo.contains(" number of nodes: " + QString::number(wb.modified.size())));
  EXPECT_EQ(memo.value(mean + 1), " mean latt.prm.:  3.5754");
  EXPECT_TRUE(memo.value(mean + 2).startsWith(" std*1e3:  "));
  EXPECT_TRUE(memo.value(mean + 3).startsWith(" std latt.prm.:  "));
  EXPECT_EQ(memo.value(mean + 4), "--------------------------------");
  bool ok = false;
  EXPECT_NEAR(memoLine(d, " std*1e3:  ").mid(11).toDouble(&ok), 0, 1e-6);
  EXPECT_TRUE(ok);
  EXPECT_NEAR(memoLine(d, " std latt.prm.:  ").mid(17).toDouble(&ok), 0, 1e-8);
  EXPECT_TRUE(ok);
  QTest::qWait(50);
  d->grab().save(shotDir() + "/delta.png");
  d->toggleMemo();
  QTest::qWait(50);
  d->grab().save(shotDir() + "/delta_memo.png");

  // "Save delta(r)/r" writes the list the run left: one row per bin, the
  // relative change 0.01 in every row.
  const QString dij = shotDir() + "/delta.dij";
  StFileTexts texts;
  texts.binWidth = "0.01";
  ASSERT_TRUE(saveDeltaFile(dij.toStdString(), wb.pdh, texts).ok);
  QFile file(dij);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  int rows = 0;
  for (const QByteArray& line : file.readAll().split('\n')) {
    if (line.isEmpty() || line.startsWith('#')) continue;
    ++rows;
    EXPECT_TRUE(line.endsWith("\t0.01")) << line.toStdString();
  }
  EXPECT_EQ(rows, static_cast<int>(wb.pdh.size()));

  // "delta(r) diagram" opens the same diagram again under the next number.
  QTest::mouseClick(panel->Brijgraph, Qt::LeftButton);
  ASSERT_EQ(panel->openedDiagrams().size(), 2);
  auto* again = qobject_cast<TFdiagram*>(panel->openedDiagrams()[1]);
  EXPECT_EQ(again->windowTitle(), "diagram: 2");
  EXPECT_EQ(memoLine(again, " mean latt.prm.:  "), " mean latt.prm.:  3.5754");

  // A PDH run replaces the delta sums: their commands go off.
  panel->BLiczPdfClick();
  ASSERT_TRUE(idle(2));
  EXPECT_FALSE(host.enabled.at(cmd::SaveDelta));
  EXPECT_FALSE(panel->Brijgraph->isEnabled());
  EXPECT_TRUE(panel->BGraf->isEnabled());
}

TEST_F(CalcPanelTest, DeltaRefusesUnequalListsAndUnreadableEdits) {
  ASSERT_TRUE(host.buildFcc("3.54", "5"));
  host.scaleModified(1.01);
  const size_t n = host.wb.ideal.size();
  host.wb.modified.pop_back();

  QTest::mouseClick(panel->Brijnew, Qt::LeftButton);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].kind, MessageKind::Error);
  EXPECT_EQ(host.messages[0].title, "ERROR");
  EXPECT_EQ(host.messages[0].text, "Sizes of ideal lattice and modified are different: " + std::to_string(n) + ", " +
                                       std::to_string(n - 1));
  EXPECT_FALSE(panel->calculationRunning());
  EXPECT_FALSE(panel->Bstop->isVisible());

  host.scaleModified(1.01);
  host.messages.clear();
  panel->Ebinwidth->setText("0.0l");
  host.messages.clear();
  panel->BrijnewClick();
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].kind, MessageKind::ConversionError);
  EXPECT_FALSE(panel->calculationRunning());
  EXPECT_EQ(host.logIndex("... delta (r) CALCULATIONS START ..."), -1);
  EXPECT_EQ(host.window.forwarded, 0);

  // Without delta bins the diagram opens without a curve and says so.
  panel->Brijgraph->setEnabled(true);
  host.window.show();
  QTest::mouseClick(panel->Brijgraph, Qt::LeftButton);
  ASSERT_EQ(panel->openedDiagrams().size(), 1);
  auto* d = qobject_cast<TFdiagram*>(panel->openedDiagrams()[0]);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->Graf->diagramCount(), 0u);
  EXPECT_EQ(memoLine(d, " mean*1e3:  "), " mean*1e3:  no data");
  d->toggleMemo();
  QTest::qWait(50);
  d->grab().save(shotDir() + "/delta_empty.png");
}

TEST_F(CalcPanelTest, StopDuringDeltaLeavesAnEmptyListAndEnablesNothing) {
  ASSERT_TRUE(host.buildFcc("3.54", "60"));
  host.scaleModified(1.01);
  panel->ChBgraphrij->setChecked(true);
  host.window.show();
  host.enabled.clear();

  QTest::mouseClick(panel->Brijnew, Qt::LeftButton);
  ASSERT_TRUE(panel->calculationRunning());
  EXPECT_TRUE(panel->Bstop->isVisible());
  ASSERT_TRUE(waitFor([&] { return panel->CGauge->value() > 0; }, 30000));
  // The list is being rewritten: its diagram is refused meanwhile.
  panel->BrijgraphClick();
  EXPECT_TRUE(panel->openedDiagrams().isEmpty());

  QTest::mouseClick(panel->Bstop, Qt::LeftButton);
  ASSERT_TRUE(idle(1, 30000));
  const int aborted = host.logIndex(" ===== CALCULATIONS ABORTED =====");
  ASSERT_GE(aborted, 0);
  EXPECT_GT(host.logIndex("... PDH CALCULATIONS STOP ...", aborted), aborted);
  for (const auto& [name, on] : host.enabled) EXPECT_FALSE(on) << name;
  EXPECT_FALSE(panel->Brijgraph->isEnabled());
  EXPECT_TRUE(host.wb.pdh.empty());
  EXPECT_TRUE(panel->openedDiagrams().isEmpty());
  EXPECT_TRUE(host.messages.empty());
}


// The experiments queue runs each calculation through runAndWait: it
// returns once the result is taken over, and nothing starts after the
// close sequence (a queue waiting then must end, not spin).
TEST_F(CalcPanelTest, RunAndWaitEndsWithItsRunAndNothingStartsAfterClose) {
  ASSERT_TRUE(host.buildFcc("3.54", "8"));
  EXPECT_TRUE(panel->runAndWait(CalcPanel::Run::Pdh));
  EXPECT_FALSE(panel->calculationRunning());
  EXPECT_FALSE(host.wb.pdh.empty());
  EXPECT_EQ(host.log.count("... PDH CALCULATIONS STOP ..."), 1);
  EXPECT_TRUE(panel->runAndWait(CalcPanel::Run::Diffraction));
  EXPECT_GT(host.wb.pattern.count, 0);

  panel->flags().queueRunning = true;
  panel->stopAndAwaitThreads();
  EXPECT_FALSE(panel->flags().queueRunning);
  EXPECT_FALSE(panel->runAndWait(CalcPanel::Run::Gr));
  EXPECT_EQ(host.log.count("... G(r) CALCULATIONS START ..."), 0);
  EXPECT_FALSE(panel->calculationRunning());
}

}  // namespace
}  // namespace grainix

// The experiments queue through the main window, as a person runs it: the
// queue window and the stacking windows are real modal windows driven by
// keys and clicks, the calculations run on their threads.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <sstream>

#include "engine/app/calc_commands.h"
#include "engine/io/readers.h"
#include "gui/app/tfmain.h"
#include "gui/calc/calc_panel.h"
#include "gui/controls/group_box_ext.h"
#include "gui/grain/tfhcp.h"
#include "gui/queue/tfexpqueue.h"

namespace grainix {
namespace {

class RecordingPresenter : public MessagePresenter {
 public:
  std::vector<StMessage> shown;
  void message(QWidget*, const StMessage& m) override { shown.push_back(m); }
  bool inputText(QWidget*, const QString&, const QString&, QString&) override { return false; }
  QString openFileName(QWidget*, const StFileDialog&) override { return {}; }
  QString saveFileName(QWidget*, const StFileDialog&) override { return {}; }
  QString chooseFolder(QWidget*, const QString&) override { return {}; }
  bool chooseFont(QWidget*, QFont&) override { return false; }
  bool choosePriority(QWidget*, int&) override { return false; }
};

std::string slurp(const QString& path) {
  std::ifstream in(path.toStdString(), std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Runs `drive` with the modal window of type T once its modal loop runs;
// nothing when `context` is gone by then.
template <class T>
void whenModal(QObject* context, std::function<void(T&)> drive) {
  QTimer::singleShot(0, context, [drive] {
    auto* w = qobject_cast<T*>(QApplication::activeModalWidget());
    ASSERT_NE(w, nullptr) << "no modal " << T::staticMetaObject.className();
    // The desktop gives a new window the focus.
    w->activateWindow();
    QApplication::processEvents();
    EXPECT_TRUE(w->isActiveWindow());
    drive(*w);
  });
}

// Replaces the text of an edit by typing, as a person does.
void typeInto(QLineEdit* e, const QString& text) {
  e->setFocus(Qt::MouseFocusReason);
  QTest::keyClick(e, Qt::Key_End);
  for (qsizetype n = e->text().size(); n > 0; --n) QTest::keyClick(e, Qt::Key_Backspace);
  QTest::keyClicks(e, text);
}

void click(QAbstractButton* b) { QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(8, b->height() / 2)); }

class QueueWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    options.workingDir = QStringLiteral(GRAINIX_SOURCE_DIR "/data");
    options.exePath = tmp.filePath("grainix");
    options.settingsPath = tmp.filePath("grainix.ini");
    options.presenter = &presenter;
    folder = tmp.filePath("out/queue");
    openMain();
  }
  void openMain() {
    if (w) w->close();
    w = std::make_unique<TFMain>(options);
    // A small cobalt sphere: every calculation takes a moment only.
    auto* el = w->findChild<QComboBox*>("CBoxElemL");
    el->setCurrentIndex(el->findText("Co"));
    typeInto(w->findChild<QLineEdit*>("Elp"), "3.54");
    typeInto(w->findChild<QLineEdit*>("Eradius"), "6");
    w->show();
    w->activateWindow();
    QApplication::processEvents();
  }
  void TearDown() override {
    w->close();
    w.reset();
  }

  // Ctrl+E, the hidden "Experiments queue" item, in the main window the
  // desktop has activated again; `drive` works the queue window. Returns
  // once the queue window is closed and the queue has run.
  void openQueue(std::function<void(TFexpQueue&)> drive) {
    w->activateWindow();
    QApplication::processEvents();
    bool opened = false;
    whenModal<TFexpQueue>(w.get(), [&](TFexpQueue& q) {
      opened = true;
      drive(q);
    });
    QTest::keyClick(w.get(), Qt::Key_E, Qt::ControlModifier);
    EXPECT_TRUE(opened);
  }
  QStringList log() const { return w->logLines(); }
  CalcPanel& panel() { return *w->calcPanel(); }
  QString file(const QString& name) const { return folder + "/" + name; }

  // The report with its date line taken out.
  std::string reportWithoutDate(const QString& head) const {
    std::string r = slurp(file(head + "Report.txt"));
    const auto at = r.find("#date: ");
    if (at != std::string::npos) r.erase(at, r.find('\n', at) - at);
    return r;
  }

  QTemporaryDir tmp;
  RecordingPresenter presenter;
  StMainOptions options;
  std::unique_ptr<TFMain> w;
  QString folder;
};

TEST_F(QueueWindowTest, TwoEntriesWithPdhDiffractionAndGrSaved) {
  QStringList rowNumbers;
  openQueue([&](TFexpQueue& q) {
    EXPECT_EQ(q.windowTitle(), "Experiments Queue");
    EXPECT_FALSE(q.BStart->isEnabled());
    EXPECT_FALSE(q.Bdel->isEnabled());
    typeInto(q.EfileHead, "zns");
    typeInto(q.Edescription, "hcp and fcc");
    typeInto(q.Efolder, folder);
    QTest::keyClick(q.Efolder, Qt::Key_Tab);  // leaving the folder creates it
    EXPECT_TRUE(QDir(folder).exists());
    ASSERT_TRUE(q.FrSaveData->ChBonoff->isEnabled());
    click(q.FrSaveData->ChBonoff);
    for (QCheckBox* b : {q.FrSaveData->ChBoxID, q.FrSaveData->ChBoxDiff, q.FrSaveData->ChBoxGr}) click(b);
    // Saving G(r) switched on what it needs.
    EXPECT_TRUE(q.FrCalculations->ChBonoff->isChecked());
    EXPECT_TRUE(q.FrCalculations->ChBoxID->isChecked() && q.FrCalculations->ChBoxDiff->isChecked() &&
                q.FrCalculations->ChBoxGr->isChecked());
    click(q.Badd);
    click(q.Badd);
    ASSERT_EQ(q.rows().size(), 2u);
    for (TFrExpValues* row : q.rows()) rowNumbers << row->Eno->text();
    EXPECT_TRUE(q.BStart->isEnabled());

    // Entry 1: hcp with its own layer spacing; entry 2: fcc as the window starts.
    const struct {
      const char* sequence;
      const char* c;
    } entries[] = {{"abab", "4.1"}, {"ABC", nullptr}};
    for (size_t i = 0; i < 2; ++i) {
      whenModal<TFhcp>(&q, [&, i](TFhcp& s) {
        QTest::keyClicks(s.Ess, entries[i].sequence);
        if (entries[i].c) typeInto(s.Elhcpc, entries[i].c);
        click(s.Bokhex);
      });
      click(q.rows()[i]->Bprm);
    }
    EXPECT_EQ(q.rows()[0]->Eprm->text(), "a=2.5032,c=4.1,u=0.75, ABAB");
    EXPECT_EQ(q.rows()[1]->Eprm->text(), "a=2.5032,c=2.0438,u=0.75, ABC");
    // Reopened, the stacking window shows the entry as it was left.
    whenModal<TFhcp>(&q, [](TFhcp& s) {
      EXPECT_EQ(s.Ess->text(), "ABAB");
      EXPECT_EQ(s.Elhcpc->text(), "4.1");
      click(s.Bcancel);
    });
    click(q.rows()[0]->Bprm);
    EXPECT_EQ(q.rows()[0]->Eprm->text(), "a=2.5032,c=4.1,u=0.75, ABAB");
    // GRAINIX_SCREENSHOT_DIR keeps pictures of the window and the screen for a look.
    const QString shots = qEnvironmentVariable("GRAINIX_SCREENSHOT_DIR");
    if (!shots.isEmpty()) {
      q.grab().save(shots + "/queue_window.png");
      QApplication::processEvents();  // the closed stacking window leaves the screen
      QGuiApplication::primaryScreen()->grabWindow(0).save(shots + "/queue_screen.png");
    }
    click(q.BStart);
  });

  EXPECT_EQ(rowNumbers, (QStringList{"1", "2"}));
  auto entry = [&](int n, const char* seq, const char* c) {
    const std::string p = folder.toStdString() + "/zns" + std::to_string(n);
    return "\n----------------\nexp. no: " + std::to_string(n) + "\nsequence: " + seq +
           "\nshape: 1\nl.p. a: 2.5032\nl.p. c: " + c + "\nu: 0.75\n\nnodes file: no\n PDH data: " + p +
           ".his\ndiffraction data: " + p + ".diff\npdf data: " + p + ".grp";
  };
  EXPECT_EQ(reportWithoutDate("zns"), "*** experiments queue report ***\n\n\n#description: hcp and fcc\n" +
                                          entry(0, "ABAB", "4.1") + entry(1, "ABC", "2.0438") +
                                          "\n----------------");
  const QStringList lines = log();
  for (const char* l : {" list of experiments:", "0). seq: ABAB", "1). seq: ABC", "<<< EXPERIMENTS QUEUE START >>>",
                        "<<< EXPERIMENTS QUEUE STOP >>>"})
    EXPECT_TRUE(lines.contains(l)) << l;
  EXPECT_EQ(lines.count("... PDH CALCULATIONS START ... "), 2);
  EXPECT_EQ(lines.count("... G(r) CALCULATIONS START ..."), 2);
  EXPECT_FALSE(QFile::exists(file("zns0.ndl")));

  // The files read back; the last one holds the grain the window holds now.
  Workbench back;
  StReadTarget target{back.ideal, back.generator, back.loadedAtoms, back.sections, back.grainPrm};
  for (int n : {0, 1}) {
    const std::string p = file("zns%1.").arg(n).toStdString();
    EXPECT_TRUE(loadHistogramFile(p + "his", target, back.pdh, back.partial).result.ok) << n;
    EXPECT_TRUE(loadDiffractionFile(p + "diff", target, back.pattern).result.ok) << n;
    EXPECT_GT(back.pattern.count, 100) << n;
    EXPECT_TRUE(QFile::exists(file("zns%1.grp").arg(n)));
  }
  const Workbench& wb = w->workbench();
  int64_t pairs = 0;
  for (const StLiczOdl& e : back.pdh) pairs += e.card;
  EXPECT_EQ(pairs, static_cast<int64_t>(wb.ideal.size() * (wb.ideal.size() - 1) / 2));
  auto occupied = [](const PdhList& l) { return std::count_if(l.begin(), l.end(), [](auto& e) { return e.card > 0; }); };
  EXPECT_EQ(occupied(back.pdh), occupied(wb.pdh));
  EXPECT_EQ(w->workbench().queue.entries.size(), 2u);  // kept for the next opening
  EXPECT_TRUE(presenter.shown.empty());

  // The common parameters outlive the program in the settings file.
  w->close();
  w = std::make_unique<TFMain>(options);
  EXPECT_EQ(w->workbench().queue.fileHead, "zns");
  EXPECT_EQ(w->workbench().queue.description, "hcp and fcc");
  EXPECT_EQ(w->workbench().queue.folder, folder.toStdString());
  EXPECT_TRUE(w->workbench().queue.entries.empty());
}

// STOP while the PDH of the second of three entries runs: that entry still
// runs its remaining steps, the third never starts.
TEST_F(QueueWindowTest, StopDuringTheSecondEntry) {
  StExpQueue& q = w->workbench().queue;
  q.fileHead = "st";
  q.folder = folder.toStdString();
  QDir().mkpath(folder);
  for (const char* seq : {"AB", "ABC", "ABCB"}) {
    StExpQueueRecord e;
    e.sequence = seq;
    e.number = static_cast<int32_t>(q.entries.size() + 1);
    q.entries.push_back(e);
  }
  q.saveOn = true;
  q.calcOn = true;
  q.savePdh = q.saveDiff = true;  // opening applies them as clicks: PDH and diffraction get computed

  // The second PDH completion is held until STOP was pressed.
  struct StopAtSecondPdh : QObject {
    QPushButton* stop = nullptr;
    int seen = 0;
    bool eventFilter(QObject*, QEvent* e) override {
      if (static_cast<int>(e->type()) == kMsgPairLoopDone && ++seen == 2) {
        EXPECT_TRUE(stop->isVisible());
        QTest::mouseClick(stop, Qt::LeftButton);
      }
      return false;
    }
  } stopper;
  stopper.stop = panel().Bstop;
  w->installEventFilter(&stopper);

  openQueue([](TFexpQueue& window) { click(window.BStart); });
  w->removeEventFilter(&stopper);

  const std::string r = slurp(file("stReport.txt"));
  EXPECT_NE(r.find("exp. no: 1\n"), std::string::npos);
  EXPECT_EQ(r.find("exp. no: 2"), std::string::npos);
  const std::string entry1 = r.substr(r.find("exp. no: 1"));
  EXPECT_NE(entry1.find("\n PDH data: no\ndiffraction data: " + file("st1.diff").toStdString() +
                        "\n----------------"),
            std::string::npos)
      << entry1;
  EXPECT_TRUE(QFile::exists(file("st0.his")));
  EXPECT_FALSE(QFile::exists(file("st1.his")));  // the stopped PDH is not saved
  EXPECT_TRUE(QFile::exists(file("st0.diff")));
  EXPECT_TRUE(QFile::exists(file("st1.diff")));
  EXPECT_FALSE(QFile::exists(file("st2.diff")));
  const QStringList lines = log();
  EXPECT_EQ(lines.count(kAbortedLine), 1);
  EXPECT_EQ(lines.count("... DIFFRACTION CALCULATIONS START ..."), 2);
  EXPECT_EQ(lines.last(), "<<< EXPERIMENTS QUEUE STOP >>>");
}

TEST_F(QueueWindowTest, FolderErrorBoxCancelAndTheGroupSwitches) {
  bool boxSeen = false;
  openQueue([&](TFexpQueue& q) {
    // Showing the G(r) diagram switches on everything it is made from.
    click(q.FrDiagram->ChBonoff);
    EXPECT_TRUE(q.FrDiagram->GrBox->isEnabled());
    click(q.FrDiagram->ChBoxGr);
    EXPECT_TRUE(q.FrCalculations->ChBonoff->isChecked());
    EXPECT_TRUE(q.FrCalculations->ChBoxDiff->isChecked());
    EXPECT_FALSE(q.FrCalculations->ChBoxPos->isVisible());
    EXPECT_EQ(q.FrDiagram->ChBoxPos->text(), "RasTop");
    // Unchecking the PDH calculation takes the PDH items away.
    click(q.FrCalculations->ChBoxID);
    EXPECT_FALSE(q.FrDiagram->ChBoxID->isEnabled());
    click(q.FrDiagram->ChBonoff);
    EXPECT_FALSE(q.FrDiagram->ChBoxGr->isEnabled());

    // An empty folder: a real error box, closed as a person would.
    whenModal<QMessageBox>(&q, [&](QMessageBox& box) {
      boxSeen = true;
      EXPECT_EQ(box.text(), "Path to folder is empty. Files will not be saved!");
      EXPECT_EQ(box.icon(), QMessageBox::Critical);
      click(box.button(QMessageBox::Ok));
    });
    typeInto(q.Efolder, "");
    QTest::keyClick(q.Efolder, Qt::Key_Return);
    EXPECT_FALSE(q.FrSaveData->ChBonoff->isEnabled());
    click(q.Badd);
    click(q.BCancel);
  });
  EXPECT_TRUE(boxSeen);
  // Cancel runs nothing and stores no choice; the entry stays for the next opening.
  EXPECT_FALSE(log().contains(" list of experiments:"));
  EXPECT_EQ(w->workbench().queue.entries.size(), 1u);
  EXPECT_FALSE(w->workbench().queue.diagOn);

  // Reopened: the row is there.
  openQueue([&](TFexpQueue& q) {
    ASSERT_EQ(q.rows().size(), 1u);
    EXPECT_EQ(q.rows()[0]->Eno->text(), "1");
    q.close();
  });
  EXPECT_FALSE(log().contains(" list of experiments:"));
}

// The delta(r) step of an unmodified grain: its file is written and named
// once in the report, and its diagram follows the delta(r) diagram box.
TEST_F(QueueWindowTest, DeltaStepWritesItsFileAndShowsItsDiagram) {
  StExpQueue& q = w->workbench().queue;
  q.fileHead = "d";
  q.folder = folder.toStdString();
  QDir().mkpath(folder);
  StExpQueueRecord e;
  e.sequence = "ABC";
  e.number = 1;
  q.entries.push_back(e);
  q.calcOn = q.calcRij = true;
  q.diagOn = q.diagRij = true;
  q.saveOn = q.saveRij = true;
  openQueue([](TFexpQueue& window) {
    // The calculation group opens switched off: switch it on again.
    click(window.FrCalculations->ChBonoff);
    EXPECT_TRUE(window.FrCalculations->ChBoxRij->isChecked());
    click(window.BStart);
  });

  const std::string r = slurp(file("dReport.txt"));
  const std::string line = "\n d(r) data: " + file("d0.dij").toStdString();
  ASSERT_NE(r.find(line), std::string::npos) << r;
  EXPECT_EQ(r.find(line, r.find(line) + 1), std::string::npos);
  EXPECT_EQ(r.find(" PDH data"), std::string::npos);
  const std::string dij = slurp(file("d0.dij"));
  EXPECT_NE(dij.find("\t0\n"), std::string::npos) << dij;
  EXPECT_TRUE(log().contains(" delta(r): the grain is not modified, it is compared with itself"));
  EXPECT_TRUE(panel().ChBgraphrij->isChecked());
  ASSERT_EQ(panel().openedDiagrams().size(), 1);
  EXPECT_TRUE(presenter.shown.empty());
  const QString shots = qEnvironmentVariable("GRAINIX_SCREENSHOT_DIR");
  if (!shots.isEmpty()) {
    QApplication::processEvents();
    QGuiApplication::primaryScreen()->grabWindow(0).save(shots + "/queue_after_run.png");
  }
}

// The RasTop step starts the viewer for every grain, a second apart, so the
// second grain's files (named by the second) do not replace the first's.
TEST_F(QueueWindowTest, RasTopStepShowsEveryGrain) {
  const QString viewers = tmp.filePath("viewers"), viewerTmp = tmp.filePath("viewertmp");
  QDir().mkpath(viewers);
  w->close();  // writes its settings; these take their place
  w.reset();
  {
    QFile rastop(viewers + "/rastop");
    ASSERT_TRUE(rastop.open(QIODevice::WriteOnly));
    rastop.write("#!/bin/sh\nexit 0\n");
    rastop.close();
    rastop.setPermissions(rastop.permissions() | QFileDevice::ExeOwner);
    QFile ini(options.settingsPath);
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write(("[aux]\npath_rastop=" + viewers + "\npath_tmp=" + viewerTmp + "\n").toUtf8());
  }
  openMain();
  StExpQueue& q = w->workbench().queue;
  q.folder = folder.toStdString();
  QDir().mkpath(folder);
  for (const char* seq : {"AB", "ABC"}) {
    StExpQueueRecord e;
    e.sequence = seq;
    e.number = static_cast<int32_t>(q.entries.size() + 1);
    q.entries.push_back(e);
  }
  q.diagOn = q.diagPositions = true;
  openQueue([](TFexpQueue& window) {
    EXPECT_TRUE(window.FrDiagram->ChBoxPos->isChecked());
    click(window.BStart);
  });
  const QStringList started = log().filter(viewers + "/rastop -script " + viewerTmp + "/");
  EXPECT_EQ(started.size(), 2);
  EXPECT_GT(w->lastViewerPid(), 0);
  EXPECT_EQ(QDir(viewerTmp).entryList({"*.xyz"}, QDir::Files).size(), 2);
  EXPECT_TRUE(presenter.shown.empty()) << (presenter.shown.empty() ? "" : presenter.shown[0].text);
}

}  // namespace
}  // namespace grainix

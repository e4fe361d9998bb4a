// The compare window driven as a person drives it: clicks and keys on the
// real controls, real message boxes (closed by a timer), the real fitter
// started through the real socket.
#include "gui/fit/tfcmpexp.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <fstream>
#include <memory>
#include <gtest/gtest.h>

#include "engine/core/ini_file.h"
#include "engine/fit/fitter_link.h"
#include "gui/fit/tfvlist.h"
#include "gui/plot/tfdiagram.h"
#include "tests/gui/fit/modal_boxes.h"
#include "tests/fitworker/synthetic_peaks.h"

namespace grainix {
namespace {

// File dialogs answer from a script; message boxes stay real.
class ScriptedUi : public CmpExpUi {
 public:
  QString answer;
  QString lastFolder, lastFilter;
  QString openFileName(QWidget*, const QString& folder, const QString& filter) override {
    lastFolder = folder;
    lastFilter = filter;
    return answer;
  }
};

template <class T>
T* child(QWidget& w, const char* name) {
  T* c = w.findChild<T*>(name);
  EXPECT_NE(c, nullptr) << name;
  return c;
}

void click(QAbstractButton* b) { QTest::mouseClick(b, Qt::LeftButton); }

// A check box stretched across its row takes clicks only on its text: use the key.
void toggle(QCheckBox* c) {
  c->setFocus();
  QTest::keyClick(c, Qt::Key_Space);
}

void type(QLineEdit* e, const QString& text) {
  e->setFocus();
  e->selectAll();
  QTest::keyClick(e, Qt::Key_Delete);
  QTest::keyClicks(e, text);
}

QList<TFdiagram*> diagrams(QWidget& owner) { return owner.findChildren<TFdiagram*>(); }

struct Fixture : ::testing::Test {
  QTemporaryDir tmp;
  ScriptedUi ui;
  StFitFormPrm prm;
  StGrPrm gr;
  PdhList pdh;
  StCmpExpOptions options;
  testing::SyntheticPeaks peaks;

  void SetUp() override {
    CmpExpUi::setInstance(&ui);
    gr.rStart = 0;
    gr.rStep = 0.01;
    gr.rStop = 17.7;
    prm.grPrm = &gr;
    prm.max = 6;
    prm.wavelength = 1.5406;
    options.settingsPath = path("grainix.ini");
    options.elementTablePath = QStringLiteral(GRAINIX_SOURCE_DIR "/data/scFact.sft");
    options.tempFolder = path("tmp");
    options.home = tmp.path();
    options.fitterProgram = GRAINIX_FITWORKER;
    options.pipeTiming = {100, 20};
    QDir().mkpath(path("data"));
    peaks.write(path("data/peaks.dat").toStdString());
    std::ofstream(path("data/approx.txt").toStdString()) << "3\n2.5 3\n3.54 1.2\n4.33 2.4\n";
    IniFile::updateKey(path("grainix.ini").toStdString(), "aux", "pathDataExp", path("data").toStdString());
  }
  void TearDown() override { CmpExpUi::setInstance(nullptr); }
  QString path(const QString& name) const { return tmp.filePath(name); }

  // Chooses "peaks.dat" with the keyboard in the file list.
  void chooseDataFile(TFcmpExp& w) {
    auto* files = child<QListWidget>(w, "FileListBox");
    files->setFocus();
    QTest::keyClick(files, Qt::Key_Home);
    while (files->currentItem() && files->currentItem()->text() != "peaks.dat") QTest::keyClick(files, Qt::Key_Down);
    ASSERT_TRUE(files->currentItem());
  }
  void peaksFromFile(TFcmpExp& w) {
    ui.answer = path("data/approx.txt");
    click(child<QRadioButton>(w, "RBfile"));
  }
  // A shown window with the data file and the approximate peaks chosen.
  std::unique_ptr<TFcmpExp> readyWindow() {
    auto w = std::make_unique<TFcmpExp>(nullptr, prm, options);
    w->show();
    chooseDataFile(*w);
    peaksFromFile(*w);
    return w;
  }
};

TEST_F(Fixture, OpensWithTheModelsRangesAndItsSettings) {
  IniFile::updateKey(options.settingsPath.toStdString(), "expfit", "laMono", "2");
  IniFile::updateKey(options.settingsPath.toStdString(), "expfit", "N", "5e3");
  {
    TFcmpExp w(nullptr, prm, options);
    w.show();
    EXPECT_EQ(w.windowTitle(), "Compare to experiment");
    EXPECT_EQ(child<QLineEdit>(w, "Emaxx")->text(), "6");
    EXPECT_EQ(child<QLineEdit>(w, "Estop")->text(), "17.7");
    EXPECT_EQ(child<QLineEdit>(w, "Estep")->text(), "0.01");
    EXPECT_EQ(child<QLineEdit>(w, "Elam")->text(), "1.5406");
    EXPECT_EQ(child<QLineEdit>(w, "En")->text(), "5e3");
    EXPECT_EQ(child<QComboBox>(w, "CBoxElemL")->currentIndex(), 2);
    EXPECT_EQ(w.dataFolder(), path("data"));
    EXPECT_EQ(child<QComboBox>(w, "CmBmode")->currentText(), "peaks have common b and c parameters");
    EXPECT_EQ(child<QComboBox>(w, "CmBtlo")->currentText(), "Poly 2 degree");
    // Nothing chosen yet; no model PDH.
    for (const char* name : {"Bplot", "Bstart", "Bshowpeaks", "Bfitplot", "RBpdh"})
      EXPECT_FALSE(child<QWidget>(w, name)->isEnabled()) << name;

    child<QComboBox>(w, "CBoxElemL")->setCurrentIndex(4);
    type(child<QLineEdit>(w, "En"), "2e4");
    // Interlocks of the controls.
    child<QComboBox>(w, "CmBtlo")->setCurrentIndex(kBackgroundNone);
    EXPECT_FALSE(child<QLineEdit>(w, "Eta")->isEnabled());
    toggle(child<QCheckBox>(w, "ChBgr"));
    EXPECT_FALSE(child<QWidget>(w, "GBgr")->isEnabled());
    EXPECT_FALSE(child<QLineEdit>(w, "Elogfilename")->isEnabled());
    toggle(child<QCheckBox>(w, "ChBsc"));
    EXPECT_FALSE(child<QCheckBox>(w, "ChBs")->isEnabled());
    w.close();
  }
  IniFile ini(options.settingsPath.toStdString());
  ini.load();
  EXPECT_EQ(ini.readInteger("expfit", "laMono", -1), 4);
  EXPECT_EQ(ini.readString("expfit", "N", ""), "2e4");
  EXPECT_EQ(ini.readString("aux", "pathDataExp", ""), path("data").toStdString());
}

TEST_F(Fixture, PlotsTheChosenFileAndConvertsIt) {
  TFcmpExp w(nullptr, prm, options);
  w.show();
  chooseDataFile(w);
  EXPECT_EQ(child<QLineEdit>(w, "EfileName")->text(), "peaks.dat");
  ASSERT_TRUE(child<QPushButton>(w, "Bplot")->isEnabled());
  click(child<QPushButton>(w, "Bplot"));
  ASSERT_EQ(diagrams(w).size(), 1);
  EXPECT_EQ(diagrams(w)[0]->windowTitle(), "experimental data");

  // No element chosen: the box, and no pattern.
  child<QComboBox>(w, "CBoxElemL")->setCurrentIndex(-1);
  testing::ModalBoxes closer;
  click(child<QPushButton>(w, "Bgr"));
  EXPECT_EQ(closer.boxes, QStringList{"ERROR|Atom(s) are not selected in the Atoms Selection group box. STOP"});
  EXPECT_EQ(w.pattern().count, 0);
  EXPECT_FALSE(child<QToolButton>(w, "Bgrgraph")->isEnabled());

  child<QComboBox>(w, "CBoxElemL")->setCurrentIndex(0);
  click(child<QPushButton>(w, "Bgr"));
  EXPECT_EQ(w.pattern().count, 601);
  EXPECT_TRUE(w.pattern().twoTheta.empty());
  click(child<QToolButton>(w, "Bgrgraph"));
  EXPECT_EQ(diagrams(w).size(), 2);

  // A file of another type is refused with the window's own box.
  std::ofstream(path("data/notes.txt").toStdString()) << "1 2\n";
  ui.answer = path("data/notes.txt");
  click(child<QPushButton>(w, "Bbrowse"));
  click(child<QPushButton>(w, "Bplot"));
  ASSERT_EQ(closer.boxes.size(), 2);
  EXPECT_EQ(closer.boxes[1], "ERROR|Wrong format of file");
  EXPECT_EQ(diagrams(w).size(), 2);
}

TEST_F(Fixture, ApproximatePeaksFromTheModelOrAFile) {
  for (auto [r, c] : {std::pair{2.5, 300}, {3.5, 0}, {3.54, 120}}) pdh.push_back({r, c, 0, 0, 0});
  prm.pdh = &pdh;
  TFcmpExp w(nullptr, prm, options);
  w.show();
  ASSERT_TRUE(child<QRadioButton>(w, "RBpdh")->isEnabled());
  click(child<QRadioButton>(w, "RBpdh"));
  EXPECT_EQ(w.positions(), (std::vector<double>{2.5, 3.54}));
  EXPECT_NEAR(w.heights()[0], 3, 1e-6);
  EXPECT_TRUE(child<QPushButton>(w, "Bshowpeaks")->isEnabled());
  EXPECT_FALSE(child<QPushButton>(w, "Bstart")->isEnabled());  // no data file yet
  chooseDataFile(w);
  EXPECT_TRUE(child<QPushButton>(w, "Bstart")->isEnabled());

  peaksFromFile(w);
  EXPECT_EQ(ui.lastFolder, path("data"));
  EXPECT_EQ(w.positions(), (std::vector<double>{2.5, 3.54, 4.33}));

  testing::ModalBoxes closer;
  ui.answer = path("data/none.txt");
  click(child<QRadioButton>(w, "RBfile"));
  EXPECT_EQ(closer.boxes, QStringList{"ERROR|Couldn't open file: " + path("data/none.txt")});
  EXPECT_EQ(w.positions().size(), 3u);

  // "Show/Modify" edits the peaks in the point-list dialog.
  QTimer edit;
  edit.setInterval(20);
  QObject::connect(&edit, &QTimer::timeout, [&] {
    auto* list = qobject_cast<TFvlist*>(QApplication::activeModalWidget());
    if (!list) return;
    list->ValueListEditor->item(0, 0)->setText("2.6");
    click(list->Bok);
  });
  edit.start();
  click(child<QPushButton>(w, "Bshowpeaks"));
  EXPECT_EQ(w.positions(), (std::vector<double>{2.6, 3.54, 4.33}));
}

// The whole loop: configuration, the real fitter started with the command
// line, the socket, the result text, the memo, the fitted curve.
TEST_F(Fixture, FitsThroughTheRealFitterInModesZeroAndTwo) {
  auto window = readyWindow();
  TFcmpExp& w = *window;
  type(child<QLineEdit>(w, "Ecv"), "0.1");
  type(child<QLineEdit>(w, "Eepsabs"), "1e-6");
  type(child<QLineEdit>(w, "Eepsrel"), "1e-6");
  type(child<QLineEdit>(w, "Eta"), "0");
  type(child<QLineEdit>(w, "Etb"), "0");
  type(child<QLineEdit>(w, "Etc"), "10");
  toggle(child<QCheckBox>(w, "ChBsc"));
  auto* start = child<QPushButton>(w, "Bstart");
  for (int mode : {0, 2}) {
    child<QComboBox>(w, "CmBmode")->setCurrentIndex(mode);
    click(start);
    EXPECT_EQ(start->text(), "STOP");
    EXPECT_FALSE(child<QPushButton>(w, "Bfitplot")->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(!w.fitRunning(), 20000);
    EXPECT_EQ(start->text(), "START");
    const QStringList memo = w.memoLines();
    ASSERT_TRUE(memo.contains("error code: 0 success")) << memo.join('\n').toStdString();
    EXPECT_TRUE(memo.contains(" mode:" + child<QComboBox>(w, "CmBmode")->currentText()));
    EXPECT_TRUE(memo.contains(" input file: peaks.dat"));
    EXPECT_EQ(memo.back(), "...");
    ASSERT_EQ(w.results().size(), 4u);
    for (size_t k = 0; k < 3; ++k) {
      const std::vector<double> v = w.results()[k]->getAll();
      EXPECT_NEAR(v[1] * v[4], peaks.truePosition(k), 0.01) << "mode " << mode << " peak " << k;
      EXPECT_NEAR(v[0] * v[3] / peaks.heights[k], 1.0, 0.02) << "mode " << mode << " peak " << k;
    }
    EXPECT_EQ(w.results()[3]->nPrm, 3);
  }
  // The fitted curve: 51 points per unit up to "stop " 6, green then maroon.
  auto* plot = child<QPushButton>(w, "Bfitplot");
  ASSERT_TRUE(plot->isEnabled());
  click(plot);
  click(plot);
  const auto d = diagrams(w);
  ASSERT_EQ(d.size(), 2);
  QStringList titles{d[0]->windowTitle(), d[1]->windowTitle()};
  titles.sort();
  EXPECT_EQ(titles, (QStringList{"fit diagram: 0", "fit diagram: 1"}));
  // The configuration was written where the command line names it.
  EXPECT_TRUE(QFile::exists(w.configPath()));
}

TEST_F(Fixture, SilentFitterEndsInTransmissionFailed) {
  options.fitterProgram = GRAINIX_SILENT_FITTER;
  auto window = readyWindow();
  TFcmpExp& w = *window;
  auto* start = child<QPushButton>(w, "Bstart");
  testing::ModalBoxes closer;
  click(start);
  EXPECT_EQ(start->text(), "STOP");
  QTRY_VERIFY_WITH_TIMEOUT(!closer.boxes.empty(), 10000);
  EXPECT_EQ(closer.boxes[0], "ERROR|Transmission failed");
  QTRY_COMPARE(start->text(), QString("START"));
  EXPECT_TRUE(start->isEnabled());
  EXPECT_TRUE(w.results().empty());
}

TEST_F(Fixture, MissingFitterGivesTheCommandBox) {
  options.fitterProgram = path("no-such-dir/fitworker");
  auto window = readyWindow();
  TFcmpExp& w = *window;
  testing::ModalBoxes closer;
  auto* start = child<QPushButton>(w, "Bstart");
  click(start);
  const QString expected = "ERROR|command: fitworker  -p " + path("tmp/pipe0") + " " + path("tmp/confitt.txt") + " " +
                           path("data/peaks.dat") + "  failed, code error: 2";
  EXPECT_EQ(closer.boxes, QStringList{expected});
  EXPECT_EQ(start->text(), "START");
  EXPECT_FALSE(w.fitRunning());
}

TEST_F(Fixture, StopEndsAWaitForAFitterThatNeverConnects) {
  options.fitterProgram = "/bin/true";  // starts and leaves without connecting
  auto window = readyWindow();
  TFcmpExp& w = *window;
  auto* start = child<QPushButton>(w, "Bstart");
  testing::ModalBoxes closer;
  click(start);
  ASSERT_EQ(start->text(), "STOP");
  QTest::qWait(100);
  click(start);
  EXPECT_EQ(start->text(), "START");
  EXPECT_FALSE(QFile::exists(w.pipePath()));
  QTest::qWait(150);
  EXPECT_TRUE(closer.boxes.empty());
}

}  // namespace
}  // namespace grainix

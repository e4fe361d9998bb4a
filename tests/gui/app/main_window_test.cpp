#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QRegularExpression>
#include <QScrollArea>
#include <QShortcut>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QTimer>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "engine/app/build_command.h"
#include "engine/app/calc_commands.h"
#include "engine/core/format.h"
#include "engine/core/ini_file.h"
#include "engine/io/settings.h"
#include "engine/io/writers.h"
#include "gui/app/tfmain.h"
#include "gui/calc/calc_panel.h"
#include "gui/controls/captioned_dialogs.h"
#include "gui/controls/digit_labeled_edit.h"
#include "gui/fit/tfcmpexp.h"
#include "gui/fit/tffityk.h"
#include "gui/plot/tfdiagram.h"
#include "tests/gui/modal_box.h"
#include "tests/gui/test_files.h"
#include "tests/gui/wait_for.h"

namespace grainix {
namespace {

// Answers every question at once and remembers what was shown.
class RecordingPresenter : public MessagePresenter {
 public:
  std::vector<StMessage> shown;
  QString inputAnswer;
  bool inputOk = true;
  QString fileAnswer;
  // `modal`: every box really runs its modal loop (closed by a timer).
  bool modal = false;
  void message(QWidget* parent, const StMessage& m) override {
    shown.push_back(m);
    if (modal) testing::showModalBox(parent, m);
  }
  bool inputText(QWidget*, const QString&, const QString&, QString& value) override {
    if (inputOk) value = inputAnswer;
    return inputOk;
  }
  QString openFileName(QWidget*, const StFileDialog&) override { return fileAnswer; }
  QString saveFileName(QWidget*, const StFileDialog& d) override {
    lastSave = d;
    return fileAnswer;
  }
  QString folderAnswer;
  QString chooseFolder(QWidget*, const QString&) override { return folderAnswer; }
  bool chooseFont(QWidget*, QFont&) override { return false; }
  bool choosePriority(QWidget*, int&) override { return false; }
  StFileDialog lastSave;
};

QString dataDir() { return QStringLiteral(GRAINIX_SOURCE_DIR "/data"); }

// A window with the element table of the source tree and its own settings file.
struct Fixture {
  QTemporaryDir tmp;
  RecordingPresenter presenter;
  StMainOptions options;
  Fixture() {
    options.workingDir = dataDir();
    options.exePath = tmp.filePath("grainix");
    options.settingsPath = tmp.filePath("grainix.ini");
    options.presenter = &presenter;
  }
  std::unique_ptr<TFMain> open() { return std::make_unique<TFMain>(options); }
};

template <class T>
T* child(TFMain& w, const char* name) {
  T* c = w.findChild<T*>(name);
  EXPECT_NE(c, nullptr) << name;
  return c;
}

TEST(MainWindow, CaptionWelcomeAndElementTable) {
  Fixture f;
  auto w = f.open();
  EXPECT_EQ(w->windowTitle(), " Grainix-ver. 1.1");
  auto* memo = child<QPlainTextEdit>(*w, "Memo1");
  EXPECT_TRUE(memo->isReadOnly());
  EXPECT_EQ(memo->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_TRUE(memo->toPlainText().startsWith("   *** WELCOME ***"));
  EXPECT_TRUE(f.presenter.shown.empty());
  EXPECT_TRUE(w->logLines().contains("element table: " + dataDir() + "/scFact.sft"));
  auto* el = child<QComboBox>(*w, "CBoxElemL");
  EXPECT_GT(el->count(), 90);
  EXPECT_EQ(el->currentIndex(), 0);
  EXPECT_FALSE(child<QComboBox>(*w, "CBoxElemR")->isEnabled());
}

TEST(MainWindow, MissingElementTableIsReportedOnceAndTheWindowRuns) {
  Fixture f;
  QTemporaryDir empty;
  f.options.workingDir = empty.path();
  f.options.exePath = empty.filePath("bin/grainix");
  auto w = f.open();
  ASSERT_EQ(f.presenter.shown.size(), 1u);
  EXPECT_EQ(f.presenter.shown[0].title, "ERROR");
  EXPECT_EQ(f.presenter.shown[0].kind, MessageKind::Error);
  EXPECT_EQ(f.presenter.shown[0].text,
            "File scFact.sft is missing. Many functions will be not available or will be work improperly.");
  EXPECT_EQ(child<QComboBox>(*w, "CBoxElemL")->currentText(), "X");
}

TEST(MainWindow, BundledTableBesideTheExecutableIsFound) {
  Fixture f;
  QTemporaryDir work;
  f.options.workingDir = work.path();
  f.options.exePath = f.tmp.filePath("grainix");
  ASSERT_TRUE(QFile::copy(dataDir() + "/scFact.sft", f.tmp.filePath("scFact.sft")));
  auto w = f.open();
  EXPECT_TRUE(f.presenter.shown.empty());
  EXPECT_EQ(w->elementTablePath(), f.tmp.filePath("scFact.sft"));
  EXPECT_TRUE(w->logLines().contains("element table: " + f.tmp.filePath("scFact.sft")));
}

TEST(MainWindow, BuildFccLogsNodeCountAndEnablesCommands) {
  Fixture f;
  auto w = f.open();
  child<QRadioButton>(*w, "rbfcc")->click();
  child<QLineEdit>(*w, "Elp")->setText("3.54");
  child<QLineEdit>(*w, "Eradius")->setText("15");
  EXPECT_FALSE(w->isCommandEnabled("MIsavenodes"));
  child<QPushButton>(*w, "Bsiecwatek")->click();
  const QStringList log = w->logLines();
  EXPECT_TRUE(log.contains("******* NEW STRUCTURE **********"));
  EXPECT_EQ(log.back(), "fcc, number of nodes=1253");
  EXPECT_EQ(w->workbench().ideal.size(), 1253u);
  EXPECT_TRUE(w->isCommandEnabled("MIsavenodes"));
  EXPECT_TRUE(w->isCommandEnabled("Bwypisz"));
  EXPECT_TRUE(w->isCommandEnabled("Bmodify"));
  EXPECT_TRUE(f.presenter.shown.empty());
}

TEST(MainWindow, WrongNumberShowsConversionErrorAndChangesNothing) {
  Fixture f;
  auto w = f.open();
  child<QRadioButton>(*w, "rbsc")->click();
  child<QLineEdit>(*w, "Eradius")->setText("8");
  child<QPushButton>(*w, "Bsiecwatek")->click();
  const size_t before = w->workbench().ideal.size();
  ASSERT_GT(before, 1u);
  const int lines = w->logLines().size();
  auto* elp = child<QLineEdit>(*w, "Elp");
  elp->setText("3.5x");  // pasted: the key filter would have refused the x
  child<QPushButton>(*w, "Bsiecwatek")->click();
  ASSERT_EQ(f.presenter.shown.size(), 1u);
  EXPECT_EQ(f.presenter.shown[0].kind, MessageKind::ConversionError);
  EXPECT_EQ(f.presenter.shown[0].text, "'3.5x' is not a valid floating point value");
  EXPECT_EQ(w->workbench().ideal.size(), before);
  EXPECT_EQ(w->logLines().size(), lines);
  EXPECT_EQ(child<QLineEdit>(*w, "Eradius")->text(), "8");
}

TEST(MainWindow, KeyFilterOfLatticeParameter) {
  Fixture f;
  auto w = f.open();
  auto* elp = child<QLineEdit>(*w, "Elp");
  elp->clear();
  elp->setFocus();
  for (QChar c : QString("1a,5e-3x"))
    QTest::keyClick(elp, c.toLatin1());
  EXPECT_EQ(elp->text(), "15e-3");
}

// Shows the window and makes it the active one, so keys and focus changes
// travel as they do for a person.
void showActive(TFMain& w) {
  w.show();
  w.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
}

// Gives `field` the focus (the window active again after any box), selects
// its text and types over it.
void typeInto(TFMain& w, QWidget* field, const QString& text) {
  w.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  field->setFocus(Qt::TabFocusReason);
  ASSERT_NE(QApplication::focusWidget(), nullptr);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(QApplication::focusWidget(), text);
}

// The keys reach the editable drop-downs themselves, not their line edits.
TEST(MainWindow, DropDownsFilterKeysAndCheckTheElementOnLeaving) {
  Fixture f;
  f.presenter.modal = true;
  auto w = f.open();
  showActive(*w);
  auto* n = child<QComboBox>(*w, "CBoxGR");
  typeInto(*w, n, "4xyz,+q");
  // Only the digit is typed (the box completes it to its item "4 l.p.").
  EXPECT_TRUE(n->currentText().startsWith("4")) << n->currentText().toStdString();
  EXPECT_FALSE(n->currentText().contains(QRegularExpression("[xyz,+q]"))) << n->currentText().toStdString();

  auto* el = child<QComboBox>(*w, "CBoxElemL");
  typeInto(*w, el, "Xx");
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);  // leave the box
  for (int i = 0; i < 5 && f.presenter.shown.empty(); ++i) QTest::qWait(10);
  ASSERT_EQ(f.presenter.shown.size(), 1u);
  EXPECT_EQ(f.presenter.shown[0],
            (StMessage{MessageKind::Warning, "WARNING", "Parameters of Xx atoms are not included in sft file"}));
  EXPECT_EQ(el->currentText(), "Xx") << "the text stays in the box";
  // A known element leaves quietly.
  typeInto(*w, el, "Ni");
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  QTest::qWait(20);
  EXPECT_EQ(f.presenter.shown.size(), 1u);
}

// A number is typed a character at a time; only a command that uses the
// text reports that it is not one.
TEST(MainWindow, HalfTypedBinWidthIsReportedOnlyByTheCommand) {
  Fixture f;
  auto w = f.open();
  showActive(*w);
  auto* bin = child<QLineEdit>(*w, "Ebinwidth");
  typeInto(*w, bin, "1e-3x,");
  EXPECT_EQ(bin->text(), "1e-3x") << "the numeric field's characters";
  bin->setText("1e");
  EXPECT_TRUE(f.presenter.shown.empty());
  child<QRadioButton>(*w, "rbsc")->click();
  child<QPushButton>(*w, "Bsiecwatek")->click();
  ASSERT_TRUE(f.presenter.shown.empty());
  child<QPushButton>(*w, "BLiczPdf")->click();
  ASSERT_EQ(f.presenter.shown.size(), 1u);
  EXPECT_EQ(f.presenter.shown[0].text, "'1e' is not a valid floating point value");
}

// Every command of the left panel can be reached on a 1280 x 720 screen.
TEST(MainWindow, FitsASmallScreen) {
  Fixture f;
  auto w = f.open();
  showActive(*w);
  w->resize(1280, 660);  // the screen less a panel and the title bar
  QApplication::processEvents();
  EXPECT_LE(w->height(), 660);
  EXPECT_LE(w->width(), 1280);
  auto* area = w->findChild<QScrollArea*>("ScrollPanel1");
  ASSERT_NE(area, nullptr);
  for (QPushButton* b : w->leftPanel()->findChildren<QPushButton*>()) {
    if (!b->isVisibleTo(w.get())) continue;
    area->ensureWidgetVisible(b);
    QApplication::processEvents();
    const QRect r(b->mapTo(area->viewport(), QPoint(0, 0)), b->size());
    EXPECT_TRUE(area->viewport()->rect().contains(r)) << b->objectName().toStdString();
  }
}

TEST(MainWindow, InterlocksFollowTheClicks) {
  Fixture f;
  auto w = f.open();
  child<QRadioButton>(*w, "RBbiatom")->click();
  EXPECT_TRUE(child<QRadioButton>(*w, "rbdiam")->isChecked());
  EXPECT_EQ(child<QRadioButton>(*w, "rbdiam")->text(), "zinc blende");
  EXPECT_FALSE(child<QRadioButton>(*w, "rbfcc")->isEnabled());
  EXPECT_TRUE(child<QComboBox>(*w, "CBoxElemR")->isEnabled());
  child<QRadioButton>(*w, "RBmonoatom")->click();
  EXPECT_EQ(child<QRadioButton>(*w, "rbdiam")->text(), "diamond like");
  EXPECT_TRUE(child<QRadioButton>(*w, "rbfcc")->isEnabled());
  // N from "6 l.p." to "8 l.p." with a = 3.54.
  child<QLineEdit>(*w, "Elp")->setText("3.54");
  child<QComboBox>(*w, "CBoxGR")->setEditText("6 l.p.");
  child<QComboBox>(*w, "CBoxGR")->setEditText("8 l.p.");
  EXPECT_EQ(child<QLineEdit>(*w, "Eradius")->text(), "28.32");
}

// The stacking window closed with Cancel.
class CancelStacking : public StackingDialog {
 public:
  int runs = 0;
  std::string seenSequence;
  bool busyWhileOpen = true;
  bool run(std::string& sequence, vGrainNodes&, StGrainPrm&) override {
    ++runs;
    seenSequence = sequence;
    busyWhileOpen = QApplication::overrideCursor() != nullptr;
    return false;
  }
};

TEST(MainWindow, HcpBuildCanceledInTheStackingWindow) {
  Fixture f;
  auto w = f.open();
  CancelStacking stacking;
  w->setStackingDialog(&stacking);
  child<QRadioButton>(*w, "rbhcp")->click();
  child<QPushButton>(*w, "Bsiecwatek")->click();
  EXPECT_EQ(stacking.runs, 1);
  EXPECT_EQ(stacking.seenSequence, "ABC");  // the first-run sequence
  EXPECT_EQ(w->logLines().back(), "canceled");
  EXPECT_TRUE(f.presenter.shown.empty());
  EXPECT_TRUE(w->workbench().ideal.empty());
  EXPECT_FALSE(w->isCommandEnabled("BLiczPdf"));
  // The busy cursor belongs to building, not to the window in which a
  // person edits the layers.
  EXPECT_FALSE(stacking.busyWhileOpen);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// A restart shows the radius and N as they were when the window closed.
TEST(MainWindow, RadiusAndNSurviveARestart) {
  Fixture f;
  for (const char* radius : {"90", "17.3", "35"}) {
    {
      auto w = f.open();
      child<QLineEdit>(*w, "Elp")->setText("3.54");
      child<QLineEdit>(*w, "Eradius")->setText(radius);
      w->close();
    }
    auto w = f.open();
    EXPECT_EQ(child<QLineEdit>(*w, "Eradius")->text(), radius);
    EXPECT_EQ(child<QComboBox>(*w, "CBoxGR")->currentText().toStdString(),
              fmtGeneral(QString(radius).toDouble() / 3.54, 5));
  }
}

// Reading a file shows what its header says: elements, element count and
// structure (a Ni histogram is not titled with the element chosen before).
TEST(MainWindow, LoadedFileSetsTheElementsAndStructure) {
  Fixture f;
  const QString his = f.tmp.filePath("ni.his");
  {
    auto w = f.open();
    auto* el = child<QComboBox>(*w, "CBoxElemL");
    el->setCurrentIndex(el->findText("Ni"));
    child<QRadioButton>(*w, "rbbcc")->click();
    child<QLineEdit>(*w, "Elp")->setText("2.87");
    child<QLineEdit>(*w, "Eradius")->setText("6");
    w->BsiecwatekClick();
    w->workbench().pdh = {{1.0, 4}, {2.0, 9}};
    f.presenter.fileAnswer = his;
    w->MIsavehistogramClick();
    ASSERT_TRUE(QFile::exists(his));
  }
  auto w = f.open();
  auto* el = child<QComboBox>(*w, "CBoxElemL");
  el->setCurrentIndex(el->findText("Zn"));
  child<QRadioButton>(*w, "rbfcc")->click();
  ASSERT_TRUE(w->openHistogramPath(his));
  EXPECT_EQ(el->currentText(), "Ni");
  EXPECT_TRUE(child<QRadioButton>(*w, "rbbcc")->isChecked());
  EXPECT_TRUE(child<QRadioButton>(*w, "RBmonoatom")->isChecked());
  EXPECT_EQ(child<QLineEdit>(*w, "Elp")->text(), "2.87");
  EXPECT_EQ(w->calcPanel()->inputs().elementL, "Ni") << "what the PDH diagram's title reads";
}

// Diagram windows keep their default size in the program's settings file
// and hand pictures to the temp folder the main window holds now.
TEST(MainWindow, DiagramWindowsUseTheProgramsSettings) {
  Fixture f;
  testing::writeFile(f.options.settingsPath, "[aux]\ngw=500\ngh=350\n");
  auto w = f.open();
  const QString dat = f.tmp.filePath("exp.dat");
  testing::writeFile(dat, "1 2\n2 3\n");
  f.presenter.fileAnswer = dat;
  w->Openexperimentalfile1Click();
  ASSERT_EQ(w->diagramWindows().size(), 1u);
  auto* d = static_cast<TFdiagram*>(w->diagramWindows()[0]);
  EXPECT_EQ(d->size(), QSize(500, 350));
  f.presenter.folderAnswer = f.tmp.filePath("pictures");
  w->MItmpdirClick();
  EXPECT_EQ(d->settings().readString("path_tmp", ""), f.tmp.filePath("pictures").toStdString());
  d->resize(640, 480);
  d->saveSizeAsDefault();
  w->close();
  IniFile ini(f.options.settingsPath.toStdString());
  ini.load();
  EXPECT_EQ(ini.readInteger("aux", "gw", 0), 640);
  EXPECT_EQ(ini.readString("aux", "path_tmp", ""), f.tmp.filePath("pictures").toStdString());
}

TEST(MainWindow, ShowCurrentParametersFramesTheReport) {
  Fixture f;
  auto w = f.open();
  w->MIclearClick();
  w->MIshowcprmClick();
  const QStringList log = w->logLines();
  ASSERT_GE(log.size(), 4);
  EXPECT_EQ(log[0], "");
  EXPECT_EQ(log[1], "... current calculation parameters ...");
  EXPECT_EQ(log[2], "... ... ... ... ...");
  EXPECT_EQ(log.back(), "... ... ... ...");
}

TEST(MainWindow, SettingsSurviveACloseAndANewStart) {
  Fixture f;
  {
    auto w = f.open();
    EXPECT_TRUE(QFile::exists(f.options.settingsPath));
    // First run: the initial values.
    EXPECT_EQ(child<QLineEdit>(*w, "Elp")->text(), "3");
    child<QRadioButton>(*w, "rbbcc")->click();
    child<QLineEdit>(*w, "Elp")->setText("2.87");
    child<QLineEdit>(*w, "Eradius")->setText("21.5");
    child<QLineEdit>(*w, "Ecomment")->setText("iron grain");
    child<QComboBox>(*w, "CBoxElemL")->setCurrentIndex(5);
    w->findChild<QAction*>("MIrmtmpfiles")->trigger();
    w->close();
  }
  {
    auto w = f.open();
    EXPECT_TRUE(child<QRadioButton>(*w, "rbbcc")->isChecked());
    EXPECT_EQ(child<QLineEdit>(*w, "Elp")->text(), "2.87");
    EXPECT_EQ(child<QLineEdit>(*w, "Eradius")->text(), "21.5");
    EXPECT_EQ(child<QLineEdit>(*w, "Ecomment")->text(), "iron grain");
    EXPECT_EQ(child<QComboBox>(*w, "CBoxElemL")->currentIndex(), 5);
    EXPECT_TRUE(w->findChild<QAction*>("MIrmtmpfiles")->isChecked());
    EXPECT_TRUE(f.presenter.shown.empty());
  }
}

// A PDH computed in the window, the fityk window opened on it, its script
// saved; the fityk inputs and the grain diameter of "Compare with
// experiment" reach the settings file.
TEST(MainWindow, FitykWindowOnThePdhAndTheFitykSettings) {
  Fixture f;
  {
    auto w = f.open();
    w->show();
    child<QRadioButton>(*w, "rbsc")->click();
    child<QLineEdit>(*w, "Elp")->setText("2.5");
    child<QLineEdit>(*w, "Eradius")->setText("5");
    child<QPushButton>(*w, "Bsiecwatek")->click();
    EXPECT_EQ(w->workbench().fitForm.lp, "2.5");
    child<QPushButton>(*w, "BLiczPdf")->click();
    EXPECT_EQ(w->workbench().fitForm.pdh, nullptr);  // not while the run fills the list
    QElapsedTimer t;
    t.start();
    while (!w->isCommandEnabled("MIfityk") && t.elapsed() < 60000) QTest::qWait(20);
    ASSERT_TRUE(w->isCommandEnabled("MIfityk"));
    EXPECT_EQ(w->workbench().fitForm.pdh, &w->workbench().pdh);

    w->findChild<QAction*>("MIfityk")->trigger();
    TFfityk* fityk = w->findChild<TFfityk*>();
    ASSERT_NE(fityk, nullptr);
    EXPECT_TRUE(fityk->isVisible());
    EXPECT_EQ(fityk->Elp->text(), "2.5");
    EXPECT_FALSE(fityk->model().peaks().x.empty());
    EXPECT_NEAR(fityk->model().peaks().x.front(), 2.5, 0.002);  // the nearest neighbours of sc
    fityk->Emin->setText("1");
    f.presenter.fileAnswer = f.tmp.filePath("sc.fit");
    QTest::mouseClick(fityk->Bsave, Qt::LeftButton);
    EXPECT_EQ(f.presenter.lastSave.defaultName, "script");
    EXPECT_EQ(f.presenter.lastSave.defaultExt, "fit");
    EXPECT_EQ(f.presenter.lastSave.filter, "Fityk script(*.fit)|*.fit");
    EXPECT_EQ(f.presenter.lastSave.folder, w->dataFolder());
    EXPECT_TRUE(QFile::exists(f.tmp.filePath("sc.fit")));
    EXPECT_TRUE(f.presenter.shown.empty());

    child<QLineEdit>(*w, "Eradius")->setText("12");
    bool compareShown = false;  // the compare window runs modally; closed once it shows
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
      if (auto* dlg = qobject_cast<TFcmpExp*>(QApplication::activeModalWidget())) {
        compareShown = true;
        dlg->close();
      }
    });
    poll.start();
    emit w->findChild<QShortcut*>("MIcmpexpKey")->activated();
    poll.stop();
    EXPECT_TRUE(compareShown);
    EXPECT_EQ(w->workbench().fitForm.max, 24);
    w->close();
  }
  QFile ini(f.options.settingsPath);
  ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(ini.readAll());
  const QString fityk = text.mid(text.indexOf("[fityk]"));
  EXPECT_TRUE(fityk.contains("\nmin=1\n")) << fityk.toStdString();
  EXPECT_TRUE(fityk.contains("\nlp=2.5\n")) << fityk.toStdString();
  EXPECT_TRUE(fityk.contains("\nmax=24\n")) << fityk.toStdString();
}

// Writes an .ndl file of a small sc grain through the real window.
QString writeNodesFile(Fixture& f, const QString& name) {
  auto w = f.open();
  child<QRadioButton>(*w, "rbsc")->click();
  child<QLineEdit>(*w, "Elp")->setText("2.5");
  child<QLineEdit>(*w, "Eradius")->setText("5");
  child<QPushButton>(*w, "Bsiecwatek")->click();
  f.presenter.fileAnswer = f.tmp.filePath(name);
  w->MIsavenodesClick();
  EXPECT_EQ(f.presenter.lastSave.defaultName, "nodesList");
  EXPECT_EQ(f.presenter.lastSave.defaultExt, "ndl");
  const QStringList log = w->logLines();
  EXPECT_EQ(log.back(), "............");
  EXPECT_EQ(log[log.size() - 2], f.tmp.filePath(name));
  EXPECT_EQ(log[log.size() - 3], "data were saved to file:");
  return f.tmp.filePath(name);
}

TEST(MainWindow, DroppedNdlFileLoads) {
  Fixture f;
  const QString path = writeNodesFile(f, "grain.ndl");
  auto w = f.open();
  ASSERT_TRUE(w->workbench().ideal.empty());
  w->filesDropped({path, path});  // two files: ignored
  EXPECT_TRUE(w->workbench().ideal.empty());
  w->filesDropped({path});
  EXPECT_EQ(w->workbench().ideal.size(), 33u);
  EXPECT_TRUE(w->logLines().contains("  *** data were loaded ***"));
  EXPECT_TRUE(w->isCommandEnabled("MIsavenodes"));
  EXPECT_TRUE(w->isCommandEnabled("Bwypisz"));
  EXPECT_EQ(child<QLineEdit>(*w, "Elp")->text(), "2.5");
  EXPECT_TRUE(child<QRadioButton>(*w, "rbsc")->isChecked());
  EXPECT_EQ(w->dataFolder(), f.tmp.path());
}

TEST(MainWindow, ALoadedGrainBringsItsOwnRadiusAndElements) {
  // Modify works on the loaded grain's radius, not on the one built before.
  Fixture f;
  const QString path = writeNodesFile(f, "small.ndl");  // sc, radius 5
  auto w = f.open();
  child<QRadioButton>(*w, "rbfcc")->click();
  child<QLineEdit>(*w, "Elp")->setText("3.5");
  child<QLineEdit>(*w, "Eradius")->setText("20");
  child<QPushButton>(*w, "Bsiecwatek")->click();
  ASSERT_EQ(w->workbench().grainPrm.radius, 20);
  w->filesDropped({path});
  ASSERT_EQ(w->workbench().ideal.size(), 33u);
  const StGrainPrm& prm = w->workbench().grainPrm;
  EXPECT_EQ(prm.radius, 5);
  EXPECT_EQ(prm.latticePrm, 2.5);
  EXPECT_EQ(prm.kind, kindSc);
  EXPECT_EQ(prm.elementL, w->workbench().ideal[0].element);
  EXPECT_EQ(prm.elementIndexL, w->workbench().ideal[0].elementIndex);
}

TEST(MainWindow, CommandLineFileLoads) {
  Fixture f;
  const QString path = writeNodesFile(f, "start.ndl");
  f.options.commandLineFile = path;
  auto w = f.open();
  EXPECT_EQ(w->workbench().ideal.size(), 33u);
  EXPECT_TRUE(w->logLines().contains("Data from file: " + path));
}

TEST(MainWindow, NodeListingAndSetZ) {
  Fixture f;
  auto w = f.open();
  child<QRadioButton>(*w, "rbsc")->click();
  child<QLineEdit>(*w, "Elp")->setText("2.5");
  child<QLineEdit>(*w, "Eradius")->setText("5");
  w->BsiecwatekClick();
  w->MIclearClick();
  f.presenter.inputAnswer = "2.5";
  w->MItemUstalzClick();
  EXPECT_DOUBLE_EQ(w->planeZ(), 2.5);
  f.presenter.inputAnswer = "two";
  w->MItemUstalzClick();
  ASSERT_EQ(f.presenter.shown.size(), 1u);
  EXPECT_EQ(f.presenter.shown[0].text, "'two' is not a valid floating point value");
  EXPECT_DOUBLE_EQ(w->planeZ(), 2.5);
  w->MIclearClick();
  child<QPushButton>(*w, "Bwypisz")->click();
  const QStringList log = w->logLines();
  EXPECT_EQ(log[0], "plane z=2.5");
  EXPECT_EQ(log[1], "Atom\tx \t y \tz \t rprev \t rcurr");
  // sc 2.5, R 5: the plane z = 2.5 holds a 3x3 square plus (+-5, 0) ... within R.
  for (int i = 2; i < log.size(); ++i) EXPECT_TRUE(log[i].contains("\t 2.50000\t")) << log[i].toStdString();
  EXPECT_GT(log.size(), 2);
}

TEST(MainWindow, MenuItemsHiddenDisabledAndShortcuts) {
  Fixture f;
  auto w = f.open();
  struct Item {
    const char* name;
    const char* shortcut;
    bool visible;
    bool enabled;
  } items[] = {
      {"MIopennodes", "Ctrl+F2", true, true},   {"MIsavenodes", "F2", true, false},
      {"MIsavehistogram", "F3", true, false},   {"MIsavediff", "F4", true, false},
      {"MIsavegr", "F5", true, false},          {"MIsekcje", "F6", true, false},
      {"MIsaveDelta", "F7", true, false},       {"MIsaveall", "Alt+F7", true, false},
      {"MIfityk", "Ctrl+Q", false, false},      {"Wyj1", "Alt+F4", true, true},
      {"MIscattfact", "F8", true, true},        {"MIpathRasmol", "", false, true},
      {"MIshowmemo", "Ctrl+M", true, true},     {"MIdisperse", "F9", true, true},
      {"MIshowdiagram", "", true, false},       {"MIshowall", "F10", true, true},
      {"MIDiagramssendback", "F11", true, true}, {"MIclosediagrams", "F12", true, true},
      {"MIexpque", "Ctrl+E", false, true},      {"MIrastop", "Ctrl+T", true, true},
      {"MIcmpexp", "Ctrl+D", false, true},      {"Autor2", "Ctrl+H", true, true},
      {"Help1", "", false, true},
  };
  for (const auto& it : items) {
    auto* a = w->findChild<QAction*>(it.name);
    ASSERT_NE(a, nullptr) << it.name;
    EXPECT_EQ(a->shortcut(), QKeySequence(it.shortcut)) << it.name;
    EXPECT_EQ(a->isVisible(), it.visible) << it.name;
    EXPECT_EQ(w->isCommandEnabled(it.name), it.enabled) << it.name;
  }
  EXPECT_TRUE(w->findChild<QAction*>("MIshowmemo")->isChecked());
  // Hidden items keep their shortcuts, and a disabled hidden item ignores
  // its key.
  emit w->findChild<QShortcut*>("MIfitykKey")->activated();
  EXPECT_TRUE(f.presenter.shown.empty());
  EXPECT_EQ(w->findChild<TFfityk*>(), nullptr);
  w->setCommandEnabled("MIfityk", true);
  EXPECT_TRUE(w->isCommandEnabled("MIfityk"));
  EXPECT_FALSE(w->findChild<QAction*>("MIfityk")->isVisible());
  emit w->findChild<QShortcut*>("MIfitykKey")->activated();
  EXPECT_TRUE(f.presenter.shown.empty());
  EXPECT_NE(w->findChild<TFfityk*>(), nullptr);
}

TEST(MainWindow, ShowMessagesNarrowsTheWindow) {
  Fixture f;
  auto w = f.open();
  w->show();
  const int wide = w->width();
  w->MIshowmemoClick();
  EXPECT_FALSE(w->memo()->isVisible());
  EXPECT_FALSE(w->findChild<QAction*>("MIshowmemo")->isChecked());
  EXPECT_EQ(child<QPushButton>(*w, "Bshowmemo")->text(), ">>");
  EXPECT_LT(w->width(), wide);
  w->MIshowmemoClick();
  EXPECT_TRUE(w->memo()->isVisible());
  EXPECT_EQ(child<QPushButton>(*w, "Bshowmemo")->text(), "<<");
  w->close();
}

TEST(MainWindow, SaveMemoWritesTheLogIntoTheDataFolder) {
  Fixture f;
  auto w = f.open();
  // The data folder of a first run is the home folder; use the temp one.
  const QString path = writeNodesFile(f, "m.ndl");
  w->filesDropped({path});
  w->MISaveMemoClick();
  const QStringList log = w->logLines();
  ASSERT_GE(log.size(), 2);
  EXPECT_EQ(log[log.size() - 2], "memo saved to file:");
  EXPECT_TRUE(log.back().startsWith(f.tmp.path() + "/"));
  EXPECT_TRUE(QFile::exists(log.back()));
}

TEST(MainWindow, ExperimentalFileDiagramsAreDispersedAndClosed) {
  Fixture f;
  auto w = f.open();
  const QString path = f.tmp.filePath("exp.dat");
  {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("x y\n1 2\n2 3\n3 5\n");
  }
  f.presenter.fileAnswer = path;
  for (int i = 0; i < 4; ++i) w->Openexperimentalfile1Click();
  EXPECT_TRUE(f.presenter.shown.empty());
  const auto diagrams = w->diagramWindows();
  ASSERT_EQ(diagrams.size(), 4u);
  EXPECT_EQ(diagrams[0]->windowTitle(), "exp. data 1");
  EXPECT_EQ(diagrams[3]->windowTitle(), "exp. data 4");
  EXPECT_EQ(w->dataFolder(), f.tmp.path());
  w->MIdisperseClick();
  const QSize screen = w->screen()->size();
  const auto rects = disperseDiagrams(screen.width(), screen.height(), 4);
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(diagrams[i]->x(), rects[i].left) << i;
    EXPECT_EQ(diagrams[i]->width(), rects[i].width) << i;
  }
  // Closing frees a diagram window: only guarded pointers may look at it afterwards.
  QList<QPointer<QWidget>> guarded;
  for (QWidget* d : diagrams) guarded.append(d);
  w->MIclosediagramsClick();
  QApplication::processEvents();
  for (const QPointer<QWidget>& d : guarded) EXPECT_TRUE(!d || !d->isVisible());
}

using testing::waitFor;

// GRAINIX_SCREENSHOT_DIR keeps pictures of the window for a look.
void saveShot(QWidget& w, const char* name) {
  const QByteArray dir = qgetenv("GRAINIX_SCREENSHOT_DIR");
  if (dir.isEmpty()) return;
  QApplication::processEvents();
  w.grab().save(QString::fromLocal8Bit(dir) + "/" + name);
}

// Closes whatever modal window opens (a refused command opens none; one that
// was let through must not hang the test), counting them.
struct ModalCloser {
  QTimer timer;
  int closed = 0;
  ModalCloser() {
    QObject::connect(&timer, &QTimer::timeout, [this] {
      if (QWidget* m = QApplication::activeModalWidget()) {
        ++closed;
        m->close();
      }
    });
    timer.start(50);
  }
};

void buildFcc(TFMain& w, const char* radius) {
  child<QRadioButton>(w, "rbfcc")->click();
  child<QLineEdit>(w, "Elp")->setText("3.54");
  child<QLineEdit>(w, "Eradius")->setText(radius);
  child<QPushButton>(w, "Bsiecwatek")->click();
}

TEST(MainWindow, CommandsThatReplaceTheGrainAreRefusedWhileACalculationRuns) {
  Fixture f;
  const QString ndl = writeNodesFile(f, "small.ndl");
  auto w = f.open();
  w->show();
  buildFcc(*w, "60");
  const size_t atoms = w->workbench().ideal.size();
  ASSERT_GT(atoms, 50000u);
  child<QLineEdit>(*w, "Ebinwidth")->setText("0.001");
  QTest::mouseClick(child<QPushButton>(*w, "BLiczPdf"), Qt::LeftButton);
  ASSERT_TRUE(w->calcPanel()->calculationRunning());
  const uint64_t generation = w->workbench().generation;
  ModalCloser closer;

  f.presenter.fileAnswer = ndl;
  QTest::mouseClick(child<QPushButton>(*w, "Bsiecwatek"), Qt::LeftButton);
  for (const char* item : {"MIopennodes", "MIopenhist", "MIopendiff", "MIopensec", "Openexperimentalfile1",
                           "MIscattfact"})
    w->findChild<QAction*>(item)->trigger();
  w->filesDropped({ndl});
  QTest::mouseClick(child<QPushButton>(*w, "Bmodify"), Qt::LeftButton);

  const QStringList log = w->logLines();
  for (const char* command : {"Build", "Open nodes file", "Open histogram file", "Open diffraction file",
                              "Open sections file", "Open experimental file", "Element table", "Dropped file",
                              "Modify"})
    EXPECT_TRUE(log.contains(QString::fromStdString(busyRefusalLine(command)))) << command;
  EXPECT_EQ(closer.closed, 0);  // no window opened
  saveShot(*w, "refused_while_running.png");
  EXPECT_EQ(w->workbench().ideal.size(), atoms);
  EXPECT_EQ(w->workbench().generation, generation);
  EXPECT_TRUE(w->calcPanel()->calculationRunning());
  EXPECT_TRUE(f.presenter.shown.empty());

  // After STOP the stopped run ends before the grain goes.
  QTest::mouseClick(child<QPushButton>(*w, "Bstop"), Qt::LeftButton);
  child<QLineEdit>(*w, "Eradius")->setText("10");
  QTest::mouseClick(child<QPushButton>(*w, "Bsiecwatek"), Qt::LeftButton);
  EXPECT_FALSE(w->calcPanel()->calculationRunning());
  EXPECT_LT(w->workbench().ideal.size(), 1000u);
  QApplication::processEvents();
  EXPECT_FALSE(w->logLines().contains(kStaleRunLine));
  EXPECT_TRUE(w->workbench().pdh.empty());
  w->close();
}

TEST(MainWindow, OpeningAHistogramDuringADiffractionIsRefused) {
  Fixture f;
  auto w = f.open();
  buildFcc(*w, "15");
  child<QLineEdit>(*w, "Ebinwidth")->setText("0.001");
  QTest::mouseClick(child<QPushButton>(*w, "BLiczPdf"), Qt::LeftButton);
  ASSERT_TRUE(waitFor([&] { return !w->calcPanel()->calculationRunning() && !w->workbench().pdh.empty(); }));
  const QString his = f.tmp.filePath("h.his");
  StFileTexts texts;
  texts.header.elementL = "Ni";
  texts.binWidth = "0.01";
  ASSERT_TRUE(saveHistogramFile(his.toStdString(), {{0.5, 3}}, {}, false, texts).ok);
  // Many points: the run lasts while the file is asked for.
  child<QLineEdit>(*w, "Edphi")->setText("0.0005");
  QTest::mouseClick(child<QPushButton>(*w, "Bpdfdyfr"), Qt::LeftButton);
  ASSERT_TRUE(w->calcPanel()->calculationRunning());
  const size_t bins = w->workbench().pdh.size();
  f.presenter.fileAnswer = his;
  w->findChild<QAction*>("MIopenhist")->trigger();
  EXPECT_TRUE(w->logLines().contains(QString::fromStdString(busyRefusalLine("Open histogram file"))));
  EXPECT_EQ(w->workbench().pdh.size(), bins);
  // A sorted layout is written from a copy: the list the run reads keeps its order.
  const vGrainNodes before = w->workbench().current();
  const QString ndm = f.tmp.filePath("sorted.ndm");
  f.presenter.fileAnswer = ndm;
  w->findChild<QAction*>("MIsavenodes")->trigger();
  ASSERT_TRUE(QFileInfo::exists(ndm));
  const vGrainNodes& after = w->workbench().current();
  ASSERT_EQ(after.size(), before.size());
  for (size_t i = 0; i < after.size(); ++i)
    ASSERT_TRUE(after[i].x == before[i].x && after[i].y == before[i].y && after[i].z == before[i].z) << i;
  f.presenter.fileAnswer = his;
  QTest::mouseClick(child<QPushButton>(*w, "Bstop"), Qt::LeftButton);
  ASSERT_TRUE(waitFor([&] { return !w->calcPanel()->calculationRunning(); }));
  // Stopped: no pattern is left to draw, save or transform.
  EXPECT_EQ(w->workbench().pattern.count, 0);
  EXPECT_FALSE(w->isCommandEnabled("Bsq"));
  EXPECT_FALSE(w->isCommandEnabled("MIsavediff"));
  w->findChild<QAction*>("MIopenhist")->trigger();
  EXPECT_EQ(w->workbench().pdh.size(), 1u);
  w->close();
}

TEST(MainWindow, AResultOfAGrainThatChangedMeanwhileIsDropped) {
  Fixture f;
  auto w = f.open();
  buildFcc(*w, "8");
  QTest::mouseClick(child<QPushButton>(*w, "BLiczPdf"), Qt::LeftButton);
  // Something replaced the grain's inputs before the completion came in.
  ++w->workbench().generation;
  ASSERT_TRUE(waitFor([&] { return !w->calcPanel()->calculationRunning(); }));
  QApplication::processEvents();
  EXPECT_TRUE(w->logLines().contains(kStaleRunLine));
  EXPECT_TRUE(w->workbench().pdh.empty());
  EXPECT_FALSE(child<QPushButton>(*w, "BGraf")->isEnabled());
  EXPECT_FALSE(w->isCommandEnabled("MIsavehistogram"));
}

// A pattern read from a file: the choices it lacks are disabled, and the
// diagram, G(r) and the save use only its own two columns.
TEST(MainWindow, APatternReadFromAFileOffersOnlyItsColumns) {
  Fixture f;
  auto w = f.open();
  w->show();
  StDiffPattern p;
  for (int i = 0; i < 200; ++i) {
    p.q.push_back(0.05 * (i + 1));
    p.twoTheta.push_back(0.001 * (i + 1));
    p.sOfQ.push_back(1 + 0.5 * std::sin(0.3 * i));
    p.intensity.push_back(100 + i);
  }
  p.count = 200;
  StFileTexts qs;
  qs.header.elementL = "Ni";
  qs.header.latticeText = "3.52";
  qs.header.radiusText = "10";
  qs.lambda = "1.5444";
  qs.k = "4.06836";
  qs.step = "0.1";
  qs.angleAbscissa = false;  // Q and S
  StFileTexts ti = qs;
  ti.angleAbscissa = true;
  ti.sOrdinate = false;      // theta and I
  const QString qsPath = f.tmp.filePath("qs.diff"), tiPath = f.tmp.filePath("ti.diff");
  ASSERT_TRUE(saveDiffractionFile(qsPath.toStdString(), p, qs).ok);
  ASSERT_TRUE(saveDiffractionFile(tiPath.toStdString(), p, ti).ok);
  auto* panel = w->calcPanel();

  f.presenter.fileAnswer = qsPath;
  w->findChild<QAction*>("MIopendiff")->trigger();
  ASSERT_EQ(w->workbench().pattern.count, 200);
  EXPECT_FALSE(panel->RBi->isEnabled());
  EXPECT_FALSE(panel->RBangle->isEnabled());
  EXPECT_TRUE(panel->RBs->isChecked());
  EXPECT_TRUE(panel->RBq->isChecked());
  QTest::mouseClick(panel->RBi, Qt::LeftButton);  // disabled: nothing happens
  EXPECT_TRUE(panel->RBs->isChecked());
  saveShot(*w, "pattern_columns.png");
  QTest::mouseClick(panel->Bdiffgraph, Qt::LeftButton);
  ASSERT_EQ(panel->openedDiagrams().size(), 1);
  auto* d = qobject_cast<TFdiagram*>(panel->openedDiagrams().back());
  ASSERT_EQ(d->Graf->diagramCount(), 1u);
  EXPECT_EQ(d->Graf->getAxisYTitle(), "S(Q)");
  EXPECT_EQ(d->Graf->diagram(0).x.size(), 200u);
  // Q and S are what G(r) transforms.
  ASSERT_TRUE(panel->Bsq->isEnabled());
  panel->ChBoxGrGraph->setChecked(false);
  QTest::mouseClick(panel->Bsq, Qt::LeftButton);
  ASSERT_TRUE(waitFor([&] { return !panel->calculationRunning(); }));
  QApplication::processEvents();
  EXPECT_GT(w->workbench().gr.count, 0);
  for (const StMessage& m : f.presenter.shown) ADD_FAILURE() << m.text;
  f.presenter.shown.clear();

  f.presenter.fileAnswer = tiPath;
  w->findChild<QAction*>("MIopendiff")->trigger();
  EXPECT_FALSE(panel->RBs->isEnabled());
  EXPECT_FALSE(panel->RBq->isEnabled());
  EXPECT_TRUE(panel->RBi->isChecked());
  EXPECT_TRUE(panel->RBangle->isChecked());
  EXPECT_FALSE(panel->Bsq->isEnabled());
  QTest::mouseClick(panel->Bdiffgraph, Qt::LeftButton);
  ASSERT_EQ(panel->openedDiagrams().size(), 2);
  d = qobject_cast<TFdiagram*>(panel->openedDiagrams().back());
  EXPECT_EQ(d->Graf->getAxisYTitle(), "I(theta)");
  // Asked anyway (a queued or chained command), G(r) refuses the pattern.
  panel->BsqClick();
  ASSERT_EQ(f.presenter.shown.size(), 1u);
  EXPECT_EQ(f.presenter.shown[0].text, grPatternRefusal(w->workbench().pattern).at(0).text);
  EXPECT_FALSE(panel->calculationRunning());
  f.presenter.shown.clear();
  // Saved again (the menu item stays off after a read; a chained save), the
  // pattern gives the file it came from.
  const QString again = f.tmp.filePath("again.diff");
  f.presenter.fileAnswer = again;
  w->MIsavediffClick();
  EXPECT_TRUE(f.presenter.shown.empty());
  QFile a(again), b(tiPath);
  ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
  // The column titles and rows (the header follows the window's edits).
  auto table = [](QFile& file) {
    const QByteArray text = file.readAll();
    return text.mid(text.indexOf("#    theta"));
  };
  const QByteArray rows = table(b);
  EXPECT_TRUE(rows.startsWith("#    theta\t       I\n"));
  EXPECT_EQ(table(a), rows);
  for (QWidget* o : panel->openedDiagrams()) delete o;
  w->close();
}

TEST(MainWindow, BadSettingValuesGiveOneWarningNamingTheKeys) {
  Fixture f;
  {
    QFile ini(f.options.settingsPath);
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[latt]\nlatconst=abc\nrgrain=12\n[pdf]\ntol=0,001\n[gr]\nstop=x\n[diff]\nstart=a\n");
  }
  auto w = f.open();
  ASSERT_EQ(f.presenter.shown.size(), 1u);
  EXPECT_EQ(f.presenter.shown[0].kind, MessageKind::Warning);
  const QString text = QString::fromStdString(f.presenter.shown[0].text);
  EXPECT_TRUE(text.contains(f.options.settingsPath));
  for (const char* key : {"[latt] latconst=abc", "[pdf] tol=0,001", "[gr] stop=x", "[diff] start=a"})
    EXPECT_TRUE(text.contains(key)) << key;
  EXPECT_EQ(child<QLineEdit>(*w, "Elp")->text(), "3.54");
}

TEST(MainWindow, ASettingsFileThatCannotBeReadIsLeftAlone) {
  Fixture f;
  QDir().mkpath(f.options.settingsPath);  // a folder under the file's name
  auto w = f.open();
  ASSERT_EQ(f.presenter.shown.size(), 1u);
  EXPECT_EQ(f.presenter.shown[0].text,
            settingsUnreadableText(f.options.settingsPath.toStdString(), "Is a directory"));
  EXPECT_EQ(child<QLineEdit>(*w, "Elp")->text(), "3.54");  // the defaults
  w->close();
  EXPECT_EQ(f.presenter.shown.size(), 1u);  // no error box at close: nothing was written
  EXPECT_TRUE(QFileInfo(f.options.settingsPath).isDir());
}

// The window after a build, at its default size; GRAINIX_SCREENSHOT_DIR
// keeps the picture for a look.
TEST(MainWindow, GrabAfterBuild) {
  Fixture f;
  auto w = f.open();
  child<QRadioButton>(*w, "rbfcc")->click();
  child<QLineEdit>(*w, "Elp")->setText("3.54");
  child<QLineEdit>(*w, "Eradius")->setText("15");
  w->BsiecwatekClick();
  w->show();
  QApplication::processEvents();
  const QPixmap shot = w->grab();
  EXPECT_FALSE(shot.isNull());
  // Nothing of the left panel is squeezed below its own size.
  EXPECT_GE(w->leftPanel()->width(), w->leftPanel()->minimumSizeHint().width());
  EXPECT_GE(w->leftPanel()->height(), w->leftPanel()->minimumSizeHint().height());
  const QByteArray dir = qgetenv("GRAINIX_SCREENSHOT_DIR");
  if (!dir.isEmpty()) shot.save(QString::fromLocal8Bit(dir) + "/main_window.png");

  // The PDH diagram of that grain, at the size it opens with.
  child<QPushButton>(*w, "BLiczPdf")->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return w->isCommandEnabled("BGraf"); }, 20000));  // the worker's end
  const auto before = w->diagramWindows().size();
  child<QPushButton>(*w, "BGraf")->click();
  ASSERT_EQ(w->diagramWindows().size(), before + 1);
  QWidget* pdh = w->diagramWindows().back();
  pdh->show();
  QApplication::processEvents();
  const QPixmap diagram = pdh->grab();
  EXPECT_FALSE(diagram.isNull());
  if (!dir.isEmpty()) diagram.save(QString::fromLocal8Bit(dir) + "/pdh_diagram.png");
  w->close();
}

}  // namespace
}  // namespace grainix

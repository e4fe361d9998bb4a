#include <QAction>
#include <QApplication>
#include <QPixmap>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <gtest/gtest.h>

#include "engine/app/build_command.h"
#include "gui/app/tfmain.h"
#include "gui/controls/digit_labeled_edit.h"
#include "gui/fit/tffityk.h"

namespace grainix {
namespace {

// Answers every question at once and remembers what was shown.
class RecordingPresenter : public MessagePresenter {
 public:
  std::vector<StMessage> shown;
  QString inputAnswer;
  bool inputOk = true;
  QString fileAnswer;
  void message(QWidget*, const StMessage& m) override { shown.push_back(m); }
  bool inputText(QWidget*, const QString&, const QString&, QString& value) override {
    if (inputOk) value = inputAnswer;
    return inputOk;
  }
  QString openFileName(QWidget*, const StFileDialog&) override { return fileAnswer; }
  QString saveFileName(QWidget*, const StFileDialog& d) override {
    lastSave = d;
    return fileAnswer;
  }
  QString chooseFolder(QWidget*, const QString&) override { return {}; }
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
  bool run(std::string& sequence, vGrainNodes&, StGrainPrm&) override {
    ++runs;
    seenSequence = sequence;
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
    emit w->findChild<QShortcut*>("MIcmpexpKey")->activated();
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
  // Items of later windows say so instead of doing nothing; hidden items
  // keep their shortcuts, and a disabled hidden item ignores its key.
  emit w->findChild<QShortcut*>("MIcmpexpKey")->activated();
  ASSERT_EQ(f.presenter.shown.size(), 1u);
  EXPECT_TRUE(QString::fromStdString(f.presenter.shown[0].text).contains("not available yet"));
  emit w->findChild<QShortcut*>("MIfitykKey")->activated();
  EXPECT_EQ(f.presenter.shown.size(), 1u);
  EXPECT_EQ(w->findChild<TFfityk*>(), nullptr);
  w->setCommandEnabled("MIfityk", true);
  EXPECT_TRUE(w->isCommandEnabled("MIfityk"));
  EXPECT_FALSE(w->findChild<QAction*>("MIfityk")->isVisible());
  emit w->findChild<QShortcut*>("MIfitykKey")->activated();
  EXPECT_EQ(f.presenter.shown.size(), 1u);
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
  w->MIclosediagramsClick();
  QApplication::processEvents();
  for (QWidget* d : diagrams) EXPECT_FALSE(d->isVisible());
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
  w->close();
}

}  // namespace
}  // namespace grainix

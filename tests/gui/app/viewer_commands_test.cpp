// The Tools commands that start an outside viewer, through their keys, with
// the real message boxes (closed by a timer) and a stand-in viewer program.
#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "gui/app/tfmain.h"
#include "tests/gui/test_files.h"

namespace grainix {
namespace {

// Closes every message box that opens, with its OK button, after noting it.
struct BoxCloser {
  struct Box {
    QString title, text;
    QMessageBox::Icon icon;
  };
  std::vector<Box> boxes;
  QTimer timer;
  BoxCloser() {
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      boxes.push_back({box->windowTitle(), box->text(), box->icon()});
      if (QAbstractButton* ok = box->button(QMessageBox::Ok))
        ok->click();
      else
        box->done(0);
    });
    timer.start();
  }
};

// PATH set for one test.
struct ScopedPath {
  QByteArray saved = qgetenv("PATH");
  explicit ScopedPath(const QString& value) { qputenv("PATH", value.toLocal8Bit()); }
  ~ScopedPath() { qputenv("PATH", saved); }
};

using testing::writeFile;

QString readFile(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// A working folder with the element table, a folder for the RasTop
// stand-in, and settings that point the RasTop and temp folders there.
struct ViewerWindow {
  QTemporaryDir dir;
  QString work = dir.filePath("work"), viewers = dir.filePath("viewers"), tmp = dir.filePath("tmp");
  std::unique_ptr<TFMain> w;

  ViewerWindow() {
    QDir().mkpath(work);
    QDir().mkpath(viewers);
    QFile::copy(QStringLiteral(GRAINIX_SOURCE_DIR "/data/scFact.sft"), work + "/scFact.sft");
    writeFile(dir.filePath("grainix.ini"),
              ("[aux]\npath_rastop=" + viewers + "\npath_tmp=" + tmp + "\n").toUtf8());
  }
  void open() {
    StMainOptions o;
    o.workingDir = work;
    o.exePath = dir.filePath("bin/grainix");
    o.settingsPath = dir.filePath("grainix.ini");
    w = std::make_unique<TFMain>(o);
    w->show();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
  }
  void buildSc() {
    w->findChild<QRadioButton*>("rbsc")->click();
    for (const char* name : {"Elp", "Eradius"}) {
      auto* e = w->findChild<QLineEdit*>(name);
      e->setFocus();
      e->selectAll();
      QTest::keyClicks(e, name == QString("Elp") ? "2.5" : "5");
    }
    w->findChild<QPushButton*>("Bsiecwatek")->click();
  }
};

TEST(ViewerCommands, CtrlTStartsRastopFromItsFolderWithTheGeneratedScript) {
  ViewerWindow v;
  writeFile(v.work + "/rms.scr", "spacefill\ncolour cpk\n");
  // The stand-in notes its arguments beside itself.
  writeFile(v.viewers + "/rastop", "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$(dirname \"$0\")/args.part\"\n"
                                   "mv \"$(dirname \"$0\")/args.part\" \"$(dirname \"$0\")/args.txt\"\n",
            true);
  ASSERT_NO_FATAL_FAILURE(v.open());
  BoxCloser closer;
  v.buildSc();
  const size_t nodes = v.w->workbench().ideal.size();
  ASSERT_GT(nodes, 1u);

  QTest::keyClick(v.w.get(), Qt::Key_T, Qt::ControlModifier);
  EXPECT_TRUE(closer.boxes.empty());
  EXPECT_GT(v.w->lastViewerPid(), 0);
  const QString commandLine = v.w->logLines().back();
  const QString prefix = v.viewers + "/rastop -script " + v.tmp + "/";
  ASSERT_TRUE(commandLine.startsWith(prefix)) << commandLine.toStdString();
  ASSERT_TRUE(commandLine.endsWith(".scr"));
  const QString script = commandLine.mid(prefix.size() - v.tmp.size() - 1);
  const QString xyz = script.left(script.size() - 3) + "xyz";

  // The viewer runs on its own; the window did not wait for it.
  QElapsedTimer clock;
  clock.start();
  while (!QFile::exists(v.viewers + "/args.txt") && clock.elapsed() < 10000) QTest::qWait(20);
  EXPECT_EQ(readFile(v.viewers + "/args.txt"), "-script\n" + script + "\n");
  EXPECT_EQ(readFile(script), "\n\nzap\nload xyz " + xyz + "\nspacefill\ncolour cpk\n");
  EXPECT_TRUE(readFile(xyz).startsWith(QString::number(nodes) + "\ncomment\n"));
  v.w->close();
}

TEST(ViewerCommands, MissingTemplateAndFailedStartShowTheirBoxes) {
  ViewerWindow v;
  QTemporaryDir emptyPath;
  ScopedPath path(emptyPath.path());
  // RasTop's folder holds a file of its name that cannot be run.
  writeFile(v.viewers + "/rastop", "not a program");
  ASSERT_NO_FATAL_FAILURE(v.open());
  BoxCloser closer;
  v.buildSc();
  const QStringList before = v.w->logLines();

  // No template anywhere, and no RasMol on the path.
  QTest::keyClick(v.w.get(), Qt::Key_R, Qt::ControlModifier);
  ASSERT_EQ(closer.boxes.size(), 1u);
  EXPECT_EQ(closer.boxes[0].title, "ERROR");
  EXPECT_EQ(closer.boxes[0].icon, QMessageBox::Critical);
  EXPECT_EQ(closer.boxes[0].text, "Couldn't open file: " + v.work + "/rms.scr or program: rasmol");
  EXPECT_FALSE(QDir(v.tmp).exists());
  EXPECT_EQ(v.w->logLines(), before);

  writeFile(v.work + "/rms.scr", "spacefill\n");
  v.w->activateWindow();  // back from the box
  ASSERT_TRUE(QTest::qWaitForWindowActive(v.w.get()));
  QTest::keyClick(v.w.get(), Qt::Key_T, Qt::ControlModifier);
  ASSERT_EQ(closer.boxes.size(), 2u);
  EXPECT_EQ(closer.boxes[1].title, "ERROR");
  EXPECT_EQ(closer.boxes[1].icon, QMessageBox::Critical);
  EXPECT_TRUE(closer.boxes[1].text.startsWith("Program Grainix couldn't create process:\n" + v.viewers +
                                              "/rastop -script " + v.tmp + "/"))
      << closer.boxes[1].text.toStdString();
  EXPECT_EQ(v.w->lastViewerPid(), 0);
  EXPECT_EQ(v.w->logLines(), before);
  // The files stay in the temp folder.
  EXPECT_EQ(QDir(v.tmp).entryList(QDir::Files).size(), 2);
  v.w->close();
}

}  // namespace
}  // namespace grainix

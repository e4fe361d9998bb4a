// Shows a built grain in the real RasMol on an X server (ctest runs this
// under xvfb-run), grabs the screen and looks for the rendered atoms:
// coloured pixels on the viewer's black canvas.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QComboBox>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <signal.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "gui/app/tfmain.h"

namespace grainix {
namespace {

// Boxes would wait for a person: note them instead.
class NotingPresenter : public QtMessagePresenter {
 public:
  std::vector<StMessage> shown;
  void message(QWidget*, const StMessage& m) override { shown.push_back(m); }
};

bool processGone(qint64 pid) {
  if (::kill(static_cast<pid_t>(pid), 0) != 0) return true;
  // An ended process nobody has reaped yet counts as gone.
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string pidText, name, state;
  stat >> pidText >> name >> state;
  return state == "Z";
}

// Ends the viewer this test started, whatever way the test leaves.
struct StartedViewer {
  qint64 pid = 0;
  ~StartedViewer() { end(); }
  bool end() {
    if (pid <= 0) return true;
    ::kill(static_cast<pid_t>(pid), SIGTERM);
    QElapsedTimer clock;
    clock.start();
    while (!processGone(pid) && clock.elapsed() < 5000) QTest::qWait(50);
    if (!processGone(pid)) ::kill(static_cast<pid_t>(pid), SIGKILL);
    while (!processGone(pid) && clock.elapsed() < 8000) QTest::qWait(50);
    const bool gone = processGone(pid);
    pid = 0;
    return gone;
  }
};

struct PixelCount {
  long coloured = 0;  // clearly not grey
  long black = 0;
};

PixelCount countPixels(const QImage& image) {
  PixelCount c;
  const QImage img = image.convertToFormat(QImage::Format_RGB32);
  for (int y = 0; y < img.height(); ++y) {
    const QRgb* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
    for (int x = 0; x < img.width(); ++x) {
      const int r = qRed(line[x]), g = qGreen(line[x]), b = qBlue(line[x]);
      const int hi = std::max({r, g, b}), lo = std::min({r, g, b});
      if (hi < 16) ++c.black;
      if (hi > 80 && hi - lo > 60) ++c.coloured;
    }
  }
  return c;
}

QImage grabScreen() { return QGuiApplication::primaryScreen()->grabWindow(0).toImage(); }

TEST(RasmolView, TheGrainAppearsInRasmol) {
  ASSERT_FALSE(qEnvironmentVariableIsEmpty("DISPLAY")) << "needs an X server (ctest runs it under xvfb-run)";
  ASSERT_FALSE(QStandardPaths::findExecutable("rasmol").isEmpty()) << "rasmol is missing: run scripts/setup";

  // The working folder holds the element table; the template is the one
  // shipped beside the executable.
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString work = dir.filePath("work"), bin = dir.filePath("bin"), tmp = work + "/tmp";
  QDir().mkpath(work);
  QDir().mkpath(bin);
  ASSERT_TRUE(QFile::copy(QStringLiteral(GRAINIX_SOURCE_DIR "/data/scFact.sft"), work + "/scFact.sft"));
  ASSERT_TRUE(QFile::copy(QStringLiteral(GRAINIX_SOURCE_DIR "/data/rms.scr"), bin + "/rms.scr"));

  NotingPresenter presenter;
  StMainOptions o;
  o.workingDir = work;
  o.exePath = bin + "/grainix";
  o.settingsPath = dir.filePath("grainix.ini");
  o.presenter = &presenter;
  TFMain w(o);
  w.show();

  // An fcc copper grain of radius 8 Angs.
  w.findChild<QRadioButton*>("rbfcc")->click();
  auto* element = w.findChild<QComboBox*>("CBoxElemL");
  const int cu = element->findText("Cu");
  ASSERT_GE(cu, 0);
  element->setCurrentIndex(cu);
  w.findChild<QLineEdit*>("Elp")->setText("3.61");
  w.findChild<QLineEdit*>("Eradius")->setText("8");
  w.findChild<QPushButton*>("Bsiecwatek")->click();
  ASSERT_GT(w.workbench().ideal.size(), 50u);
  w.hide();
  QTest::qWait(200);

  const PixelCount before = countPixels(grabScreen());
  EXPECT_LT(before.coloured, 50) << "the screen shows colour before the viewer runs";

  StartedViewer viewer;
  w.MIrasmolClick();
  viewer.pid = w.lastViewerPid();
  for (const StMessage& m : presenter.shown) ADD_FAILURE() << m.text;
  ASSERT_GT(viewer.pid, 0);
  const QString commandLine = w.logLines().back();
  EXPECT_TRUE(commandLine.contains("/rasmol -script " + tmp + "/")) << commandLine.toStdString();

  // RasMol needs a moment to open its window and draw.
  QImage shot;
  PixelCount seen;
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < 20000) {
    QTest::qWait(500);
    shot = grabScreen();
    seen = countPixels(shot);
    if (seen.coloured > 2000 && clock.elapsed() > 3000) break;
  }
  shot.save(QDir::current().filePath("rasmol-screen.png"));
  EXPECT_GT(seen.coloured, 2000) << "no atoms to be seen; the screen is in rasmol-screen.png";
  EXPECT_GT(seen.black, shot.width() * shot.height() / 4) << "no black canvas";

  EXPECT_TRUE(viewer.end()) << "the viewer did not end";
  w.close();
}

}  // namespace
}  // namespace grainix

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

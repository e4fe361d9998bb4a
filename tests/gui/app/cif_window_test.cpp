// File -> "Build grain from CIF...": the dialog driven by keys, the grain it
// builds and the structure controls set to it; a refused file shows the real
// message box (closed by a timer) and the dialog again with what it held.
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

#include "gui/app/tfmain.h"
#include "gui/grain/tfcif.h"

namespace grainix {
namespace {

QString cifData(const char* name) { return QStringLiteral(GRAINIX_SOURCE_DIR "/tests/data/cif/") + name; }

// A shown window with the real message boxes.
struct CifWindow {
  QTemporaryDir dir;
  std::unique_ptr<TFMain> w;
  CifWindow() {
    StMainOptions o;
    o.workingDir = QStringLiteral(GRAINIX_SOURCE_DIR "/data");
    o.exePath = dir.filePath("grainix");
    o.settingsPath = dir.filePath("grainix.ini");
    w = std::make_unique<TFMain>(o);
    w->show();
    w->activateWindow();
  }
};

// Calls `step` with each modal window that becomes active (a dialog or a
// box), once per opening, while the menu command runs.
struct ModalDriver {
  QTimer timer;
  QWidget* last = nullptr;
  explicit ModalDriver(std::function<void(QWidget*)> step) {
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, [this, step] {
      QWidget* modal = QApplication::activeModalWidget();
      if (!modal || modal == last) return;
      last = modal;
      step(modal);
    });
    timer.start();
  }
};

// With GRAINIX_SCREENSHOT_DIR set: the widget and the whole screen as PNGs.
void grabTo(QWidget* w, const QString& name) {
  const QByteArray dir = qgetenv("GRAINIX_SCREENSHOT_DIR");
  if (dir.isEmpty()) return;
  QApplication::processEvents();
  w->grab().save(QString::fromLocal8Bit(dir) + "/" + name + ".png");
  if (QScreen* screen = QGuiApplication::primaryScreen())
    screen->grabWindow(0).save(QString::fromLocal8Bit(dir) + "/" + name + "_screen.png");
}

void typeInto(QLineEdit* e, const QString& text) {
  e->setFocus();
  QTest::keyClick(e, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(e, Qt::Key_Backspace);
  QTest::keyClicks(e, text);
}

TEST(CifWindow, DialogBuildsTheGrainAndSetsTheStructureControls) {
  CifWindow v;
  bool rulesSeen = false;
  ModalDriver driver([&](QWidget* modal) {
    auto* d = qobject_cast<TFcif*>(modal);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->windowTitle(), "Build grain from CIF");
    // Blank file: nothing to build; the height waits for a cylinder.
    EXPECT_FALSE(d->Bcifok->isEnabled());
    EXPECT_FALSE(d->Ecifheight->isEnabled());
    typeInto(d->Ecif, cifData("rutile.cif"));
    EXPECT_TRUE(d->Bcifok->isEnabled());
    typeInto(d->Ecifradius, "");
    EXPECT_FALSE(d->Bcifok->isEnabled());
    QTest::keyClicks(d->Ecifradius, "10");
    d->RBcifcylinder->setFocus();
    QTest::keyClick(d->RBcifcylinder, Qt::Key_Space);
    EXPECT_TRUE(d->RBcifcylinder->isChecked());
    EXPECT_TRUE(d->Ecifheight->isEnabled());
    typeInto(d->Ecifheight, "");
    EXPECT_FALSE(d->Bcifok->isEnabled());
    QTest::keyClicks(d->Ecifheight, "12");
    EXPECT_TRUE(d->Bcifok->isEnabled());
    rulesSeen = true;
    grabTo(d, "cif_dialog");
    d->Ecifheight->setFocus();
    QTest::keyClick(d->Ecifheight, Qt::Key_Return);  // "Build" is the default button
  });
  v.w->findChild<QAction*>("MIbuildcif")->trigger();
  ASSERT_TRUE(rulesSeen);
  const QStringList log = v.w->logLines();
  ASSERT_FALSE(log.isEmpty());
  const size_t nodes = v.w->workbench().ideal.size();
  EXPECT_EQ(log.back(), QString("cif TiO2 P4_2/mnm, number of nodes=%1").arg(nodes));
  EXPECT_TRUE(log.contains("cylinder along z, radius 10, height 12; atom by atom"));
  EXPECT_GT(nodes, 300u);
  EXPECT_FALSE(v.w->workbench().grainPrm.sphere);
  EXPECT_EQ(v.w->findChild<QLineEdit*>("Elp")->text(), "4.5937");
  EXPECT_EQ(v.w->findChild<QLineEdit*>("Eradius")->text(), "10");
  EXPECT_TRUE(v.w->isCommandEnabled("MIsavenodes"));
  EXPECT_TRUE(v.w->isCommandEnabled("BLiczPdf"));
  EXPECT_TRUE(v.w->isCommandEnabled("Bmodify"));
  grabTo(v.w.get(), "main_window_cif");
}

TEST(CifWindow, RefusedFileShowsTheBoxAndTheDialogAgain) {
  CifWindow v;
  const size_t before = v.w->workbench().ideal.size();
  QStringList boxes;
  int dialogs = 0;
  ModalDriver driver([&](QWidget* modal) {
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      boxes << box->windowTitle() + ": " + box->text();
      box->button(QMessageBox::Ok)->click();
      return;
    }
    auto* d = qobject_cast<TFcif*>(modal);
    ASSERT_NE(d, nullptr);
    if (++dialogs == 1) {
      typeInto(d->Ecif, cifData("batio3_cubic.cif"));
      typeInto(d->Ecifradius, "8");
      QTest::keyClick(d->Ecifradius, Qt::Key_Return);
    } else {
      // Opened again with what it held; cancelled with Escape.
      EXPECT_EQ(d->Ecif->text(), cifData("batio3_cubic.cif"));
      EXPECT_EQ(d->Ecifradius->text(), "8");
      QTest::keyClick(d, Qt::Key_Escape);
    }
  });
  v.w->findChild<QAction*>("MIbuildcif")->trigger();
  EXPECT_EQ(dialogs, 2);
  ASSERT_EQ(boxes.size(), 1);
  EXPECT_EQ(boxes[0], "ERROR: " + cifData("batio3_cubic.cif") +
                          " holds atoms of 3 elements (Ba, Ti, O); one or two elements are supported");
  EXPECT_EQ(v.w->workbench().ideal.size(), before);
  EXPECT_FALSE(v.w->isCommandEnabled("MIsavenodes"));
}

}  // namespace
}  // namespace grainix

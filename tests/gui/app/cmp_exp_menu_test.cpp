// "Compare with experiment" from the main window: Ctrl+D opens the window
// modally with the model's range (twice the radius) and the G(r) edits.
#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "gui/app/tfmain.h"
#include "gui/fit/tfcmpexp.h"

namespace grainix {
namespace {

TEST(MainWindowCompare, CtrlDOpensTheCompareWindowModally) {
  QTemporaryDir tmp;
  StMainOptions options;
  options.workingDir = QStringLiteral(GRAINIX_SOURCE_DIR "/data");
  options.exePath = tmp.filePath("grainix");
  options.settingsPath = tmp.filePath("grainix.ini");
  TFMain w(options);
  w.show();
  QApplication::setActiveWindow(&w);
  auto* radius = w.findChild<QLineEdit*>("Eradius");
  ASSERT_TRUE(radius);
  radius->setFocus();
  radius->selectAll();
  QTest::keyClicks(radius, "12.5");

  QString maxText, stopText, title;
  bool modal = false;
  QTimer poll;
  poll.setInterval(20);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* dlg = qobject_cast<TFcmpExp*>(QApplication::activeModalWidget());
    if (!dlg) return;
    modal = dlg->isModal();
    title = dlg->windowTitle();
    maxText = dlg->findChild<QLineEdit*>("Emaxx")->text();
    stopText = dlg->findChild<QLineEdit*>("Estop")->text();
    dlg->close();
  });
  poll.start();
  QTest::keyClick(&w, Qt::Key_D, Qt::ControlModifier);
  EXPECT_TRUE(modal);
  EXPECT_EQ(title, "Compare to experiment");
  EXPECT_EQ(maxText, "25");
  EXPECT_EQ(stopText, w.findChild<QLineEdit*>("Egrstop")->text());
}

}  // namespace
}  // namespace grainix

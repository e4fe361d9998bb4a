#include <QPlainTextEdit>
#include <gtest/gtest.h>

#include "gui/app/tfmain.h"

namespace {

TEST(MainWindow, CaptionAndWelcome) {
  grainix::TFMain w;
  EXPECT_EQ(w.windowTitle(), " Grainix-ver. 1.1");
  auto* memo = w.findChild<QPlainTextEdit*>("Memo1");
  ASSERT_NE(memo, nullptr);
  EXPECT_TRUE(memo->isReadOnly());
  EXPECT_TRUE(memo->toPlainText().startsWith("   *** WELCOME ***"));
}

}  // namespace

// The element editor on the bundled element table.
#include "gui/calc/tfscatterfactors.h"

#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "engine/elements/element_table.h"
#include "gui/plot/tfdiagram.h"

namespace grainix {
namespace {

const QString kDataDir = QString(GRAINIX_SOURCE_DIR) + "/data";

TEST(ScatterFactorsWindow, GridShowsTheTableWithTitlesAndStripes) {
  QTemporaryDir work;
  TFscatterFactors w(kDataDir, work.path(), nullptr, [](const StMessage&) {});
  ElementTable table;
  ASSERT_TRUE(loadScatteringTable((kDataDir + "/scFact.sft").toStdString(), table));
  EXPECT_EQ(w.StrGrid->rowCount(), static_cast<int>(table.size()));
  EXPECT_EQ(w.StrGrid->columnCount(), 14);
  EXPECT_EQ(w.StrGrid->horizontalHeaderItem(0)->text(), "Element");
  EXPECT_EQ(w.StrGrid->horizontalHeaderItem(13)->text(), "Td (K)");
  EXPECT_EQ(w.StrGrid->item(27, 0)->text(), "Ni");
  EXPECT_EQ(w.StrGrid->item(0, 0)->background().color(), QColor(255, 255, 200));  // grid row 1
  EXPECT_EQ(w.StrGrid->item(1, 0)->background().style(), Qt::NoBrush);
  EXPECT_FALSE(w.changed());
  EXPECT_EQ(w.windowTitle(),
            "coefficients for analytical approximation of scattering factors and chosen properties of elements");
}

TEST(ScatterFactorsWindow, AddRemoveSaveAndChanged) {
  QTemporaryDir work;
  TFscatterFactors w(kDataDir, work.path(), nullptr, [](const StMessage&) {});
  const int n = w.StrGrid->rowCount();
  w.addRecord();
  EXPECT_EQ(w.StrGrid->rowCount(), n + 1);
  EXPECT_TRUE(w.changed());
  w.StrGrid->item(n, 0)->setText("Qq");
  w.StrGrid->item(n, 9)->setText("2");
  ASSERT_TRUE(w.saveArray());
  ElementTable saved;
  std::vector<std::string> names;
  ASSERT_TRUE(loadScatteringTable((work.path() + "/scFact.sft").toStdString(), saved, &names));
  ASSERT_EQ(static_cast<int>(saved.size()), n + 1);
  EXPECT_EQ(names.back(), "Qq");
  EXPECT_DOUBLE_EQ(saved.back().c(), 2);
  w.removeLastRecord();
  EXPECT_EQ(w.StrGrid->rowCount(), n);
}

TEST(ScatterFactorsWindow, ScatteringFactorGraphOfTheSelectedRow) {
  QTemporaryDir work;
  std::vector<StMessage> boxes;
  TFscatterFactors w(kDataDir, work.path(), nullptr, [&](const StMessage& m) { boxes.push_back(m); });
  w.StrGrid->setCurrentCell(27, 0);  // Ni
  QWidget* win = w.scatFactorGraph();
  auto* d = qobject_cast<TFdiagram*>(win);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->windowTitle(), "scattering factor of Ni at T=300K");
  EXPECT_EQ(d->axisXImageName(), "SINTHETA");
  EXPECT_EQ(d->axisYImageName(), "FSINTH");
  EXPECT_TRUE(d->memoText().contains("scattering factor of Ni at T=300K"));
  const QString dir = QDir::tempPath() + "/grainix-calcwin-shots";
  QDir().mkpath(dir);
  d->grab().save(dir + "/scatfactor.png");
  w.grab().save(dir + "/element_editor.png");

  w.Etemp->setText("3OO");
  EXPECT_EQ(w.scatFactorGraph(), nullptr);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].kind, MessageKind::ConversionError);
}

}  // namespace
}  // namespace grainix

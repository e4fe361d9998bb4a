// The point list dialog driven by keys and clicks, with its boxes running.
#include "gui/fit/tfvlist.h"

#include <QApplication>
#include <QDir>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

#include "tests/gui/fit/modal_boxes.h"

namespace grainix {
namespace {

// Runs `steps` once the modal dialog is up.
void whenDialogShows(std::function<void(TFvlist*)> steps) {
  auto* poll = new QTimer;
  poll->setInterval(10);
  QObject::connect(poll, &QTimer::timeout, [poll, steps] {
    if (auto* d = qobject_cast<TFvlist*>(QApplication::activeModalWidget())) {
      poll->stop();
      poll->deleteLater();
      d->activateWindow();
      EXPECT_TRUE(QTest::qWaitForWindowActive(d));
      steps(d);
    }
  });
  poll->start();
}

// Types `text` into cell (row, col) as a person does: F2 opens the editor,
// the keys go to it.
void typeIntoCell(QTableWidget* grid, int row, int col, const QString& text) {
  grid->setFocus();
  grid->setCurrentCell(row, col);
  QTest::keyClick(grid, Qt::Key_F2);
  QWidget* editor = QApplication::focusWidget();
  ASSERT_NE(editor, nullptr);
  ASSERT_EQ(editor->objectName(), "cellEditor");
  QTest::keyClick(editor, Qt::Key_Home);
  QTest::keyClick(editor, Qt::Key_End, Qt::ShiftModifier);
  QTest::keyClicks(editor, text);
}

TEST(PointListDialog, EditedCellIsCommittedByAccept) {
  std::vector<double> x{1.5, 2}, y{10, 20};
  bool open = false;
  testing::ModalBoxes boxes;
  bool sawOpen = false;
  whenDialogShows([&](TFvlist* d) {
    sawOpen = open;
    EXPECT_EQ(d->windowTitle(), "Add/remove points");
    EXPECT_EQ(d->ValueListEditor->horizontalHeaderItem(0)->text(), "X");
    EXPECT_EQ(d->ValueListEditor->horizontalHeaderItem(1)->text(), "Y");
    EXPECT_EQ(d->ValueListEditor->item(0, 0)->text(), "1.5");
    // Letters other than "e" and a "+" are not typed; the editor is still open.
    typeIntoCell(d->ValueListEditor, 1, 1, "3a5+e1");
    QTest::mouseClick(d->Bok, Qt::LeftButton);
  });
  EXPECT_TRUE(TFvlist::edit(x, y, nullptr, &open));
  EXPECT_TRUE(sawOpen);
  EXPECT_FALSE(open);
  EXPECT_EQ(x, (std::vector<double>{1.5, 2}));
  EXPECT_EQ(y, (std::vector<double>{10, 35e1}));
  EXPECT_TRUE(boxes.boxes.isEmpty());
}

TEST(PointListDialog, InsertedEmptyRowIsSkippedWithTheWarning) {
  std::vector<double> x{1, 2, 3}, y{10, 20, 30};
  testing::ModalBoxes boxes;
  whenDialogShows([&](TFvlist* d) {
    QTableWidget* g = d->ValueListEditor;
    g->setFocus();
    g->setCurrentCell(0, 0);
    QTest::keyClick(g, Qt::Key_Insert);  // an empty row after the first
    ASSERT_EQ(g->rowCount(), 4);
    typeIntoCell(g, 1, 0, "1.25");       // only X filled
    g->setCurrentCell(3, 1);
    QTest::keyClick(g, Qt::Key_Delete, Qt::ControlModifier);  // the last point goes
    QTest::mouseClick(d->Bok, Qt::LeftButton);
  });
  EXPECT_TRUE(TFvlist::edit(x, y, nullptr));
  EXPECT_EQ(x, (std::vector<double>{1, 2}));
  EXPECT_EQ(y, (std::vector<double>{10, 20}));
  EXPECT_EQ(boxes.boxes, QStringList{"WARNING|niektore rekordy mogą zawierajac bledy"});
}

TEST(PointListDialog, ForgetAndABadNumberChangeNothing) {
  std::vector<double> x{1}, y{2};
  bool open = false;
  testing::ModalBoxes boxes;
  whenDialogShows([&](TFvlist* d) {
    typeIntoCell(d->ValueListEditor, 0, 0, "1e");
    QTest::mouseClick(d->Bok, Qt::LeftButton);  // conversion error; the dialog stays
    EXPECT_TRUE(d->isVisible());
    EXPECT_TRUE(open);
    QTest::mouseClick(d->Bcancel, Qt::LeftButton);
  });
  EXPECT_FALSE(TFvlist::edit(x, y, nullptr, &open));
  EXPECT_FALSE(open);
  EXPECT_EQ(x, std::vector<double>{1});
  EXPECT_EQ(y, std::vector<double>{2});
  EXPECT_EQ(boxes.boxes, QStringList{"Error|'1e' is not a valid floating point value"});
}

TEST(PointListDialog, ModelessDialogClearsTheFlagAndDestroysItself) {
  std::vector<double> x{1}, y{2};
  bool open = false;
  QPointer<TFvlist> d = TFvlist::openModeless(x, y, nullptr, &open);
  EXPECT_TRUE(open);
  d->grab().save(QDir::tempPath() + "/tfvlist.png");
  d->close();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(open);
  EXPECT_TRUE(d.isNull());
}

}  // namespace
}  // namespace grainix

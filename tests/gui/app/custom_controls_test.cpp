#include <QApplication>
#include <QDialog>
#include <QIconEngine>
#include <QPainter>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "gui/controls/digit_labeled_edit.h"
#include "gui/controls/group_box_ext.h"
#include "gui/controls/icons.h"
#include "gui/app/tfpriority.h"
#include "gui/app/tfwait.h"

namespace grainix {
namespace {

TEST(DigitLabeledEdit, AcceptsNumberCharactersOnly) {
  QWidget parent;
  TDigitLabeledEdit e("Bin width", &parent);
  EXPECT_EQ(e.editLabel()->text(), "Bin width");
  QTest::keyClicks(&e, "1.5e-3");
  EXPECT_EQ(e.text(), "1.5e-3");
  e.clear();
  QTest::keyClicks(&e, "1,5");
  EXPECT_EQ(e.text(), "15");
  e.clear();
  QTest::keyClicks(&e, "cvxab");
  EXPECT_EQ(e.text(), "cvx");
  QTest::keyClick(&e, Qt::Key_Backspace);
  EXPECT_EQ(e.text(), "cv");
}

TEST(DigitLabeledEdit, ClipboardShortcutsAreDropped) {
  QWidget parent;
  TDigitLabeledEdit e(&parent);
  e.setText("12");
  e.selectAll();
  QTest::keyClick(&e, Qt::Key_X, Qt::ControlModifier);  // would cut
  EXPECT_EQ(e.text(), "12");
  for (char c : {'0', '9', '-', '.', 'e', 'c', 'v', 'x', '\b'}) EXPECT_TRUE(TDigitLabeledEdit::acceptChar(QChar(c))) << c;
  for (char c : {',', 'E', 'a', ' ', '+', '\x03', '\x16', '\x18'})
    EXPECT_FALSE(TDigitLabeledEdit::acceptChar(QChar(c))) << int(c);
}

// Keys that type no number character but edit or leave the field still work:
// Ctrl+A selects all, Return reaches the dialog's default button.
TEST(DigitLabeledEdit, EditingKeysKeepTheirMeaning) {
  QDialog dialog;
  auto* e = new TDigitLabeledEdit(&dialog);
  auto* ok = new QPushButton("OK", &dialog);
  ok->setDefault(true);
  QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
  dialog.show();
  e->setText("12");
  QTest::keyClick(e, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(e, "7");
  EXPECT_EQ(e->text(), "7");
  QSignalSpy accepted(&dialog, &QDialog::accepted);
  QTest::keyClick(e, Qt::Key_Return);
  EXPECT_EQ(accepted.count(), 1);
}

// An icon source that draws the same picture in every mode, as some icon
// themes do: a button with such an icon looks enabled when it is not.
class OneLookIconEngine : public QIconEngine {
 public:
  explicit OneLookIconEngine(QPixmap pm) : pm_(std::move(pm)) {}
  void paint(QPainter* p, const QRect& rect, QIcon::Mode, QIcon::State) override { p->drawPixmap(rect, pm_); }
  QPixmap pixmap(const QSize&, QIcon::Mode, QIcon::State) override { return pm_; }
  QIconEngine* clone() const override { return new OneLookIconEngine(pm_); }

 private:
  QPixmap pm_;
};

long darkness(const QPixmap& pm) {
  const QImage img = pm.toImage().convertToFormat(QImage::Format_ARGB32);
  long sum = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) sum += qAlpha(img.pixel(x, y)) * (255 - qGray(img.pixel(x, y))) / 255;
  return sum;
}

TEST(ButtonIcons, DisabledLookIsMadeFromThePicture) {
  QPixmap pm(16, 16);
  pm.fill(QColor(20, 40, 160));
  const QIcon plain(new OneLookIconEngine(pm));
  ASSERT_EQ(darkness(plain.pixmap(QSize(16, 16), QIcon::Disabled)), darkness(plain.pixmap(QSize(16, 16))));
  const QIcon icon = withDisabledLook(plain, QApplication::style());
  const long on = darkness(icon.pixmap(QSize(16, 16), QIcon::Normal));
  const long off = darkness(icon.pixmap(QSize(16, 16), QIcon::Disabled));
  EXPECT_EQ(on, darkness(pm));
  EXPECT_LT(off, on * 3 / 4) << "the disabled picture is greyed";
}

TEST(GroupBoxExt, ChildrenFollowAndTheEventFires) {
  TGroupBoxExt box("group");
  auto* a = new QPushButton("a", &box);
  auto* b = new QLineEdit(&box);
  b->setEnabled(false);
  QSignalSpy spy(&box, &TGroupBoxExt::OnEnabled);
  box.SetEnabled(false);
  EXPECT_FALSE(box.isEnabled());
  EXPECT_FALSE(a->isEnabled());
  box.SetEnabled(true);
  EXPECT_TRUE(a->isEnabled());
  EXPECT_TRUE(b->isEnabled());  // enabled with the box though disabled on its own before
  ASSERT_EQ(spy.count(), 2);
  EXPECT_EQ(spy.at(1).at(0).value<QObject*>(), &box);
}

TEST(Fwait, GaugeRunsRound) {
  QWidget owner;
  TFwait w(&owner);
  EXPECT_FALSE(w.gauge()->isTextVisible());
  EXPECT_EQ(w.gauge()->value(), 0);
  for (int i = 0; i < 99; ++i) w.Timer1Timer();
  EXPECT_EQ(w.gauge()->value(), 99);
  w.Timer1Timer();
  EXPECT_EQ(w.gauge()->value(), 0);
  EXPECT_TRUE(w.findChild<QLabel*>()->text() == "Please wait ...");
}

TEST(Fpriority, ButtonOfTheCurrentValueAndResult) {
  struct Case {
    int in;
    const char* checked;
    int out;
  } cases[] = {{3, "RBnormal", 3}, {5, "RBhigh", 5}, {6, "RBrealtime", 6}, {0, "RBnormal", 3}, {4, "RBnormal", 3}};
  for (const auto& c : cases) {
    TFpriority d(c.in);
    EXPECT_TRUE(d.findChild<QRadioButton*>(c.checked)->isChecked()) << c.in;
    EXPECT_EQ(d.priority(), c.out);
  }
  TFpriority d(3);
  d.findChild<QRadioButton*>("RBrealtime")->click();
  EXPECT_EQ(d.priority(), 6);
  EXPECT_TRUE(d.findChild<QPushButton*>("BOK")->isDefault());
}

}  // namespace
}  // namespace grainix

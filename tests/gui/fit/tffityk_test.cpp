// The fityk window driven by keys and clicks, its boxes and dialogs running.
#include "gui/fit/tffityk.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "gui/controls/digit_labeled_edit.h"
#include "gui/fit/tfvlist.h"
#include "gui/plot/tfdiagram.h"
#include "tests/gui/fit/modal_boxes.h"

namespace grainix {
namespace {

QString shotDir() {
  const QString d = QDir::tempPath() + "/shots19";
  QDir().mkpath(d);
  return d;
}

QString readAll(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(f.readAll());
}

struct Data {
  PdhList pdh;
  StData gr;
  StFitFormPrm prm;
  Data() {
    const int cards[] = {0, 0, 0, 12, 0, 4321, 7, 0, 0, 30};
    for (int k = 0; k < 10; ++k) pdh.push_back({k * 0.5, cards[k]});
    gr.x = {0, 0.5, 1.0, 1.5, 2.0, 2.5, 3.0};
    gr.y = {0, 1, 0, 2, 0, 3, 0};
    gr.count = 7;
    prm.pdh = &pdh;
    prm.binWidth = 0.001;
    prm.wavelength = 0.56;
  }
};

// Opens the window on `prm` as the main window does, shown and active.
TFfityk* openWindow(StFitFormPrm& prm) {
  auto* w = new TFfityk(prm, nullptr);
  w->show();
  w->activateWindow();
  EXPECT_TRUE(QTest::qWaitForWindowActive(w));
  return w;
}

void retype(QLineEdit* e, const QString& text) {
  e->setFocus();
  QTest::keyClick(e, Qt::Key_Home);
  QTest::keyClick(e, Qt::Key_End, Qt::ShiftModifier);
  QTest::keyClick(e, Qt::Key_Backspace);
  QTest::keyClicks(e, text);
}

TEST(FitykWindowUi, CaptionsAndTheScriptOfThePdh) {
  Data d;
  d.prm.lp = "3.54";
  d.prm.folder = QDir::tempPath().toStdString();
  QPointer<TFfityk> w = openWindow(d.prm);
  EXPECT_EQ(w->windowTitle(), "Skrypt fityka");
  EXPECT_EQ(w->Elp->editLabel()->text(), "Latt. prm");
  EXPECT_EQ(w->Emin->editLabel()->text(), "min R");
  EXPECT_EQ(w->Emax->editLabel()->text(), "max R");
  EXPECT_EQ(w->Estd->editLabel()->text(), "std");
  EXPECT_EQ(w->Eam->editLabel()->text(), "am");
  EXPECT_EQ(w->En->editLabel()->text(), "En");
  EXPECT_EQ(w->Ezakres->editLabel()->text(), "Zakres");
  EXPECT_EQ(w->GBfiltr->title(), "Usuwanie nadmiarowych pików");
  EXPECT_EQ(w->CmBoxFiltr->itemText(0), "Ruchoma średnia");
  EXPECT_EQ(w->CmBoxFiltr->itemText(1), "pochodna");
  EXPECT_EQ(w->CmB->itemText(1), "user0");
  EXPECT_EQ(w->CmBtlo->itemText(1), "Polynomial2");
  EXPECT_EQ(w->ChBcprm->text(), "Wspolny parametr");
  EXPECT_EQ(w->ChBmnoz->text(), "Mnoznik amplitudy");
  for (const char* name : {"BitBtn2", "Bsave", "Bwykonaj", "Bpodglad", "Memo", "RBpdh", "RBgr"})
    EXPECT_NE(w->findChild<QWidget*>(name), nullptr) << name;
  EXPECT_EQ(w->Elp->text(), "3.54");
  EXPECT_EQ(w->Emax->text(), "10");
  EXPECT_EQ(w->Memo->toPlainText(), "#fityk command line");
  EXPECT_EQ(w->En->text(), "280");
  EXPECT_EQ(w->Ezakres->text(), "0.28");
  EXPECT_TRUE(w->RBpdh->isChecked());
  EXPECT_FALSE(w->RBgr->isEnabled());
  w->grab().save(shotDir() + "/fityk_window.png");

  // The user narrows the range, picks a common width and the polynomial.
  retype(w->Emin, "2a");  // the letter is not typed
  retype(w->Emax, "4");
  w->ChBcprm->setFocus();
  QTest::keyClick(w->ChBcprm, Qt::Key_Space);
  w->CmBtlo->setFocus();
  QTest::keyClick(w->CmBtlo, Qt::Key_Down);
  EXPECT_EQ(w->CmBtlo->currentText(), "Polynomial2");

  QTemporaryDir tmp;
  testing::ModalBoxes boxes;
  boxes.answerSaveWith(tmp.filePath("peaks"));
  QTest::mouseClick(w->Bsave, Qt::LeftButton);
  EXPECT_TRUE(boxes.boxes.isEmpty()) << boxes.boxes.join("\n").toStdString();
  EXPECT_EQ(boxes.dialogFolders, QStringList{QDir::tempPath()});
  const QString script = readAll(tmp.filePath("peaks.fit"));
  EXPECT_EQ(script,
            "# skrypt fityka na podstawie danych z PDH\n"
            "A= a or (2 <x <4)\n"
            "$lp=~3.54\n"
            "$std=~0.1\n"
            "$am=1\n"
            "define BeseL(a=1,r=25)=a*x*(2*r-x)^2*(r+x)/2/r^3\n"
            "%g1= Gaussian(height=~1.7284, center=0.706215*$lp, hwhm=$std)\n"
            "%g2= Gaussian(height=~0.00233333, center=0.847458*$lp, hwhm=$std)\n"
            "%BCG = Polynomial6(slope=~0.0, intercept=~-0.0, avgy=~-0.0)\n"
            "F+=%g1+%g2+%BCG\n");
  EXPECT_EQ(d.prm.min, "2");
  EXPECT_EQ(d.prm.max, 4);
  w->close();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(w.isNull());
}

TEST(FitykWindowUi, GrMustBeChosenBeforeSaving) {
  Data d;
  d.prm.gr = &d.gr;
  TFfityk* w = openWindow(d.prm);
  EXPECT_TRUE(w->RBgr->isEnabled());
  EXPECT_FALSE(w->RBpdh->isChecked());
  EXPECT_FALSE(w->RBgr->isChecked());
  testing::ModalBoxes boxes;
  QTest::mouseClick(w->Bsave, Qt::LeftButton);
  EXPECT_EQ(boxes.boxes, QStringList{"Error|Przed wygenerowaniem fityka musi byc zaznaczony jeden z radio buttonw: PDH "
                                     "lub G(r)"});
  EXPECT_TRUE(boxes.dialogFolders.isEmpty());

  QTest::mouseClick(w->RBgr, Qt::LeftButton);
  EXPECT_EQ(w->model().peaks().x, (std::vector<double>{0.5, 1.5, 2.5}));
  QTest::mouseClick(w->RBpdh, Qt::LeftButton);  // the other source replaces the list
  EXPECT_EQ(w->model().peaks().x, (std::vector<double>{1.5, 2.5, 3.0, 4.5}));

  // The user function: the memo gets the line to complete.
  w->CmB->setFocus();
  QTest::keyClick(w->CmB, Qt::Key_Down);
  EXPECT_EQ(w->Memo->toPlainText(), "define User0");

  // "Lista": the last point removed in the dialog.
  QTimer::singleShot(0, [] {
    auto* v = qobject_cast<TFvlist*>(QApplication::activeModalWidget());
    ASSERT_NE(v, nullptr);
    v->ValueListEditor->setCurrentCell(1, 0);
    QTest::keyClick(v->ValueListEditor, Qt::Key_Delete, Qt::ControlModifier);
    QTest::mouseClick(v->Bok, Qt::LeftButton);
  });
  QTest::mouseClick(w->BitBtn2, Qt::LeftButton);
  EXPECT_EQ(w->model().peaks().x, (std::vector<double>{1.5, 3.0, 4.5}));
  delete w;
}

TEST(FitykWindowUi, WykonajOpensThePreviewOwnedByTheWindow) {
  Data d;
  TFfityk* w = openWindow(d.prm);
  retype(w->En, "1");
  EXPECT_EQ(w->Ezakres->text(), "0.001");
  // Emptied and left, En gets its default back.
  retype(w->En, "");
  w->Emax->setFocus();
  EXPECT_EQ(w->En->text(), "280");
  retype(w->En, "1");
  testing::ModalBoxes boxes;
  QTest::mouseClick(w->Bwykonaj, Qt::LeftButton);
  EXPECT_TRUE(boxes.boxes.isEmpty());
  auto* diagram = qobject_cast<TFdiagram*>(w->lastDiagram());
  ASSERT_NE(diagram, nullptr);
  EXPECT_EQ(diagram->parentWidget(), w);
  EXPECT_TRUE(diagram->isVisible());
  diagram->grab().save(shotDir() + "/fityk_preview.png");
  delete w;  // takes its diagram with it
}

TEST(FitykWindowUi, WykonajWithPartialHistogramsSaysWhyAndOpensNothing) {
  StIDCalcResults partial;
  partial.allocate(3);
  partial.r = {0, 1, 2};
  partial.rij = {0, 5, 0};
  StFitFormPrm prm;
  prm.partial = &partial;
  prm.binWidth = 0.001;
  prm.wavelength = 0.56;
  TFfityk* w = openWindow(prm);
  EXPECT_EQ(w->model().peaks().x, std::vector<double>{1});
  testing::ModalBoxes boxes;
  QTest::mouseClick(w->Bwykonaj, Qt::LeftButton);
  ASSERT_EQ(boxes.boxes.size(), 1);
  EXPECT_TRUE(boxes.boxes[0].startsWith("WARNING|\"Wykonaj\" smooths the PDH of a monoatomic grain"));
  EXPECT_EQ(w->lastDiagram(), nullptr);
  EXPECT_TRUE(w->findChildren<TFdiagram*>().isEmpty());
  delete w;
}

}  // namespace
}  // namespace grainix

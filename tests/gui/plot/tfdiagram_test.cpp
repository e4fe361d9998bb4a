// Diagram window offscreen: rendering, insets, exports, clipboard, printing,
// dialogs, transforms and ownership. Message boxes and dialogs go through a
// scripted DiagramUi so nothing waits for a person.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPrinter>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "gui/controls/captioned_dialogs.h"
#include "gui/plot/diagram_open.h"
#include "gui/plot/diagram_ui.h"
#include "gui/plot/tfaxisprm.h"
#include "gui/plot/tfdiagprop.h"
#include "gui/plot/tfdiagram.h"

namespace grainix {
namespace {

class ScriptedUi : public DiagramUi {
 public:
  std::vector<StMessage> messages;
  QStringList saveNames;  // answers of the save dialogs, in order
  QString inputAnswer;
  bool inputCancels = true;
  std::function<int(QDialog&)> onDialog = [](QDialog&) { return 0; };
  QString printFile;  // empty: the print dialog is cancelled
  bool startOk = true;
  std::vector<QStringList> started;
  int drags = 0;

  void showMessage(QWidget*, const StMessage& m) override { messages.push_back(m); }
  QString getSaveFileName(QWidget*, const QString&, const QString&, const QString&) override {
    return saveNames.isEmpty() ? QString() : saveNames.takeFirst();
  }
  QString inputBox(QWidget*, const QString&, const QString&, const QString& value) override {
    return inputCancels ? value : inputAnswer;
  }
  int execDialog(QDialog& d) override { return onDialog(d); }
  bool execPrintDialog(QWidget*, QPrinter& printer) override {
    if (printFile.isEmpty()) return false;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(printFile);
    return true;
  }
  bool startDetached(const QString& program, const QStringList& args) override {
    started.push_back(QStringList{program} + args);
    return startOk;
  }
  void beep(int, int) override {}
  void startDrag(QWidget*, QMimeData* data) override {
    ++drags;
    delete data;
  }
};

SeriesDesc makeSeries(int n, double x0, double dx, std::function<double(double)> f, DiagramColor color,
                      const std::string& title) {
  SeriesDesc s;
  for (int i = 0; i < n; ++i) {
    const double x = x0 + dx * i;
    s.x.push_back(x);
    s.y.push_back(f(x));
  }
  s.color = color;
  s.penWidth = 2;
  s.title = title;
  return s;
}

class DiagramWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DiagramUi::setInstance(&ui);
    owner = new QWidget;
    settings.writeString("path_tmp", tmp.path().toStdString());
  }
  void TearDown() override {
    delete owner;
    DiagramUi::setInstance(nullptr);
  }

  // Two series over 0..10: a damped sine in red and a cosine in blue.
  DiagramDesc twoSeriesDesc() {
    DiagramDesc desc;
    desc.series.push_back(makeSeries(201, 0, 0.05, [](double x) { return std::sin(2 * x) * std::exp(-0.1 * x); },
                                     kColorRed, "diagram: 1"));
    desc.series.push_back(makeSeries(101, 0, 0.1, [](double x) { return 0.5 * std::cos(x); }, kColorBlue,
                                     "diagram: 2"));
    desc.margins = DiagramMargins{80, 60, 60, 60};
    desc.axisXTitle = "r (A)";
    desc.axisYTitle = "G(r)";
    desc.precision = 4;
    desc.digits = 4;
    desc.graphTitle = "two series";
    desc.caption = "diagram: 1";
    desc.grid = true;
    desc.memo = {"diagram number 1", "a = 3.54", "diagram number 2", "R = 15"};
    return desc;
  }

  TFdiagram* openShown(const DiagramDesc& desc) {
    TFdiagram* w = openDiagram(owner, desc, &settings);
    QApplication::processEvents();
    w->grafImage();  // the transformation of a painted plot
    return w;
  }

  void mouse(QWidget* target, QEvent::Type type, QPoint at, Qt::KeyboardModifiers mods) {
    QMouseEvent e(type, QPointF(at), target->mapToGlobal(QPointF(at)), Qt::LeftButton,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, mods);
    QApplication::sendEvent(target, &e);
  }

  // Ctrl-drag over Graf between two data x values; returns the new window.
  TFdiagram* ctrlDrag(TFdiagram* w, double xa, double xb) {
    const auto t = w->Graf->getTransformation();
    const int y = w->Graf->height() / 2;
    const QPoint a(static_cast<int>(t.toPixelX(xa)), y), b(static_cast<int>(t.toPixelX(xb)), y + 30);
    TFdiagram* created = nullptr;
    auto c = QObject::connect(w, &TFdiagram::diagramCreated, [&](TFdiagram* n) { created = n; });
    mouse(w->Graf, QEvent::MouseButtonPress, a, Qt::ControlModifier);
    mouse(w->Graf, QEvent::MouseMove, (a + b) / 2, Qt::ControlModifier);
    EXPECT_TRUE(w->Sregion->isVisible());
    mouse(w->Graf, QEvent::MouseButtonRelease, b, Qt::ControlModifier);
    EXPECT_FALSE(w->Sregion->isVisible());
    QObject::disconnect(c);
    return created;
  }

  static int darkPixels(const QImage& img, QRect area) {
    area = area.intersected(img.rect());
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
      for (int x = area.left(); x <= area.right(); ++x)
        if (qGray(img.pixel(x, y)) < 128) ++n;
    return n;
  }

  ScriptedUi ui;
  MemoryDiagramSettings settings;
  QTemporaryDir tmp;
  QWidget* owner = nullptr;
};

TEST_F(DiagramWindowTest, TwoSeriesRenderWithAxisLabelsAtDefaultSize) {
  TFdiagram* w = openShown(twoSeriesDesc());
  EXPECT_EQ(w->size(), QSize(800, 600));
  EXPECT_EQ(w->windowTitle(), "diagram: 1");
  EXPECT_EQ(w->Graf->diagramCount(), 2u);
  EXPECT_EQ(w->listEntries(), (QStringList{"diagram: 1", "diagram: 2"}));
  EXPECT_EQ(w->Graf->getColor(1), kColorBlue);
  EXPECT_EQ(w->Graf->getPenWidth(0), 2u);
  EXPECT_TRUE(w->Graf->activePanel()->grid.visible);
  EXPECT_TRUE(w->MIgrid->isChecked());
  EXPECT_EQ(w->memoText(), "diagram number 1\na = 3.54\ndiagram number 2\nR = 15");
  EXPECT_TRUE(w->Memo->isHidden());
  EXPECT_TRUE(w->Panel->isHidden());
  // Graf fills the window above the status line while the panes are hidden.
  EXPECT_EQ(w->Graf->size(), QSize(w->width(), w->height() - w->StatusBar->height()));

  const QImage img = w->grafImage();
  ASSERT_TRUE(img.save(QDir::temp().filePath("grainix-diagram-two-series.png")));
  const auto t = w->Graf->getTransformation();
  const TSubGraph* g = w->Graf->activePanel();
  const int left = static_cast<int>(t.toPixelX(g->axisX.min)), right = static_cast<int>(t.toPixelX(g->axisX.max));
  const int bottom = static_cast<int>(t.toPixelY(g->axisY.min)), top = static_cast<int>(t.toPixelY(g->axisY.max));
  // Both series are drawn in their colours inside the plot area.
  int red = 0, blue = 0;
  for (int y = top; y < bottom; ++y)
    for (int x = left + 2; x < right; ++x) {
      const QColor c = img.pixelColor(x, y);
      if (c.red() > 200 && c.green() < 80 && c.blue() < 80) ++red;
      if (c.blue() > 200 && c.red() < 80 && c.green() < 80) ++blue;
    }
  EXPECT_GT(red, 300);
  EXPECT_GT(blue, 300);
  // Tick labels under the X axis and left of the Y axis, and the axis titles.
  EXPECT_GT(darkPixels(img, QRect(left, bottom + 6, right - left, 20)), 50);
  EXPECT_GT(darkPixels(img, QRect(0, top, left - 6, bottom - top)), 50);
  EXPECT_GT(darkPixels(img, QRect(left, bottom + 25, right - left, 35)), 20);
  EXPECT_GT(darkPixels(img, QRect(0, 0, img.width(), top)), 20);  // graph title
}

TEST_F(DiagramWindowTest, CtrlDragOpensInsetWithClippedSeriesEitherDirection) {
  TFdiagram* w = openShown(twoSeriesDesc());
  TFdiagram* inset = ctrlDrag(w, 2.0, 5.0);
  ASSERT_NE(inset, nullptr);
  EXPECT_EQ(inset->parentWidget(), w);  // owned by its source window
  EXPECT_EQ(inset->windowTitle(), "diagram: 1 (inset)");
  EXPECT_TRUE(inset->memoText().startsWith("inset\ndiagram number 1"));
  ASSERT_EQ(inset->Graf->diagramCount(), 2u);
  const double x1 = w->dataX(static_cast<int>(w->Graf->getTransformation().toPixelX(2.0)));
  const double x2 = w->dataX(static_cast<int>(w->Graf->getTransformation().toPixelX(5.0)));
  for (unsigned j = 0; j < 2; ++j) {
    const TSingleDiagram& d = inset->Graf->diagram(j);
    const TSingleDiagram& s = w->Graf->diagram(j);
    ASSERT_FALSE(d.x.empty());
    EXPECT_GE(d.x.front(), x1);
    EXPECT_LT(d.x.back(), x2);
    EXPECT_EQ(d.color, s.color);
    EXPECT_EQ(d.penWidth, s.penWidth);
    EXPECT_EQ(d.title, s.title);
    // Every source point inside the interval is there.
    std::size_t inside = 0;
    for (double x : s.x) inside += x >= x1 && x < x2;
    EXPECT_EQ(d.x.size(), inside);
  }
  EXPECT_EQ(inset->Graf->getMargin(), (stMargin{80, 60, 60, 60}));
  EXPECT_EQ(inset->Graf->getAxisXTitle(), "r (A)");
  EXPECT_EQ(inset->Graf->getGraphTitle(), "two series");
  EXPECT_TRUE(inset->Graf->activePanel()->grid.visible);
  EXPECT_EQ(inset->size(), QSize(800, 600));
  inset->grafImage().save(QDir::temp().filePath("grainix-diagram-inset.png"));

  TFdiagram* back = ctrlDrag(w, 5.0, 2.0);
  ASSERT_NE(back, nullptr);
  for (unsigned j = 0; j < 2; ++j) {
    EXPECT_EQ(back->Graf->diagram(j).x, inset->Graf->diagram(j).x);
    EXPECT_EQ(back->Graf->diagram(j).y, inset->Graf->diagram(j).y);
  }
  EXPECT_TRUE(ui.messages.empty());

  // Closing the source frees its insets.
  QPointer<TFdiagram> guard(inset);
  w->close();
  QApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(guard.isNull());
}

TEST_F(DiagramWindowTest, RegionLeftOfDataShowsMessageAndOpensNothing) {
  TFdiagram* w = openShown(twoSeriesDesc());
  w->Graf->activePanel()->axisX.fixed = true;  // room left of the data
  w->Graf->activePanel()->axisX.min = -10;
  w->grafImage();
  const int before = owner->findChildren<TFdiagram*>().size();
  EXPECT_EQ(ctrlDrag(w, -9, -2), nullptr);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, "size of choosen region equal 0");
  EXPECT_EQ(owner->findChildren<TFdiagram*>().size(), before);
}

TEST_F(DiagramWindowTest, UncheckedSeriesStayOutOfInsetsAndDerivedWindowsWhichRenumber) {
  DiagramDesc desc = twoSeriesDesc();
  desc.series.push_back(makeSeries(50, 0, 0.2, [](double x) { return x; }, kColorGreen, "diagram: 3"));
  TFdiagram* w = openShown(desc);
  w->setListChecked(1, false);
  EXPECT_FALSE(w->Graf->getDiagramVisible(1));  // the check mark is the visibility
  EXPECT_TRUE(w->Graf->getDiagramVisible(2));

  TFdiagram* inset = ctrlDrag(w, 1, 4);
  ASSERT_NE(inset, nullptr);
  EXPECT_EQ(inset->listEntries(), (QStringList{"diagram: 1", "diagram: 3"}));
  EXPECT_EQ(inset->Graf->diagramCount(), 2u);

  TFdiagram* d = w->amplitudeReduction(AmplitudeKind::Norm);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->parentWidget(), owner);  // derived windows belong to the source's owner
  EXPECT_EQ(d->listEntries(), (QStringList{"diagram: 1", "diagram: 3"}));
  EXPECT_TRUE(d->isListChecked(0) && d->isListChecked(1));
  EXPECT_EQ(d->Graf->diagram(1).color, kColorGreen);
  EXPECT_DOUBLE_EQ(d->Graf->diagram(1).y.back(), 1.0);
  EXPECT_EQ(d->memoText(), "amplitude reduction " + w->memoText());
  EXPECT_EQ(d->size(), w->size());
}

TEST_F(DiagramWindowTest, FilterButtonsBuildFilteredLineWindowsAndRefuseBadKernels) {
  DiagramDesc desc = twoSeriesDesc();
  desc.series[0].style = kStyleComb;
  TFdiagram* w = openShown(desc);
  w->Ekersize->setText("3");
  w->Bsg23->click();
  auto windows = owner->findChildren<TFdiagram*>(Qt::FindDirectChildrenOnly);
  ASSERT_EQ(windows.size(), 2);
  TFdiagram* f = windows.back();
  EXPECT_EQ(f->Graf->diagram(0).title, "diagram: 1 filtered by Savitzky-Golay 23 filter");
  EXPECT_EQ(f->Graf->diagram(0).style, dsLine);
  EXPECT_EQ(f->listEntries(), (QStringList{"diagram: 1", "diagram: 2"}));
  EXPECT_TRUE(f->memoText().startsWith("amplitude reduction diagram number 1"));
  EXPECT_EQ(f->Graf->getMargin(), (stMargin{80, 60, 60, 60}));
  QApplication::processEvents();
  f->grafImage().save(QDir::temp().filePath("grainix-diagram-filtered.png"));

  for (const char* text : {"1"}) {
    w->Ekersize->setText(text);
    w->BderivSG45->click();
  }
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].title, "ERROR");
  w->Ekersize->setText("abc");
  w->Bmovave->click();
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[1].kind, MessageKind::ConversionError);
  EXPECT_EQ(owner->findChildren<TFdiagram*>(Qt::FindDirectChildrenOnly).size(), 2);
}

TEST_F(DiagramWindowTest, SaveImageWritesBmpPngAndPdf) {
  TFdiagram* w = openShown(twoSeriesDesc());
  const QString bmp = tmp.filePath("plot.bmp"), png = tmp.filePath("plot.png"), pdf = tmp.filePath("plot.pdf");
  ui.saveNames = {bmp, png, pdf};
  w->saveImage();
  w->saveImage();
  w->saveImage();
  EXPECT_TRUE(ui.messages.empty());
  QFile fb(bmp), fp(png), fd(pdf);
  ASSERT_TRUE(fb.open(QIODevice::ReadOnly));
  ASSERT_TRUE(fp.open(QIODevice::ReadOnly));
  ASSERT_TRUE(fd.open(QIODevice::ReadOnly));
  EXPECT_EQ(fb.read(2), "BM");
  EXPECT_EQ(fp.read(8), QByteArray("\x89PNG\r\n\x1a\n", 8));
  EXPECT_EQ(fd.read(4), "%PDF");
  for (const QString& file : {bmp, png}) {
    QImage img(file);
    ASSERT_FALSE(img.isNull()) << file.toStdString();
    EXPECT_EQ(img.size(), w->Graf->size());
    EXPECT_LT(img.pixelColor(5, 5).lightness(), 256);
    EXPECT_GT(darkPixels(img, img.rect()), 500);
  }
  // A folder that cannot be written reports the failure.
  ui.saveNames = {tmp.filePath("missing/dir/plot.bmp")};
  w->saveImage();
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, "write failed");
  EXPECT_EQ(ui.messages[0].title, "ERROR");
  // Cancelling writes nothing.
  w->saveImage();
  EXPECT_EQ(ui.messages.size(), 1u);
}

TEST_F(DiagramWindowTest, DataToClipboardAndBackGivesTheSameSeries) {
  DiagramDesc desc;
  desc.series.push_back(makeSeries(3, 0.5, 0.25, [](double x) { return x * x - 3; }, kColorRed, "s"));
  TFdiagram* w = openShown(desc);
  w->dataToClipboard();
  const QString text = QApplication::clipboard()->text();
  EXPECT_EQ(text.split('\n', Qt::SkipEmptyParts).size(), 4);
  EXPECT_TRUE(text.startsWith("3\n  5.0000e-01\t -2.7500e+00\n"));
  EXPECT_TRUE(TFdiagram::clipboardHasText());

  TFdiagram* other = openShown(twoSeriesDesc());
  other->dataFromClipboard();
  ASSERT_EQ(other->Graf->diagramCount(), 3u);
  const TSingleDiagram& d = other->Graf->diagram(2);
  EXPECT_EQ(d.x, w->Graf->diagram(0).x);
  EXPECT_EQ(d.y, w->Graf->diagram(0).y);
  EXPECT_EQ(d.title, "from clipboard");
  EXPECT_EQ(d.penWidth, 2u);
  EXPECT_EQ(d.color, kColorBlack);
  EXPECT_EQ(other->listEntries().size(), 2);  // not entered into the list

  QApplication::clipboard()->setText("not numbers");
  other->dataFromClipboard();
  EXPECT_EQ(other->Graf->diagramCount(), 3u);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].kind, MessageKind::ConversionError);
}

TEST_F(DiagramWindowTest, SaveDataToFileWritesTheDiagramDataFile) {
  TFdiagram* w = openShown(twoSeriesDesc());
  const QString ddf = tmp.filePath("plot.ddf");
  ui.saveNames = {ddf};
  w->saveDataToFile();
  TGraph2D back;
  ASSERT_TRUE(back.loadDataFromFile(ddf));
  ASSERT_EQ(back.diagramCount(), 2u);
  // Numbers are stored with 15 significant digits.
  for (unsigned j = 0; j < 2; ++j) {
    ASSERT_EQ(back.diagram(j).size(), w->Graf->diagram(j).size());
    for (std::size_t i = 0; i < back.diagram(j).size(); ++i) {
      EXPECT_NEAR(back.diagram(j).x[i], w->Graf->diagram(j).x[i], 1e-14);
      EXPECT_NEAR(back.diagram(j).y[i], w->Graf->diagram(j).y[i], 1e-14);
    }
  }
  EXPECT_EQ(back.getColor(1), kColorBlue);
  EXPECT_EQ(back.getGraphTitle(), "two series");
}

TEST_F(DiagramWindowTest, PrintToPdfAndBlackAndWhiteRestoresColours) {
  TFdiagram* w = openShown(twoSeriesDesc());
  w->toggleMemo();
  const QSize size = w->size();
  const QString pdf = tmp.filePath("print.pdf");
  ui.printFile = pdf;
  std::vector<TColor> seen;
  QSize printedSize;
  // The picture printed in black and white has its series in black and is
  // taken at the print size 1000 x 708 of the window.
  QObject::connect(w->Graf, &TGraph2D::onPaint, w, [&](QPainter*) {
    if (seen.empty()) seen = {w->Graf->getColor(0), w->Graf->getColor(1)};
    if (printedSize.isEmpty()) printedSize = w->Graf->size();
  });
  w->printDiagram(false);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(seen, (std::vector<TColor>{clBlack, clBlack}));
  EXPECT_EQ(printedSize, QSize(1000 - 181, 708));
  EXPECT_EQ(w->Graf->getColor(0), kColorRed);
  EXPECT_EQ(w->Graf->getColor(1), kColorBlue);
  EXPECT_EQ(w->size(), size);
  QFile f(pdf);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.read(4), "%PDF");
  EXPECT_GT(f.size(), 2000);
  QFile::remove(QDir::temp().filePath("grainix-diagram-print.pdf"));
  QFile::copy(pdf, QDir::temp().filePath("grainix-diagram-print.pdf"));

  const QString rgb = tmp.filePath("print-rgb.pdf");
  ui.printFile = rgb;
  w->printDiagram(true);
  EXPECT_TRUE(QFile::exists(rgb));
  ui.printFile.clear();  // cancelled dialog: nothing happens
  w->printDiagram(false);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(DiagramWindowTest, AxisDialogFixesTheAxisAndRejectsBadValues) {
  TFdiagram* w = openShown(twoSeriesDesc());
  ui.onDialog = [](QDialog& d) {
    auto& a = dynamic_cast<TFaxisprm&>(d);
    EXPECT_EQ(a.windowTitle(), "Axis parameters");
    a.Emin->setText("0");
    a.Emax->setText("10");
    a.Estep->setText("0.5");
    a.En->setText("4");
    a.Etitle->setText("x title");
    a.Bok->click();
    EXPECT_EQ(a.Estep->text(), "2.5");
    return a.result();
  };
  w->axisParameters(true);
  const TAxis& ax = w->Graf->activePanel()->axisX;
  EXPECT_TRUE(ax.fixed);
  EXPECT_EQ(ax.step, 2.5);
  EXPECT_EQ(ax.max, 10);
  EXPECT_EQ(ax.title, "x title");
  EXPECT_TRUE(ui.messages.empty());

  ui.onDialog = [](QDialog& d) {
    auto& a = dynamic_cast<TFaxisprm&>(d);
    a.Emin->setText("5");
    a.Emax->setText("5");
    a.Bok->click();  // refused: the dialog stays open
    EXPECT_EQ(a.result(), 0);
    EXPECT_FALSE(a.validate());
    a.Estep->setText("7");
    a.Emin->setText("0");
    a.Emax->setText("7");  // step equal to the range: refused by the range rule
    a.Bok->click();
    return 0;
  };
  w->axisParameters(false);
  ASSERT_EQ(ui.messages.size(), 3u);
  EXPECT_EQ(ui.messages[0].text, "Improper numerical values in edit windows. Should be: max>min & step<max-min & n>0 ");
  EXPECT_FALSE(w->Graf->activePanel()->axisY.fixed);

  w->resetAxis();
  EXPECT_FALSE(w->Graf->activePanel()->axisX.fixed);
}

TEST_F(DiagramWindowTest, LinePropertiesDialogWritesBackAndKeepsUnofferedValues) {
  DiagramDesc desc = twoSeriesDesc();
  desc.series[1].style = kStyleLineInset;
  desc.series[1].penWidth = 5;
  TFdiagram* w = openShown(desc);
  ui.onDialog = [](QDialog& d) {
    auto& p = dynamic_cast<TFdiagprop&>(d);
    EXPECT_EQ(p.windowTitle(), "Line(s) properties");
    EXPECT_EQ(p.rows.size(), 2u);
    EXPECT_EQ(p.rows[1]->CBoxStyle->currentIndex(), -1);
    EXPECT_EQ(p.rows[1]->CBoxWidth->currentIndex(), -1);
    p.rows[0]->Ename->setText("renamed");
    p.rows[0]->CBoxStyle->setCurrentIndex(1);
    p.rows[0]->CBoxWidth->setCurrentIndex(2);
    p.rows[0]->setColor(kColorGreen);
    p.Bok->click();
    return p.result();
  };
  w->lineProperties();
  EXPECT_EQ(w->Graf->getDiagramTitle(0), "renamed");
  EXPECT_EQ(w->Graf->getStyle(0), dsPoint);
  EXPECT_EQ(w->Graf->getPenWidth(0), 3u);
  EXPECT_EQ(w->Graf->getColor(0), kColorGreen);
  EXPECT_EQ(w->Graf->getStyle(1), dsLineInset);
  EXPECT_EQ(w->Graf->getPenWidth(1), 5u);
  EXPECT_EQ(w->listEntries().front(), "diagram: 1");  // the list keeps its text

  ui.onDialog = [](QDialog& d) {
    auto& p = dynamic_cast<TFdiagprop&>(d);
    p.rows[0]->Ename->setText("ignored");
    p.Bcancel->click();
    return p.result();
  };
  w->lineProperties();
  EXPECT_EQ(w->Graf->getDiagramTitle(0), "renamed");
}

TEST_F(DiagramWindowTest, SeriesDropAppendsVisibleSeriesAndMemo) {
  TFdiagram* a = openShown(twoSeriesDesc());
  DiagramDesc desc;
  desc.series.push_back(makeSeries(10, 0, 1, [](double x) { return x; }, kColorGreen, "target"));
  desc.memo = {"target memo"};
  TFdiagram* b = openShown(desc);
  a->setListChecked(0, false);
  b->dropSeriesFrom(a);
  ASSERT_EQ(b->Graf->diagramCount(), 2u);
  EXPECT_EQ(b->Graf->diagram(1).title, "diagram: 2");
  EXPECT_EQ(b->Graf->diagram(1).color, kColorBlue);
  EXPECT_EQ(b->listEntries(), (QStringList{"target", "diagram: 2"}));
  EXPECT_EQ(b->memoText(), "target memo\n" + a->memoText());
  b->dropSeriesFrom(b);  // onto itself: nothing
  EXPECT_EQ(b->Graf->diagramCount(), 2u);

  // Shift-press starts the drag.
  mouse(a->Graf, QEvent::MouseButtonPress, QPoint(100, 100), Qt::ShiftModifier);
  EXPECT_EQ(ui.drags, 1);
}

TEST_F(DiagramWindowTest, CoordinateReadoutAndAltKeepsIt) {
  TFdiagram* w = openShown(twoSeriesDesc());
  const auto t = w->Graf->getTransformation();
  const QPoint p(static_cast<int>(t.toPixelX(4)), static_cast<int>(t.toPixelY(0.25)));
  mouse(w->Graf, QEvent::MouseButtonPress, p, Qt::NoModifier);
  EXPECT_TRUE(w->readoutText().startsWith("4") || w->readoutText().startsWith("3.9")) << w->readoutText().toStdString();
  EXPECT_TRUE(w->readoutText().contains(":"));
  mouse(w->Graf, QEvent::MouseButtonRelease, p, Qt::NoModifier);
  EXPECT_TRUE(w->readoutText().isEmpty());
  mouse(w->Graf, QEvent::MouseButtonPress, p, Qt::AltModifier);
  mouse(w->Graf, QEvent::MouseButtonRelease, p, Qt::AltModifier);
  EXPECT_FALSE(w->readoutText().isEmpty());
}

TEST_F(DiagramWindowTest, CommandsTogglesSizesAndShortcuts) {
  TFdiagram* w = openShown(twoSeriesDesc());
  struct Shortcut {
    QAction* action;
    const char* keys;
  };
  for (const Shortcut& s : {Shortcut{w->MIfullscreen, "Ctrl+F"}, {w->MIimage2paint, "Alt+P"}, {w->MItitle, "Ctrl+T"},
                            {w->MIlegend, "Ctrl+L"}, {w->MIlineprop, "Ctrl+K"}, {w->MIaxisX, "Alt+X"},
                            {w->MIaxisY, "Alt+Y"}, {w->MImemo, "Ctrl+M"}, {w->MIpanel, "Ctrl+P"},
                            {w->MIdefsize, "Ctrl+D"}}) {
    EXPECT_EQ(s.action->shortcut(), QKeySequence(s.keys)) << s.keys;
    EXPECT_TRUE(w->actions().contains(s.action)) << s.keys;  // held by the window, not only the menu
  }
  // The shortcut works on the window itself, with no menu open.
  w->activateWindow();
  QApplication::setActiveWindow(w);
  QTest::keyClick(w->Graf, Qt::Key_L, Qt::ControlModifier);
  EXPECT_TRUE(w->Graf->activePanel()->legend.visible);
  EXPECT_TRUE(w->MIlegend->isChecked());
  w->toggleGrid();
  EXPECT_FALSE(w->Graf->activePanel()->grid.visible);
  w->togglePanel();
  w->toggleMemo();
  QApplication::processEvents();
  EXPECT_TRUE(w->Panel->isVisible());
  EXPECT_TRUE(w->Memo->isVisible());
  EXPECT_EQ(w->Graf->width(), w->width() - 193 - 181);
  w->grab().save(QDir::temp().filePath("grainix-diagram-panes.png"));

  ui.inputCancels = false;
  ui.inputAnswer = "new title";
  w->editTitle();
  EXPECT_EQ(w->Graf->getGraphTitle(), "new title");
  ui.inputCancels = true;
  w->editTitle();
  EXPECT_EQ(w->Graf->getGraphTitle(), "new title");

  w->resize(640, 480);
  w->saveSizeAsDefault();
  EXPECT_EQ(settings.readInteger("gw", 0), 640);
  EXPECT_EQ(settings.readInteger("gh", 0), 480);
  w->resize(300, 300);
  w->applyDefaultSize();
  EXPECT_EQ(w->size(), QSize(640, 480));

  const QRect bounds = w->geometry();
  w->fullScreenToggle();
  EXPECT_TRUE(w->isFullScreenMode());
  EXPECT_TRUE(w->MIfullscreen->isChecked());
  w->fullScreenToggle();
  EXPECT_FALSE(w->isFullScreenMode());
  EXPECT_EQ(w->size(), bounds.size());

  w->useShortMenu(true);
  EXPECT_EQ(w->currentMenu(), w->PopupMenuShort);
  EXPECT_EQ(w->PopupMenuShort->actions().size(), 3);
  EXPECT_FALSE(w->MIhints->isVisible());
}

// The picture goes to the temp folder (made when missing) and the desktop
// opens it; a failure says so in a box and the caption stays.
TEST_F(DiagramWindowTest, ImageToEditorAndClipboard) {
  TFdiagram* w = openShown(twoSeriesDesc());
  const QString caption = w->windowTitle();
  const QString folder = tmp.filePath("fresh/tmp");
  settings.writeString("path_tmp", folder.toStdString());
  w->imageToEditor();
  ASSERT_EQ(ui.started.size(), 1u);
  const QString file = QDir(folder).filePath("bmpTmp.bmp");
  EXPECT_EQ(ui.started[0], (QStringList{"xdg-open", file}));
  EXPECT_FALSE(QImage(file).isNull());
  EXPECT_TRUE(ui.messages.empty());
  ui.startOk = false;
  w->imageToEditor();
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].title, "ERROR");
  EXPECT_NE(ui.messages[0].text.find("image editor could not be started"), std::string::npos);
  EXPECT_NE(ui.messages[0].text.find("xdg-open"), std::string::npos);
  // A temp folder that cannot be made (a file is in the way).
  QFile blocker(tmp.filePath("file"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  settings.writeString("path_tmp", tmp.filePath("file/sub").toStdString());
  w->imageToEditor();
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_NE(ui.messages[1].text.find("could not be written"), std::string::npos);
  EXPECT_EQ(w->windowTitle(), caption);

  w->imageToClipboard();
  EXPECT_EQ(QApplication::clipboard()->image().size(), w->Graf->size());
}

TEST_F(DiagramWindowTest, AxisTitleImagesReplaceTheTitles) {
  DiagramDesc desc = twoSeriesDesc();
  desc.axisXImage = "DISTANG";
  desc.axisYImage = "GRANG";
  TFdiagram* w = openShown(desc);
  EXPECT_EQ(w->Graf->getAxisXTitle(), "");
  EXPECT_EQ(w->Graf->getAxisYTitle(), "");
  const QImage y = axisTitleImage("GRANG");
  EXPECT_GT(y.height(), y.width());  // reads upwards
  // In a small window too, the Y picture sits left of the tick labels
  // without covering them.
  for (const QSize size : {QSize(800, 600), QSize(320, 240)}) {
    w->resize(size);
    QApplication::processEvents();
    const QImage img = w->grafImage();
    img.save(QDir::temp().filePath(QString("grainix-diagram-axis-images-%1.png").arg(size.width())));
    const int labels = w->Graf->activePanel()->labelLeft;
    EXPECT_GE(labels, y.width() + 4) << size.width();
    EXPECT_GT(darkPixels(img, QRect(0, img.height() / 2 - 40, labels - 2, 80)), 20) << size.width();
    EXPECT_GT(darkPixels(img, QRect(img.width() / 2 - 40, img.height() - 20, 80, 20)), 20) << size.width();
  }

  TFdiagram* inset = ctrlDrag(w, 1, 6);
  ASSERT_NE(inset, nullptr);
  EXPECT_EQ(inset->axisXImageName(), "DISTANG");
}

// Small dialogs are as wide as their caption in a title bar (with its
// buttons) and their texts need.
TEST_F(DiagramWindowTest, SmallDialogsFitTheirCaptions) {
  TFaxisprm axis(nullptr);
  const auto titleBox = makeInputDialog(nullptr, "Graph properties", "Type title: ", "two series");
  const auto zBox = makeInputDialog(nullptr, "Value of z component ", QString::fromUtf8("wartość składowej z"), "0");
  QFont bold = QApplication::font();
  bold.setBold(true);
  int shown = 0;
  for (QDialog* d : std::initializer_list<QDialog*>{&axis, titleBox.get(), zBox.get()}) {
    d->show();
    QApplication::processEvents();
    EXPECT_GE(d->width(), QFontMetrics(bold).horizontalAdvance(d->windowTitle()) + 120)
        << d->windowTitle().toStdString() << " is " << d->width() << " wide";
    for (QLabel* l : d->findChildren<QLabel*>())
      if (l->isVisible()) {
        EXPECT_GE(l->width(), l->sizeHint().width()) << l->text().toStdString();
      }
    // GRAINIX_SCREENSHOT_DIR keeps the pictures for a look.
    if (const QByteArray dir = qgetenv("GRAINIX_SCREENSHOT_DIR"); !dir.isEmpty())
      d->grab().save(QString::fromLocal8Bit(dir) + "/dialog_" + QString::number(++shown) + ".png");
    d->hide();
  }
  // The axis fields are numeric fields.
  QTest::keyClicks(axis.Emin, "1,5x");
  EXPECT_EQ(axis.Emin->text(), "15x");
}

// The wheel zooms about the pointer, dragging moves the view, "Reset axis"
// brings the full view back, and the status line follows the pointer.
TEST_F(DiagramWindowTest, WheelZoomDragAndStatusLine) {
  TFdiagram* w = openShown(twoSeriesDesc());
  const TSubGraph& g = *w->Graf->activePanel();
  const TAxis fullX = g.axisX, fullY = g.axisY;
  const QPoint at(w->Graf->width() / 2 + 40, w->Graf->height() / 2);
  const double x0 = w->dataX(at.x()), y0 = w->dataY(at.y());

  QMouseEvent move(QEvent::MouseMove, QPointF(at), w->Graf->mapToGlobal(QPointF(at)), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QApplication::sendEvent(w->Graf, &move);
  EXPECT_EQ(w->Lcoords->text(), w->coordinatesAt(at));
  EXPECT_TRUE(w->Lcoords->text().startsWith("x = ")) << w->Lcoords->text().toStdString();
  EXPECT_NEAR(w->Lcoords->text().section("x = ", 1).section(' ', 0, 0).toDouble(), x0, 1e-4 * std::abs(x0) + 1e-9);

  QWheelEvent wheel(QPointF(at), w->Graf->mapToGlobal(QPointF(at)), QPoint(), QPoint(0, 120), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(w->Graf, &wheel);
  EXPECT_TRUE(g.axisX.fixed);
  EXPECT_NEAR(g.axisX.max - g.axisX.min, 0.8 * (fullX.max - fullX.min), 1e-9);
  EXPECT_NEAR(w->dataX(at.x()), x0, 1e-9);
  EXPECT_NEAR(w->dataY(at.y()), y0, 1e-9);

  // A drag to the right shows data further left; a click without moving
  // still gives the read-out.
  const double minBefore = g.axisX.min;
  mouse(w->Graf, QEvent::MouseButtonPress, at, Qt::NoModifier);
  QMouseEvent drag(QEvent::MouseMove, QPointF(at + QPoint(60, 0)), w->Graf->mapToGlobal(QPointF(at + QPoint(60, 0))),
                   Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w->Graf, &drag);
  mouse(w->Graf, QEvent::MouseButtonRelease, at + QPoint(60, 0), Qt::NoModifier);
  EXPECT_LT(g.axisX.min, minBefore);
  EXPECT_NEAR(w->dataX(at.x() + 60), x0, 1e-9) << "the point dragged stays under the pointer";
  EXPECT_TRUE(w->readoutText().isEmpty());

  w->resetAxis();
  w->grafImage();
  EXPECT_FALSE(g.axisX.fixed || g.axisY.fixed);
  EXPECT_EQ(g.axisX.min, fullX.min);
  EXPECT_EQ(g.axisX.max, fullX.max);
  EXPECT_EQ(g.axisY.max, fullY.max);
}

// Pictures as SVG and as a PNG of a chosen size; the data as one table of
// the visible series; a saved ".ddf" opened from the window.
TEST_F(DiagramWindowTest, ExportsAndLoadingDataBack) {
  TFdiagram* w = openShown(twoSeriesDesc());
  const QString svg = tmp.filePath("plot.svg"), png = tmp.filePath("big.png");
  ui.saveNames = {svg, png};
  ui.inputCancels = false;
  ui.inputAnswer = "1600 x 1200";
  w->saveImage();
  w->saveImage();
  EXPECT_TRUE(ui.messages.empty());
  QFile f(svg);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray svgText = f.readAll();
  EXPECT_TRUE(svgText.contains("<svg"));
  EXPECT_TRUE(svgText.contains("two series")) << "texts stay texts";
  const QImage big(png);
  ASSERT_EQ(big.size(), QSize(1600, 1200));
  // The same picture at about twice the resolution: texts and lines grow
  // with it (about four times the dark pixels), not only the white space.
  const QImage screen = w->grafImage();
  EXPECT_GT(darkPixels(big, big.rect()), 3 * darkPixels(screen, screen.rect()));
  ui.saveNames = {tmp.filePath("bad.png")};
  ui.inputAnswer = "large";
  w->saveImage();
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_FALSE(QFile::exists(tmp.filePath("bad.png")));

  // The table holds the visible series only.
  w->setListChecked(0, false);
  const QString table = tmp.filePath("plot.txt");
  ui.saveNames = {table};
  w->saveDataToFile();
  QFile t(table);
  ASSERT_TRUE(t.open(QIODevice::ReadOnly));
  const QStringList lines = QString(t.readAll()).split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 102);
  EXPECT_EQ(lines[0], "x\tdiagram: 2");
  EXPECT_EQ(lines[1], "0\t0.5");

  // A saved ".ddf" comes back in a window of its own.
  const QString ddf = tmp.filePath("plot.ddf");
  ASSERT_TRUE(w->saveDataAs(ddf));
  TFdiagram* back = w->openDataFile(ddf);
  ASSERT_NE(back, nullptr);
  EXPECT_NE(back, w);
  ASSERT_EQ(back->Graf->diagramCount(), 2u);
  EXPECT_EQ(back->Graf->diagram(0).size(), w->Graf->diagram(0).size());
  EXPECT_EQ(back->Graf->getColor(1), kColorBlue);
  EXPECT_EQ(back->windowTitle(), "plot.ddf");
  EXPECT_EQ(back->parentWidget(), owner);
  EXPECT_EQ(w->openDataFile(tmp.filePath("missing.ddf")), nullptr);
  EXPECT_FALSE(ui.messages.empty());
}

// New and derived windows open down and right of each other, not on top.
TEST_F(DiagramWindowTest, NewWindowsCascade) {
  settings.writeString("gw", "300");  // windows smaller than the desktop
  settings.writeString("gh", "200");
  TFdiagram* a = openShown(twoSeriesDesc());
  TFdiagram* b = openShown(twoSeriesDesc());
  EXPECT_EQ(b->pos() - a->pos(), QPoint(TFdiagram::kCascadeStep, TFdiagram::kCascadeStep));
  TFdiagram* derived = a->amplitudeReduction(AmplitudeKind::Sqrt);
  ASSERT_NE(derived, nullptr);
  for (TFdiagram* other : {a, b}) EXPECT_NE(derived->pos(), other->pos());
}

TEST_F(DiagramWindowTest, ClosingFreesTheWindow) {
  TFdiagram* w = openShown(twoSeriesDesc());
  QPointer<TFdiagram> guard(w);
  w->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(guard.isNull());
}

}  // namespace
}  // namespace grainix

#pragma once
// TFdiagram — the window every result is plotted in: the plotting control
// `Graf`, a hidden side panel with y transforms and the series list, a
// hidden memo with the parameters of the plot, and the context menus with
// the window's commands (zoom inset, picture export, printing, data to the
// clipboard and to files, the look of the plot).
//
// A window is a top-level window owned by the QWidget passed as owner (the
// main window, or the window an inset was cut from); it frees itself when
// closed, and its insets with it.
#include <QImage>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

#include "engine/core/command.h"
#include "engine/plot/diagram_desc.h"
#include "engine/plot/filters.h"
#include "gui/plot/tgraph2d.h"

class QAction;
class QGroupBox;
class QLabel;
class QStatusBar;
class QWheelEvent;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QPrinter;

namespace grainix {

class RegionFrame;

class TFdiagram : public QWidget {
  Q_OBJECT

 public:
  // `settings` gives "gw", "gh", "path_tmp"; nullptr uses the process-wide
  // default (setDefaultSettings).
  explicit TFdiagram(QWidget* owner, DiagramSettings* settings = nullptr);
  ~TFdiagram() override;

  // The settings windows use when none is passed (not owned): the main
  // window installs the program's; until then they are kept for the run.
  static void setDefaultSettings(DiagramSettings* settings);
  static DiagramSettings& defaultSettings();
  DiagramSettings& settings() const { return *settings_; }

  // ---- components ----------------------------------------------------------
  TGraph2D* Graf = nullptr;
  QPlainTextEdit* Memo = nullptr;
  QWidget* Panel = nullptr;
  QGroupBox* GBintred = nullptr;
  QPushButton *Bnomod = nullptr, *Bsqrt = nullptr, *Blog10 = nullptr, *Bnorm = nullptr;
  QGroupBox* GBdenoise = nullptr;
  QPushButton *Bmovave = nullptr, *Bsg23 = nullptr, *Bsg45 = nullptr, *BderivSG23 = nullptr, *BderivSG45 = nullptr;
  QLineEdit* Ekersize = nullptr;
  QListWidget* CheckListBox = nullptr;
  RegionFrame* Sregion = nullptr;
  QMenu* PopupMenu = nullptr;
  QMenu* PopupMenuShort = nullptr;
  // The status line: the data coordinates under the mouse pointer.
  QStatusBar* StatusBar = nullptr;
  QLabel* Lcoords = nullptr;

  // Actions of the window (they hold the shortcuts; the menus show them).
  QAction *MIfullscreen = nullptr, *MIsaveimage = nullptr, *MIimage2clip = nullptr, *MIimage2paint = nullptr;
  QAction *MItitle = nullptr, *MIlegend = nullptr, *MIhints = nullptr, *MIgrid = nullptr;
  QAction *MIlineprop = nullptr, *MIaxisX = nullptr, *MIaxisY = nullptr, *MIresetaxis = nullptr;
  QAction *MImemo = nullptr, *MIpanel = nullptr, *MIdefsize = nullptr, *MIsavesize = nullptr;
  QAction *MIprintBW = nullptr, *MIprintRGB = nullptr;
  QAction *MIdata2clip = nullptr, *MIdata2file = nullptr, *MIdataFromClip = nullptr, *MIdataFromFile = nullptr;

  // ---- used by the windows that open diagrams --------------------------------
  // width := "gw", height := "gh" (800 x 600 when unset).
  void applyDefaultSize();
  // Moves the window to the middle of the desktop (new windows open there),
  // or down and right of a diagram window already there, so that windows
  // opened one after another cascade instead of covering each other.
  void centreOnDesktop();
  // Pixels between cascaded windows.
  static constexpr int kCascadeStep = 32;
  // Replaces both axis titles by pictures of the named captions ("DISTANG",
  // "GRANG", "A2THETA", "SINTHETA", "FSINTH"; other names are drawn as text).
  void setAxisTitleImages(const QString& xName, const QString& yName);
  QString axisXImageName() const { return imageNameX_; }
  QString axisYImageName() const { return imageNameY_; }
  // Copies the graph title, hints, grid, axis titles to a window built from
  // `source`, with the margins 80/60/60/60 and tick labels general 3/3.
  static void copyGraphSettings(TFdiagram* target, TFdiagram* source);
  // Series list entries (checked); entry i belongs to series i.
  void addListEntry(const QString& text, bool checked = true);
  QStringList listEntries() const;
  bool isListChecked(int index) const;
  void setListChecked(int index, bool checked);
  // Memo lines.
  void appendMemo(const QString& line);
  void setMemoText(const QString& text);
  QString memoText() const;
  // Chooses the short context menu (true) or the full one.
  void useShortMenu(bool shortMenu);
  bool usesShortMenu() const { return shortMenu_; }
  QMenu* currentMenu() const;
  // Shows or hides the "Hints" command.
  void showHintsCommand(bool show);
  // Makes the menu check marks follow the active panel and the panes.
  void syncChecks();
  // Repaints Graf (drops a coordinate read-out left by Alt).
  void repaintGraf();

  // ---- commands ----------------------------------------------------------------
  void fullScreenToggle();
  bool isFullScreenMode() const { return fullScreen_; }
  void saveImage();                             // asks for the file name (and a PNG's size)
  // BMP, PNG, PDF or SVG by extension; a PNG of `size` pixels when given.
  bool saveImageToFile(const QString& path, const QSize& size = QSize());
  void imageToClipboard();
  void imageToEditor();
  void editTitle();
  void toggleLegend();
  void toggleHints();
  void toggleGrid();
  void lineProperties();
  void axisParameters(bool axisX);
  void resetAxis();
  void toggleMemo();
  void togglePanel();
  void saveSizeAsDefault();
  void printDiagram(bool colour);
  void dataToClipboard();
  // ".ddf" keeps every panel; another extension writes the visible series
  // of the active panel as one tab-separated table.
  void saveDataToFile();
  bool saveDataAs(const QString& path);
  // A saved ".ddf" opened in a new diagram window (nullptr: nothing opened).
  TFdiagram* loadDataFromFile();
  TFdiagram* openDataFile(const QString& path);
  void dataFromClipboard();
  static bool clipboardHasText();

  // Side panel: a derived window with the transformed copies of the checked
  // series (nullptr when nothing was created).
  TFdiagram* amplitudeReduction(AmplitudeKind kind);
  TFdiagram* convolutionFilter(FilterKind kind);

  // ---- mouse ------------------------------------------------------------------------
  // Data coordinates of a pixel of Graf (active panel's transformation).
  double dataX(int px) const;
  double dataY(int py) const;
  // Ctrl-drag from data x1 to data x2: a new window with the checked series
  // cut to [x1, x2) (nullptr and the message when a series has no point there).
  TFdiagram* makeInset(double x1, double x2);
  // Appends the visible series of `source` (another window) and its memo.
  void dropSeriesFrom(TFdiagram* source);
  // The coordinate read-out currently drawn on Graf (empty when none).
  QString readoutText() const { return readout_; }
  // The status line's text for the pointer at pixel p of Graf ("" outside
  // every panel).
  QString coordinatesAt(const QPoint& p) const;

  // The picture of Graf at its current size.
  QImage grafImage();

  // The indices of the series a derived or inset window copies: those whose
  // list entry is checked (series without an entry: when visible).
  std::vector<unsigned> checkedSeries() const;

  // Derived window: owned by this window's owner, with `series` copied in,
  // the graph settings of this window, list entries, memo = prefix + memo.
  TFdiagram* createDerivedWindow(const std::vector<SeriesDesc>& series, const QStringList& entries,
                                 const QString& memoPrefix);
  SeriesDesc seriesDesc(unsigned j) const;

 signals:
  // A derived or inset window was created from this one.
  void diagramCreated(grainix::TFdiagram* window);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildPanel();
  void buildMenus();
  QAction* makeAction(const QString& caption, const QString& name, const QKeySequence& shortcut,
                      void (TFdiagram::*slot)());
  void paintHook(QPainter* painter);
  void listItemChanged(QListWidgetItem* item);
  void showMessage(const StMessage& m);
  void error(const std::string& text) { showMessage({MessageKind::Error, "ERROR", text}); }
  bool writeImage(const QImage& image, const QString& path, const char* format);
  void addSeries(const SeriesDesc& s);
  QString tempFolder() const;
  void wheelZoom(QWheelEvent* e);

  DiagramSettings* settings_ = nullptr;
  bool shortMenu_ = false;
  bool fullScreen_ = false;
  QRect savedBounds_;
  // Region selection start (data coordinates) and its pixel anchor.
  double x1_ = 0, y1_ = 0;
  QPoint regionAnchor_;
  bool selecting_ = false;
  // A drag with the left button (no modifier) moving the view of a panel.
  bool pressed_ = false;
  bool panning_ = false;
  int panPanel_ = -1;
  QPoint lastDrag_;
  // Coordinate read-out drawn by the paint hook.
  QString readout_;
  QPoint readoutAt_;
  QPoint readoutMark_;
  // Axis-title pictures.
  QString imageNameX_, imageNameY_;
  QImage imageX_, imageY_;
  // Last filter kernel and the amplitude function of the last reduction.
  std::vector<double> kernel_;
  std::string filterName_;
  AmplitudeKind amplitude_ = AmplitudeKind::NoMod;
};

// The dotted outline of the region being selected.
class RegionFrame : public QWidget {
  Q_OBJECT
 public:
  explicit RegionFrame(QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// Renders one of the program's axis-title captions as a picture: black text
// on white, the Y captions ("GRANG", "FSINTH") turned to read upwards.
QImage axisTitleImage(const QString& name);

}  // namespace grainix

#pragma once
// The main window: the input panel on the left (structure building, the
// calculation panel), the message log on the right, the main menu and the
// popup menu of the log. It owns the document (Workbench), the element
// table, the settings and the diagram windows.
#include <QMainWindow>
#include <QMap>
#include <QStringList>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/app/cif_command.h"
#include "engine/app/log_commands.h"
#include "engine/app/workbench.h"
#include "engine/calc/scattering.h"
#include "engine/core/command.h"
#include "engine/grain/structure_inputs.h"
#include "engine/io/settings.h"
#include "engine/io/writers.h"
#include "engine/plot/diagram_desc.h"
#include "gui/app/message_presenter.h"
#include "gui/calc/calc_host.h"
#include "gui/queue/queue_run.h"

class QAction;
class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QTimer;

namespace grainix {

class StackingDialog;
class CalcPanel;
class TDigitLabeledEdit;

// What the diagram windows read: the program's settings file, except the
// temp folder, which is the main window's as it is now.
class MainDiagramSettings : public IniDiagramSettings {
 public:
  MainDiagramSettings(std::string path, std::function<std::string()> tmpFolder)
      : IniDiagramSettings(std::move(path)), tmp_(std::move(tmpFolder)) {}
  std::string readString(const std::string& key, const std::string& def) const override;

 private:
  std::function<std::string()> tmp_;
};

// Options that start-up reads from the outside world; tests give their own.
struct StMainOptions {
  QString workingDir;    // "" : the current directory
  QString exePath;       // "" : QCoreApplication::applicationFilePath()
  QString settingsPath;  // "" : GRAINIX_INI or the executable's path with ".ini"
  QString commandLineFile;
  MessagePresenter* presenter = nullptr;  // nullptr: the real dialogs
};

class TFMain : public QMainWindow, public CalcHost, public QueueHost {
  Q_OBJECT
 public:
  explicit TFMain(QWidget* parent = nullptr);
  explicit TFMain(const StMainOptions& options, QWidget* parent = nullptr);
  ~TFMain() override;

  // ---- CalcHost --------------------------------------------------------
  Workbench& workbench() override { return wb_; }
  const ElementTable& elementTable() const override { return table_; }
  void appendLog(const QString& line) override;
  QString latticeText() const override;
  QString radiusText() const override;
  QString elementLText() const override;
  QString elementRText() const override;
  bool monoatomicChecked() const override;
  bool fromFileChecked() const override;
  QString dataFolder() const override { return dataDir_; }
  void setCommandEnabled(const std::string& name, bool enabled) override;
  int threadPriority() const override { return priority_; }
  QWidget* diagramOwner() override { return this; }
  void showMessage(const StMessage& m) override;

  // ---- QueueHost -------------------------------------------------------
  CalcHost& calcHost() override { return *this; }
  CalcPanel& calculations() override { return *calcPanel_; }
  StBuildInput structureInput() const override;
  StFileTexts fileTexts() const override;
  bool showGrainInRasTop() override;

  // ---- used by tests and by the other windows ------------------------------
  QPlainTextEdit* memo() const { return memo_; }
  QStringList logLines() const;
  MessagePresenter& presenter() { return *presenter_; }
  void setPresenter(MessagePresenter* p);
  const StructureInputs& structureInputs() const { return inputs_; }
  // Shows the boxes, appends the log lines and applies the enable map.
  void applyResult(const StCommandResult& res);
  bool isCommandEnabled(const std::string& name) const;
  const QString& settingsPath() const { return settingsPath_; }
  const QString& elementTablePath() const { return elementTablePath_; }
  QWidget* leftPanel() const { return leftPanel_; }
  CalcPanel* calcPanel() const { return calcPanel_; }
  void setStackingDialog(StackingDialog* dialog) { stacking_ = dialog; }
  double planeZ() const { return listing_.planeZ; }
  std::vector<QWidget*> diagramWindows() const;

  // ---- commands ----------------------------------------------------------
  void BsiecwatekClick();       // "Build"
  void BwypiszClick();          // "Nodes"
  void BmodifyClick();          // "Modify"
  void MItemNodesClick();       // node listing
  void MItemnodesbaseClick();
  void MItemUstalzClick();      // "Set "z""
  void MIclearClick();
  void MIshowcprmClick();       // "Show current parameters"
  void Font1Click();
  void MISaveMemoClick();
  void MIshowmemoClick();       // "Show Messages"
  void MIdisperseClick();
  void MIshowallClick();
  void MIDiagramssendbackClick();
  void MIclosediagramsClick();
  void Threadpriority1Click();
  void Autor2Click();
  void MItmpdirClick();
  void MIpathRasmolClick();
  void MIpathrastopClick();
  void MIpathtoncovertClick();
  void MIscattfactClick();       // element table editor
  void MIrasmolClick();          // Tools: view the grain in RasMol
  void MIrastopClick();          // Tools: view the grain in RasTop
  // Writes the current grain and a viewer script to the temp folder and
  // starts folder/executable (looked up on PATH when the folder is empty)
  // without waiting; true when the viewer was started.
  bool launchViewer(const QString& folder, const QString& executable);
  // Process id of the last viewer started, 0 when none was.
  qint64 lastViewerPid() const { return viewerPid_; }
  void MIfitykClick();           // "Fityk": the fityk script window
  void MIcmpexpClick();          // "Compare with experiment"
  void MIexpqueClick();          // "Experiments queue"

  // File menu
  void MIopennodesClick();
  void MIopenhistClick();
  void MIopendiffClick();
  void MIopensecClick();
  void Openexperimentalfile1Click();
  void MIbuildcifClick();  // "Build grain from CIF..."
  void MIsavenodesClick();
  void MIsavehistogramClick();
  void MIsavediffClick();
  void MIsavegrClick();
  void MIsekcjeClick();
  void MIsaveDeltaClick();
  void MIsaveallClick();

  // Builds the grain of a CIF file and sets the structure controls to it;
  // true when a grain was built.
  bool buildCifGrain(const StCifBuildInput& in);
  const StCifBuildInput& lastCifInput() const { return cifInput_; }

  // Readers with the effects on the controls; true when the data were taken over.
  bool openNodesPath(const QString& path);
  bool openHistogramPath(const QString& path);
  bool openDiffractionPath(const QString& path);
  bool openSectionsPath(const QString& path);
  // Dropped files (what the desktop passes on a drop).
  void filesDropped(const QStringList& paths);

  // The settings as they are now (controls and fields).
  StSettings currentSettings() const;
  // Applies settings as user input, in the start-up order.
  void applySettings(const StSettings& s);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildUi();
  // Size and place the window so it fits the screen's free area.
  void fitToScreen();
  // An element box was left with a text that may not be an element.
  void elementBoxLeft(QComboBox* box);
  QWidget* buildStructureGroup();
  void buildMenus();
  QAction* addMenuItem(QMenu* menu, const char* name, const QString& caption, const QKeySequence& shortcut,
                       void (TFMain::*slot)());
  void notAvailable(const QString& what);
  void startUp(const StMainOptions& options);
  void loadElementTable();
  void loadSettingsFile();
  bool saveSettingsFile();
  void setMemoVisible(bool visible);

  // Structure inputs <-> widgets.
  void syncStructureWidgets();
  void onLatticeEdited(const QString& text);
  void onNEdited(const QString& text);
  // Radius and G(r) stop follow a changed lattice constant or N.
  void latticeOrNEdited();
  void onRadiusEdited(const QString& text);
  void onElementLActivated(int index);
  void onStructureClicked(int tag);
  void onShapeClicked(int tag);
  void onElementCountClicked(bool biatomic);
  void setGrStopText(const std::string& text);
  void setTextAsInput(QLineEdit* edit, const QString& text);
  void clickButtonByName(const char* name);
  void fillElementBoxes();

  // Helpers of the file commands.
  void rememberDataFolder(const QString& path);
  QString askOpen(const QString& ext, const QString& filter);
  QString askSave(const QString& name, const QString& ext, const QString& filter);
  void applyHeaderToControls(const StHeaderInfo& h);
  QString panelText(const char* name, const QString& fallback) const;
  void setPanelText(const char* name, const QString& text);
  bool panelChecked(const char* name, bool fallback) const;
  void setPanelChecked(const char* name, bool checked);
  void listNodes(vGrainNodes& nodes);
  // False (refused with a beep and a log line) while a calculation runs.
  bool mayChangeWorkbench(const char* command);
  void appendLines(const std::vector<std::string>& lines);

  Workbench wb_;
  ElementTable table_;
  std::vector<std::string> elementNames_;
  std::vector<std::string> knownSymbols_;
  StructureInputs inputs_;
  StListingOptions listing_;
  vGrainNodes baseNodes_;  // a third node list; nothing fills it in this version
  StSettings settings_;    // values of keys whose controls are not on this window
  StCifBuildInput cifInput_;  // what the CIF dialog held last
  StSettingsEnv env_;

  std::unique_ptr<MessagePresenter> ownPresenter_;
  std::unique_ptr<MainDiagramSettings> diagramSettings_;
  MessagePresenter* presenter_ = nullptr;
  StackingDialog* stacking_ = nullptr;
  std::unique_ptr<StackingDialog> defaultStacking_;

  QString workingDir_;
  QString exeDir_;
  QString settingsPath_;
  QString elementTablePath_;
  QString dataDir_;
  QString tmpDir_;
  QString rasmolDir_;
  QString rastopDir_;
  int priority_ = 3;
  qint64 viewerPid_ = 0;
  int expCounter_ = 0;
  bool saveSettingsAtClose_ = true;  // false: the file could not be read at start-up
  bool syncing_ = false;
  bool memoHasLines_ = true;  // false right after "Clear"
  // Texts and checks of calculation-panel controls while the panel lacks them.
  QMap<QString, QString> panelTexts_;
  QMap<QString, bool> panelChecks_;

  QScrollArea* leftScroll_ = nullptr;
  QWidget* leftPanel_ = nullptr;
  CalcPanel* calcPanel_ = nullptr;
  QPlainTextEdit* memo_ = nullptr;
  QMenu* memoMenu_ = nullptr;
  QComboBox* CBoxElemL_ = nullptr;
  QComboBox* CBoxElemR_ = nullptr;
  QComboBox* CBoxGR_ = nullptr;
  TDigitLabeledEdit* Elp_ = nullptr;
  TDigitLabeledEdit* Eradius_ = nullptr;
  QLineEdit* Ecomment_ = nullptr;
  QRadioButton* RBmonoatom_ = nullptr;
  QRadioButton* RBbiatom_ = nullptr;
  QRadioButton* RBbase_ = nullptr;
  QRadioButton* RBsphere_ = nullptr;
  QRadioButton* RBcylind_ = nullptr;
  QButtonGroup* structureGroup_ = nullptr;
  QButtonGroup* shapeGroup_ = nullptr;
  QPushButton* Bshowmemo_ = nullptr;
  QAction* MIshowmemo_ = nullptr;
  QAction* MIrmtmpfiles_ = nullptr;
  QAction* MIviewall_ = nullptr;
  QAction* MISort_ = nullptr;
};

}  // namespace grainix

#pragma once
// TFcif — "Build grain from CIF": the file, the radius, the shape (sphere or
// cylinder with its height), the centre, the cut and the seed of a grain cut
// from a crystal. The window only holds the texts and choices; its enabling
// follows cifDialogRules and the build command checks the values.
#include <QDialog>

#include <functional>

#include "engine/app/cif_command.h"

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace grainix {

class TFcif : public QDialog {
  Q_OBJECT

 public:
  // `browse` asks for a CIF file starting at the given path ("" when cancelled).
  using Browse = std::function<QString(QWidget* parent, const QString& current)>;
  TFcif(QWidget* parent, const StCifBuildInput& initial, Browse browse);

  // The input as the controls hold it.
  StCifBuildInput input() const;

  // Shows the dialog modally; true (and `in` replaced) when "Build" closed it.
  static bool ask(QWidget* parent, StCifBuildInput& in, Browse browse);

  // ---- components ----
  QLineEdit* Ecif = nullptr;         // file
  QPushButton* Bcifbrowse = nullptr;
  QLineEdit* Ecifradius = nullptr;
  QRadioButton* RBcifsphere = nullptr;
  QRadioButton* RBcifcylinder = nullptr;
  QLineEdit* Ecifheight = nullptr;
  QRadioButton* RBcifatom = nullptr;    // centre on the first atom site
  QRadioButton* RBciforigin = nullptr;  // centre on the cell origin
  QRadioButton* RBcifbyatom = nullptr;  // cut atom by atom
  QRadioButton* RBcifmotif = nullptr;   // whole motifs
  QLineEdit* Ecifseed = nullptr;
  QPushButton* Bcifok = nullptr;
  QPushButton* Bcifcancel = nullptr;

 private:
  void updateRules();
  Browse browse_;
};

}  // namespace grainix

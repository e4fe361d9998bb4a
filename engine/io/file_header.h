#pragma once
// The header block shared by the nodes, PDH, diffraction, G(r), delta(r)
// and sections files, its writer and its parser, and the small helpers
// every data-file writer uses (buffered output with "." decimals whatever
// the locale, the date line, the data folder of a path).
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/atomic_file.h"
#include "engine/core/command.h"
#include "engine/core/format.h"
#include "engine/grain/generators.h"
#include "engine/io/text_reader.h"

namespace grainix {

// What the eight header lines print, taken from the main window's fields.
struct StHeaderFields {
  std::string dateTime;      // "date, time"; empty: the current local date and time
  std::string latticeText;   // text of the lattice-parameter field
  std::string radiusText;    // text of the radius field
  std::string structure;     // the generator's name
  bool sphere = true;        // the sphere shape is checked
  bool modified = false;     // the generator's modified flag
  std::string elementL;      // text of the first element box
  std::string elementR;      // text of the second element box
  bool biatomic = false;     // the second element box is enabled
  // Symbols read from the "#atoms:" line of the last loaded file. A grain
  // read from a file is described by these rather than by the element
  // boxes, which the reader leaves untouched; a build empties the list.
  std::vector<std::string> loadedAtoms;
};

// The names the "#atoms:" line lists for these fields.
std::vector<std::string> headerAtomNames(const StHeaderFields& h);
// The eight header lines, each ended with LF.
std::string fileHeaderText(const StHeaderFields& h, int64_t size);

// Everything before the last "/" of a path ("" when there is none).
std::string folderOfPath(const std::string& path);
// The extension of the file's own name with its dot (".ndl"); "" when the
// name has none. Dots in folder names do not count.
std::string fileExtension(const std::string& path);

// Buffered text output to one file, written whole or not at all (see
// AtomicFile). Numbers printed through `printf` use "." as the decimal
// point whatever the process locale is.
class FileWriter {
 public:
  FileWriter() = default;
  ~FileWriter();
  FileWriter(const FileWriter&) = delete;
  FileWriter& operator=(const FileWriter&) = delete;

  // Prepares writing the file; false when it cannot be written.
  bool open(const std::string& path);
  void put(const std::string& s) { put(s.data(), s.size()); }
  void put(const char* s, size_t n);
  void put(char c) { put(&c, 1); }
  void printf(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // The same text as printf("%<width>.<precision>f", value), faster.
  void putFixed(double value, int width, int precision);
  // Writes everything and puts the file in place; false when anything
  // failed, and then the file is as it was before.
  bool close();
  // The system's reason of a failed open or close ("No space left on device").
  const std::string& failure() const { return file_.error(); }

 private:
  void flushBuffer();
  AtomicFile file_;
  std::string buffer_;
  bool failed_ = false;
};

// "Error, couldn't open file: " + path + " for writing"
std::string openForWritingError(const std::string& path);
// Text of the error box for a file that was opened but not completely written.
std::string incompleteWriteError(const std::string& path);

// What the header parser read.
struct StHeaderInfo {
  std::string dateLine;
  int64_t size = 0;
  std::string latticeText;
  std::string radiusText;
  std::string structure;       // the name as written
  bool sphere = true;          // RBsphere checked (else RBcylind)
  bool modified = false;
  std::vector<std::string> atoms;  // one or two symbols
  bool biatomic = false;           // RBbiatom checked (else RBmonoatom)
  // Tag of the structure button to check (0 rbsc, 1 rbbcc, 2 rbfcc,
  // 3 rbdiam, 4 rbfccsq, 6 rbhcp), -1 for none.
  int structureTag = -1;
};

// The generator a header's structure line stands for (on the ideal list
// `nodes`): "sc", "bcc", "fcc", "hcp", "2d", "xyz" by their names in lower
// case, anything else zinc blende / diamond like.
std::unique_ptr<GenNodes> generatorForStructure(const std::string& name, vGrainNodes& nodes);
// The structure button that name checks (tags as in StHeaderInfo), -1 for "xyz".
int structureTagForName(const std::string& name);

// Parses the eight header lines from the reader's position and appends the
// log lines. Every line must begin with its label ("#date:", "#size:",
// "#latticeParam:", "#grainRadius:", "#structure:", "#sphere:",
// "#modified:", "#atoms:"), the size and the flags must be plain decimal
// integers (the sphere flag 0 or 1) and the "#atoms:" line must name a
// symbol; otherwise it returns false with `failedLine` set to the number
// of the line at fault. Applying the result (generator, loaded-atom list,
// fields) is the caller's business, so a failed read changes nothing.
bool readFileHeader(TextReader& in, StHeaderInfo& info, std::vector<std::string>& log,
                    int64_t* failedLine = nullptr);

// Reads the next line, which must begin with `label` (after blanks);
// `rest` receives what follows the label. `lineNo` is the line's number.
bool readLabelLine(TextReader& in, const char* label, std::string& rest, int64_t& lineNo);
// A text of decimal digits only (blanks around allowed) that fits 64 bits.
bool plainDecimal(std::string_view text, int64_t& value);

// The two lines every reader starts its log output with.
void appendReaderOpening(std::vector<std::string>& log, const std::string& path);

}  // namespace grainix

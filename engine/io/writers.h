#pragma once
// Writers of the data files: nodes (.ndl .nds .ndm .xyz .at), PDH (.his),
// diffraction (.diff), G(r) (.grp), delta(r) (.dij), sections (.sct), the
// "Save all" set with its index (.res) and the message-log dump. Each takes
// the full path, the records and the texts of the fields it prints, creates
// or truncates the file and writes it whole with LF line ends. The result's
// `ok` is true when the file was written and closed; otherwise `messages`
// holds the error box to show.
#include <ctime>
#include <string>
#include <vector>

#include "engine/calc/records.h"
#include "engine/core/command.h"
#include "engine/grain/grain_node.h"
#include "engine/io/file_header.h"
#include "engine/modify/sections.h"

namespace grainix {

// The field texts the writers print besides the header block.
struct StFileTexts {
  StHeaderFields header;
  std::string comment = "no comment";  // the comment field
  std::string binWidth;                // text of the bin-width field
  std::string lambda;                  // text of the wavelength field
  std::string k;                       // text of the K field
  std::string step;                    // text of the 2theta step field
  bool angleAbscissa = true;           // the angle unit is checked (else Q)
  bool sOrdinate = true;               // S is checked (else I)
};

// Layout of a nodes file chosen from the extension of its name (compared
// case-sensitively); any other name gets the header lines only.
enum class NodesLayout { Ndl, Ndm, Nds, Xyz, At, HeaderOnly };
NodesLayout nodesLayoutForPath(const std::string& path);

// The order in which the .nds (r descending) and .ndm (r descending, equal
// r by z descending) files list the nodes; equal keys keep the list order.
// The list itself is never reordered: a save must not change the grain.
std::vector<const StGrainNode*> nodesByRadius(const vGrainNodes& nodes);
std::vector<const StGrainNode*> nodesByRadiusThenZ(const vGrainNodes& nodes);

StCommandResult saveNodesFile(const std::string& path, const vGrainNodes& nodes, const StFileTexts& texts);
// The same writer with the layout given: a file handed to another program
// must have its layout whatever the folders of its path are called.
StCommandResult saveNodesFile(const std::string& path, const vGrainNodes& nodes, const StFileTexts& texts,
                              NodesLayout layout);
// The four lines "Save nodes" logs after the writer returns, whatever its result.
std::vector<std::string> savedNodesLogLines(const std::string& path);

// Monoatomic: the PDH list; biatomic: the partial histograms.
StCommandResult saveHistogramFile(const std::string& path, const PdhList& pdh, const StIDCalcResults& partial,
                                  bool biatomic, const StFileTexts& texts);
StCommandResult saveDiffractionFile(const std::string& path, const StDiffPattern& pattern, const StFileTexts& texts);
StCommandResult saveGrFile(const std::string& path, const StData& gr, const StFileTexts& texts);
StCommandResult saveDeltaFile(const std::string& path, const PdhList& delta, const StFileTexts& texts);
StCommandResult saveSectionsFile(const std::string& path, const secPrm& sections, const StFileTexts& texts);

// The four data files of "Save all", named from the index path by replacing
// ".res" in the file name (not in the folders); a name without ".res" gets
// the extensions appended.
struct StSaveAllPaths {
  std::string nodes, histogram, sections, diffraction;
};
StSaveAllPaths saveAllPaths(const std::string& indexPath);

// Writes nodes, PDH, sections and diffraction files, then the index. On
// success `dataFolder` receives the folder of the index file.
StCommandResult saveAll(const std::string& indexPath, const vGrainNodes& nodes, const PdhList& pdh,
                        const StIDCalcResults& partial, bool biatomic, const StDiffPattern& pattern,
                        const secPrm& sections, const StFileTexts& texts, std::string* dataFolder = nullptr);

// date ":" time with every character that is not a decimal digit replaced
// by `fill`: "2013-07-15" and "12:34:56" give "2013_07_15_12_34_56" for '_'.
std::string digitStamp(const std::string& date, const std::string& time, char fill);
// The stamp of a local time (date "%Y-%m-%d", time "%H:%M:%S").
std::string timeStamp(std::time_t when, char fill);

// "2013-07-15-12-34-56": date ":" time with every non-digit replaced by "-".
std::string memoDumpName(const std::string& date, const std::string& time);
// dataDir + "/" + the name for `when` + ".txt".
std::string memoDumpPath(const std::string& dataDir, std::time_t when);
// Writes the log lines; logs "memo saved to file:" and the path.
StCommandResult saveMemo(const std::string& path, const std::vector<std::string>& lines);

}  // namespace grainix

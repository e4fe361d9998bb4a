#pragma once
// Component names of the commands that engine results enable or disable.
namespace grainix::cmd {

inline constexpr const char* Pdh = "BLiczPdf";            // "PDH"
inline constexpr const char* PdhDiagram = "BGraf";        // "pdh diagram"
inline constexpr const char* Histogram = "BHistogram";    // "Histogram"
inline constexpr const char* Nodes = "Bwypisz";           // "Nodes"
inline constexpr const char* SmallGr = "Bgr";             // "g(r)"
inline constexpr const char* GrOfPdf = "BGrPdf";          // "G(r) of PDF"
inline constexpr const char* Modify = "Bmodify";          // "Modify"
inline constexpr const char* Diffraction = "Bpdfdyfr";    // "Diffraction pattern"
inline constexpr const char* DiffractionDiagram = "Bdiffgraph";
inline constexpr const char* GrOfDiffraction = "Bsq";     // "G(r) of diffraction"
inline constexpr const char* GrDiagram = "Bgrgraph";
inline constexpr const char* DeltaCalc = "Brijnew";       // delta(r) calculation
inline constexpr const char* DeltaDiagram = "Brijgraph";  // "delta(r) diagram"
inline constexpr const char* SaveNodes = "MIsavenodes";
inline constexpr const char* SavePdh = "MIsavehistogram";
inline constexpr const char* SaveDiffraction = "MIsavediff";
inline constexpr const char* SaveGr = "MIsavegr";
inline constexpr const char* SaveSections = "MIsekcje";
inline constexpr const char* SaveDelta = "MIsaveDelta";
inline constexpr const char* SaveAll = "MIsaveall";
inline constexpr const char* Fityk = "MIfityk";

}  // namespace grainix::cmd

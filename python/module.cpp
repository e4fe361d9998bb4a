// The Python module `grainix`: grains and their pair-distance histograms,
// powder patterns, G(r) and delta(r), computed by the engine through the
// chain of grainix-cli. Long calls run on a thread of their own while the
// calling thread, mostly without the GIL, watches for Ctrl-C and reports
// progress.
#include <algorithm>
#include <dlfcn.h>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <future>
#include <map>
#include <optional>
#include <regex>
#include <thread>
#include <variant>

#include "engine/core/format.h"
#include "python/chain.h"

namespace py = pybind11;
using namespace pybind11::literals;
using grainix::pymod::CallContext;
using grainix::pymod::ChainError;
using grainix::pymod::GrainState;

namespace {

// --- calls without the GIL ---------------------------------------------

// The gauge of a call: written by the engine's threads, read by the
// calling thread between its waits.
class CallProgress : public grainix::cli::StepProgress {
 public:
  struct State {
    std::string step;
    int64_t position = 0, maximum = 0;
    bool operator==(const State&) const = default;
  };
  void setStep(const std::string& name) override {
    std::lock_guard lock(mutex_);
    state_.step = name;
    state_.position = 0;
  }
  void setMaximum(int64_t m) override {
    std::lock_guard lock(mutex_);
    state_.maximum = m;
  }
  void setPosition(int64_t p) override {
    std::lock_guard lock(mutex_);
    state_.position = p;
  }
  void setVisible(bool) override {}
  State state() {
    std::lock_guard lock(mutex_);
    return state_;
  }

 private:
  std::mutex mutex_;
  State state_;
};

// How often the calling thread looks at signals and the gauge.
constexpr auto kPollInterval = std::chrono::milliseconds(50);
// The progress callback is called at most this often.
constexpr double kProgressInterval = 0.1;

// Runs work(context) on a thread of its own. The calling thread waits
// without the GIL and, every poll interval, takes it to run pending
// signal handlers (Ctrl-C raises KeyboardInterrupt there) and to pass a
// changed gauge to `progress(step, done, total)`. An exception from either
// requests the engine's cancel token, waits for the worker (which stops
// at its next tile) and propagates.
template <class Work>
auto runInterruptible(Work work, const py::object& progress) {
  using Result = decltype(work(std::declval<const CallContext&>()));
  grainix::CancelToken cancel;
  CallProgress gauge;
  const CallContext ctx{&gauge, &cancel};
  std::packaged_task<Result()> task([&] { return work(ctx); });
  std::future<Result> done = task.get_future();
  std::thread worker(std::move(task));
  auto stopWorker = [&] {
    cancel.request();
    py::gil_scoped_release nogil;
    worker.join();
  };
  CallProgress::State shown;
  auto lastShown = std::chrono::steady_clock::now() - std::chrono::seconds(1);
  for (;;) {
    bool finished = false;
    {
      py::gil_scoped_release nogil;
      finished = done.wait_for(kPollInterval) == std::future_status::ready;
    }
    try {
      if (PyErr_CheckSignals() != 0) throw py::error_already_set();
      const auto now = std::chrono::steady_clock::now();
      if (!progress.is_none() && std::chrono::duration<double>(now - lastShown).count() >= kProgressInterval) {
        const CallProgress::State state = gauge.state();
        if (!(state == shown)) {
          shown = state;
          lastShown = now;
          progress(state.step, state.position, state.maximum);
        }
      }
    } catch (...) {
      stopWorker();
      throw;
    }
    if (finished) break;
  }
  {
    py::gil_scoped_release nogil;
    worker.join();
  }
  return done.get();
}

// --- options ---------------------------------------------------------

// Keyword names of the options the tool's texts name.
std::string keywordText(std::string text, const std::map<std::string, std::string>& renames) {
  static const std::map<std::string, std::string> common{
      {"--bin", "bin_width"},       {"--lambda", "wavelength"}, {"--pdh-method", "method"},
      {"--no-sublattice", "sublattice"}, {"--no-circular", "circular"}, {"--input", "path"},
      {"--gr-range", "start/stop/step"}};
  static const std::regex option("--[a-z][a-z0-9-]*");
  std::string out;
  auto begin = std::sregex_iterator(text.begin(), text.end(), option);
  size_t last = 0;
  for (auto it = begin; it != std::sregex_iterator(); ++it) {
    const std::string name = it->str();
    out += text.substr(last, static_cast<size_t>(it->position()) - last);
    if (auto r = renames.find(name); r != renames.end()) {
      out += r->second;
    } else if (auto c = common.find(name); c != common.end()) {
      out += c->second;
    } else {
      std::string word = name.substr(2);
      for (char& ch : word)
        if (ch == '-') ch = '_';
      out += word;
    }
    last = static_cast<size_t>(it->position() + it->length());
  }
  return out + text.substr(last);
}

// The command line of one call, as the tool would be given it.
class Args {
 public:
  explicit Args(std::map<std::string, std::string> renames = {}) : renames_(std::move(renames)) {}
  void text(const char* option, const std::string& value) { args_.push_back(std::string(option) + "=" + value); }
  void text(const char* option, const std::optional<std::string>& value) {
    if (value) text(option, *value);
  }
  void number(const char* option, double value) { text(option, numberText(value)); }
  void number(const char* option, const std::optional<double>& value) {
    if (value) number(option, *value);
  }
  void integer(const char* option, const std::optional<long long>& value) {
    if (value) text(option, std::to_string(*value));
  }
  void flag(const char* option, bool on) {
    if (on) args_.emplace_back(option);
  }
  // START:STOP:STEP
  void range(const char* option, double a, double b, double s) {
    text(option, numberText(a) + ":" + numberText(b) + ":" + numberText(s));
  }
  // Parsed and checked by the tool's parser; a refusal is a ValueError.
  grainix::cli::CliOptions parse() const {
    try {
      return grainix::pymod::parseArgs(args_);
    } catch (const ChainError& e) {
      throw py::value_error(keywordText(e.what(), renames_));
    }
  }
  const std::map<std::string, std::string>& renames() const { return renames_; }

  // Every digit a double needs to come back unchanged.
  static std::string numberText(double v) { return grainix::fmtPrintf("%.17g", v); }

 private:
  std::vector<std::string> args_;
  std::map<std::string, std::string> renames_;
};

// The grain of a calculation: the tool is told it reads one.
Args calculationArgs(std::map<std::string, std::string> renames = {}) {
  Args a(std::move(renames));
  a.text("--input", std::string("grain"));
  return a;
}

using Amplitude = std::variant<double, std::vector<double>>;
using Sections = std::vector<std::pair<double, double>>;

struct Modification {
  std::optional<Sections> sections;
  std::optional<std::string> thermal;
  std::optional<double> temperature;
  std::optional<Amplitude> amplitude;
  std::optional<double> acp, level;
  std::optional<long long> seed;

  void addTo(Args& a) const {
    if (sections) {
      std::string list;
      for (const auto& [radius, psi] : *sections)
        list += (list.empty() ? "" : ",") + Args::numberText(radius) + ":" + Args::numberText(psi);
      // An empty list is refused by the parser as the tool refuses it.
      a.text("--sections", list.empty() ? std::string(",") : list);
    }
    a.text("--thermal", thermal);
    a.number("--temperature", temperature);
    if (amplitude) {
      std::string list;
      if (const double* one = std::get_if<double>(&*amplitude)) {
        list = Args::numberText(*one);
      } else {
        for (double v : std::get<std::vector<double>>(*amplitude))
          list += (list.empty() ? "" : ",") + Args::numberText(v);
      }
      a.text("--amplitude", list.empty() ? std::string(",") : list);
    }
    a.number("--acp", acp);
    a.number("--level", level);
    a.integer("--seed", seed);
  }
};

// Runs a chain call, turning its refusals into Python exceptions.
template <class Work>
auto runChain(Work work, const py::object& progress, const Args& args) {
  try {
    return runInterruptible(std::move(work), progress);
  } catch (const ChainError& e) {
    if (!e.io) throw py::value_error(keywordText(e.what(), args.renames()));
    PyErr_SetString(PyExc_OSError, e.what());
    throw py::error_already_set();
  }
}

// --- arrays -----------------------------------------------------------

// A NumPy array owning the vector's buffer (no copy).
template <class T>
py::array_t<T> toArray(std::vector<T>&& values) {
  auto* owned = new std::vector<T>(std::move(values));
  py::capsule owner(owned, [](void* p) { delete static_cast<std::vector<T>*>(p); });
  return py::array_t<T>({owned->size()}, {sizeof(T)}, owned->data(), owner);
}

py::tuple xyTuple(grainix::pymod::XyColumns&& c) {
  return py::make_tuple(toArray(std::move(c.x)), toArray(std::move(c.y)));
}

using Grain = std::shared_ptr<GrainState>;

Grain grainOfAtoms(const py::object& symbolsObj, const py::object& positionsObj, const py::object& progress) {
  std::vector<std::string> symbols;
  try {
    symbols = symbolsObj.cast<std::vector<std::string>>();
  } catch (const py::cast_error&) {
    throw py::type_error("symbols: expected a sequence of element symbols (str)");
  }
  if (py::isinstance<py::str>(symbolsObj)) throw py::type_error("symbols: expected a sequence of symbols, got one str");
  using Positions = py::array_t<double, py::array::c_style | py::array::forcecast>;
  Positions positions;
  try {
    positions = positionsObj.cast<Positions>();
  } catch (const py::error_already_set&) {
    throw py::type_error("positions: expected an (N, 3) array of numbers");
  } catch (const py::cast_error&) {
    throw py::type_error("positions: expected an (N, 3) array of numbers");
  }
  if (positions.ndim() != 2 || positions.shape(1) != 3) {
    std::string shape;
    for (py::ssize_t k = 0; k < positions.ndim(); ++k) shape += (k ? ", " : "") + std::to_string(positions.shape(k));
    throw py::value_error("positions: expected an (N, 3) array, got shape (" + shape + ")");
  }
  const size_t n = static_cast<size_t>(positions.shape(0));
  if (symbols.size() != n)
    throw py::value_error("symbols: " + std::to_string(symbols.size()) + " symbols for " + std::to_string(n) +
                          " positions");
  std::vector<double> xyz(positions.data(), positions.data() + 3 * n);
  for (size_t i = 0; i < xyz.size(); ++i)
    if (!std::isfinite(xyz[i]))
      throw py::value_error("positions: row " + std::to_string(i / 3) + " is not finite");
  const Args none;
  return runChain(
      [symbols = std::move(symbols), xyz = std::move(xyz)](const CallContext& ctx) {
        return grainix::pymod::atomsGrain(symbols, xyz.data(), ctx);
      },
      progress, none);
}

// The folder of this module's shared object.
std::string moduleFolder() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<const void*>(&moduleFolder), &info) == 0 || !info.dli_fname) return {};
  return std::filesystem::path(info.dli_fname).parent_path().string();
}

py::object optionalStr(const std::string& s) { return s.empty() ? py::none() : py::object(py::str(s)); }

[[noreturn]] void fileNotFound(const std::filesystem::path& path) {
  PyErr_SetString(PyExc_FileNotFoundError, ("no such file: " + path.string()).c_str());
  throw py::error_already_set();
}

}  // namespace

PYBIND11_MODULE(grainix, m) {
  m.doc() =
      "Nanocrystalline grains and what powder diffraction measures of them.\n\n"
      "Build a grain (sc, bcc, fcc, diamond / zinc blende spheres, stacked close-packed grains),\n"
      "take one from arrays, from an ASE-like object or from the program's node files, modify it\n"
      "(core/shell sections, thermal displacements) and compute its pair-distance histogram\n"
      "(partials for two or more elements), its powder pattern by the Debye equation, G(r) and delta(r).\n"
      "Every result equals the one grainix-cli writes for the same grain and options.\n\n"
      "Long calls release the GIL and take an optional progress callback\n"
      "progress(step: str, done: int, total: int), called from the calling thread at most ten\n"
      "times a second; an exception it raises stops the call and propagates. Ctrl-C raises\n"
      "KeyboardInterrupt: pdh, pattern, gr and delta stop within a fraction of a second, a build,\n"
      "read or modification first ends. Refused arguments raise ValueError (TypeError for a\n"
      "wrong type) with the program's message.";

  grainix::pymod::setElementTableFolders(
      {std::filesystem::current_path().string(), moduleFolder(), std::string(GRAINIX_DATA_DIR)});

  py::class_<GrainState, Grain> grain(m, "Grain", R"doc(
A grain: atoms (element symbols and positions in Angstrom) with what the program
keeps of it (lattice parameter, radius, structure, and for a modified grain its
modification). A grain never changes; modify() returns a new one.

Grain(symbols, positions) takes N element symbols and an (N, 3) array of positions
(anything NumPy turns into float64). The atoms are grouped by element (a stable
reorder, the first element met first), as when an .xyz file is read; the radius is
the distance of the farthest atom from the origin. Any number of elements.
)doc");
  grain.def(py::init([](const py::object& symbols, const py::object& positions, const py::object& progress) {
              return grainOfAtoms(symbols, positions, progress);
            }),
            "symbols"_a, "positions"_a, py::kw_only(), "progress"_a = py::none());
  grain.def_static(
      "from_atoms",
      [](const py::object& atoms, const py::object& progress) {
        if (!py::hasattr(atoms, "get_chemical_symbols") || !py::hasattr(atoms, "get_positions"))
          throw py::type_error("from_atoms: expected an object with get_chemical_symbols() and get_positions()");
        return grainOfAtoms(atoms.attr("get_chemical_symbols")(), atoms.attr("get_positions")(), progress);
      },
      "atoms"_a, py::kw_only(), "progress"_a = py::none(),
      R"doc(A grain of anything with get_chemical_symbols() and get_positions(), such as
an ASE Atoms object (ASE itself is not needed). The positions are taken as they
are (Angstrom, not re-centred).)doc");
  grain.def_property_readonly(
      "symbols",
      [](const GrainState& g) {
        py::list out;
        for (const auto& n : g.nodes()) out.append(py::str(n.element));
        return out;
      },
      "Element symbol of each atom (list of str), in the grain's order.");
  grain.def_property_readonly(
      "positions",
      [](const py::object& self) {
        const GrainState& g = self.cast<const GrainState&>();
        const grainix::vGrainNodes& nodes = g.nodes();
        if (nodes.empty()) return py::array_t<double>(std::vector<py::ssize_t>{0, 3});
        // A read-only view of the atoms' x, y, z (no copy); it keeps the grain alive.
        const auto* base = reinterpret_cast<const char*>(&nodes[0].x);
        const auto column = reinterpret_cast<const char*>(&nodes[0].y) - base;
        py::array_t<double> view({static_cast<py::ssize_t>(nodes.size()), py::ssize_t{3}},
                                 {static_cast<py::ssize_t>(sizeof(grainix::StGrainNode)), column}, &nodes[0].x, self);
        view.attr("setflags")("write"_a = false);
        return view;
      },
      "Positions in Angstrom: a read-only float64 (N, 3) NumPy view of the grain's atoms.");
  grain.def("__len__", [](const GrainState& g) { return g.nodes().size(); }, "Number of atoms.");
  grain.def_property_readonly(
      "elements",
      [](const GrainState& g) {
        // Every element in the order its atoms come in the list.
        std::vector<std::string> symbols;
        for (const auto& n : g.nodes())
          if (symbols.empty() || symbols.back() != n.element)
            if (std::find(symbols.begin(), symbols.end(), n.element) == symbols.end()) symbols.push_back(n.element);
        const auto& p = g.s.wb.grainPrm;
        if (symbols.size() <= 2)
          return g.s.biatomic ? std::vector<std::string>{p.elementL, p.elementR} : std::vector<std::string>{p.elementL};
        return symbols;
      },
      "The grain's elements, the first (whose atoms lead the list) first.");
  grain.def_property_readonly(
      "lattice", [](const GrainState& g) { return g.s.latticePrm; },
      "Lattice parameter in Angstrom (0 when unknown).");
  grain.def_property_readonly(
      "radius", [](const GrainState& g) { return g.s.radius; }, "Radius in Angstrom.");
  grain.def_property_readonly(
      "structure", [](const GrainState& g) { return g.s.texts.header.structure; },
      "What made the grain: 'sc', 'bcc', 'fcc', 'diamond like', 'zinc blende', 'hcp', 'xyz' ...");
  grain.def_property_readonly(
      "modified", [](const GrainState& g) { return g.s.wb.currentIsModified || g.s.texts.header.modified; },
      "True for a grain with sections or thermal displacements applied.");
  grain.def("__repr__", [](const GrainState& g) {
    const auto& p = g.s.wb.grainPrm;
    return "<grainix.Grain " + g.s.texts.header.structure + " " + p.elementL +
           (g.s.biatomic ? "/" + p.elementR : std::string()) + ", " + std::to_string(g.nodes().size()) +
           " atoms, radius " + grainix::fmtGeneral(g.s.radius, 5) + " A" +
           (g.s.wb.currentIsModified ? ", modified" : "") + ">";
  });
  grain.def(
      "write",
      [](const Grain& g, const std::filesystem::path& path, const std::optional<std::string>& comment) {
        const Args none;
        runChain(
            [g, p = path.string(), c = comment.value_or("")](const CallContext&) {
              grainix::pymod::writeNodes(*g, p, c);
              return 0;
            },
            py::none(), none);
      },
      "path"_a, py::kw_only(), "comment"_a = py::none(),
      R"doc(Writes the grain as the program's nodes file, its layout chosen from the
extension: .ndl .nds .ndm .xyz .at. `comment` replaces the file's comment line.
The file is written under a temporary name and renamed. Raises OSError when the
file cannot be written.)doc");
  grain.def(
      "modify",
      [](const Grain& g, std::optional<Sections> sections, std::optional<std::string> thermal,
         std::optional<double> temperature, std::optional<Amplitude> amplitude, std::optional<double> acp,
         std::optional<double> level, std::optional<long long> seed, const py::object& progress) {
        const Modification mod{std::move(sections), std::move(thermal), temperature, std::move(amplitude),
                               acp, level, seed};
        Args args = calculationArgs();
        mod.addTo(args);
        if (!mod.sections && !mod.thermal) throw py::value_error("modify: give sections or thermal");
        const grainix::cli::CliOptions o = args.parse();
        return runChain([g, o](const CallContext& ctx) { return grainix::pymod::modifiedGrain(*g, o, ctx); },
                        progress, args);
      },
      py::kw_only(), "sections"_a = py::none(), "thermal"_a = py::none(), "temperature"_a = py::none(),
      "amplitude"_a = py::none(), "acp"_a = py::none(), "level"_a = py::none(), "seed"_a = py::none(),
      "progress"_a = py::none(),
      R"doc(A new grain: this grain's atoms modified as the modification window does it.

sections: [(R1, psi1), (R2, psi2), ...], outer radii in Angstrom (increasing, the last
  not beyond the grain's radius) and the relative change of the lattice parameter in %.
thermal: 'uniform' or 'normal' random displacements, with `temperature` in K
  (amplitudes from the Debye model) or `amplitude` A or (A1, A2) in Angstrom;
  `acp` and `level` tune the normal distribution; `seed` makes the run repeatable.)doc");

  m.def(
      "build",
      [](const std::string& structure, std::optional<std::string> element, std::optional<std::string> element2,
         std::optional<double> lattice, std::optional<double> radius, std::optional<double> radiusLp,
         const std::string& shape, std::optional<std::string> sequence, std::optional<double> ha,
         std::optional<double> c, std::optional<double> u, bool sublattice, bool circular,
         std::optional<Sections> sections, std::optional<std::string> thermal, std::optional<double> temperature,
         std::optional<Amplitude> amplitude, std::optional<double> acp, std::optional<double> level,
         std::optional<long long> seed, std::optional<std::string> comment, const py::object& progress) {
        Args args;
        args.text("--structure", structure);
        args.text("--element", element);
        args.text("--element2", element2);
        args.number("--lattice", lattice);
        args.number("--radius", radius);
        args.number("--radius-lp", radiusLp);
        args.text("--shape", shape);
        args.text("--sequence", sequence);
        args.number("--ha", ha);
        args.number("--c", c);
        args.number("--u", u);
        args.flag("--no-sublattice", !sublattice);
        args.flag("--no-circular", !circular);
        Modification{std::move(sections), std::move(thermal), temperature, std::move(amplitude), acp, level, seed}
            .addTo(args);
        args.text("--comment", comment);
        const grainix::cli::CliOptions o = args.parse();
        return runChain([o](const CallContext& ctx) { return grainix::pymod::makeGrain(o, ctx); }, progress, args);
      },
      "structure"_a, py::kw_only(), "element"_a = py::none(), "element2"_a = py::none(), "lattice"_a = py::none(),
      "radius"_a = py::none(), "radius_lp"_a = py::none(), "shape"_a = "sphere", "sequence"_a = py::none(),
      "ha"_a = py::none(), "c"_a = py::none(), "u"_a = py::none(), "sublattice"_a = true, "circular"_a = true,
      "sections"_a = py::none(), "thermal"_a = py::none(), "temperature"_a = py::none(), "amplitude"_a = py::none(),
      "acp"_a = py::none(), "level"_a = py::none(), "seed"_a = py::none(), "comment"_a = py::none(),
      "progress"_a = py::none(),
      R"doc(Builds a grain as grainix-cli --structure ... does.

structure: 'sc', 'bcc', 'fcc', 'diamond', 'zincblende' or 'stacked'.
element: symbol of the element table; element2: the second element (zinc blende,
  two-element stacked grains).
lattice: lattice parameter in Angstrom (default: the element table's).
radius: radius in Angstrom, or radius_lp in lattice parameters.
shape: 'sphere' or 'cylinder' (stacked grains only).
sequence, ha, c, u, sublattice, circular: a stacked grain's layer sequence (letters
  A, B, C), in-layer spacing, layer spacing parameter, sublattice parameter, whether it
  has its second sublattice and whether the layers are cut circularly.
sections, thermal, temperature, amplitude, acp, level, seed: modify the grain as
  Grain.modify does (the grain returned is the modified one).
comment: the comment line of the files the grain writes.)doc");

  m.def(
      "read_nodes",
      [](const std::filesystem::path& path, std::optional<double> lattice, std::optional<std::string> comment,
         const py::object& progress) {
        if (!std::filesystem::exists(path)) fileNotFound(path);
        Args args;
        args.text("--input", path.string());
        args.number("--lattice", lattice);
        args.text("--comment", comment);
        const grainix::cli::CliOptions o = args.parse();
        return runChain([o](const CallContext& ctx) { return grainix::pymod::makeGrain(o, ctx); }, progress, args);
      },
      "path"_a, py::kw_only(), "lattice"_a = py::none(), "comment"_a = py::none(), "progress"_a = py::none(),
      R"doc(Reads a grain from the program's node files (.ndl .nds .ndm .xyz .at) as
grainix-cli --input does: what its header says (lattice parameter, radius, shape,
comment) is kept; `lattice` overrides the lattice parameter. Raises FileNotFoundError
for a missing file and ValueError for one the reader refuses.)doc");

  m.def(
      "read_cif",
      [](const std::filesystem::path& path, double radius, const std::string& shape, std::optional<double> height,
         const std::string& center, const std::string& cut, std::optional<long long> seed,
         std::optional<std::string> comment, const py::object& progress) {
        if (!std::filesystem::exists(path)) fileNotFound(path);
        Args args(std::map<std::string, std::string>{{"--cif", "path"}});
        args.text("--cif", path.string());
        args.number("--radius", radius);
        args.text("--shape", shape);
        args.number("--height", height);
        args.text("--center", center);
        args.text("--cut", cut);
        args.integer("--seed", seed);
        args.text("--comment", comment);
        const grainix::cli::CliOptions o = args.parse();
        return runChain([o](const CallContext& ctx) { return grainix::pymod::makeGrain(o, ctx); }, progress, args);
      },
      "path"_a, "radius"_a, py::kw_only(), "shape"_a = "sphere", "height"_a = py::none(), "center"_a = "atom",
      "cut"_a = "atom", "seed"_a = py::none(), "comment"_a = py::none(), "progress"_a = py::none(),
      R"doc(Cuts a grain from the crystal of a CIF file (1.1 or 2.0) as grainix-cli --cif does.

radius: in Angstrom. shape: 'sphere' or 'cylinder' (then `height` in Angstrom).
center: 'atom' (the first atom site of the file, as written) or 'origin' (of the cell).
cut: 'atom' (every atom inside the shape) or 'motif' (whole motifs of the lattice
  points, kept by their first-site atom: stoichiometric).
seed: the draws of partly occupied positions (default 1).
Any number of elements. Raises FileNotFoundError for a missing file and ValueError for
one the reader refuses.)doc");

  m.def(
      "pdh",
      [](const Grain& g, double binWidth, std::optional<int> threads, const std::string& method,
         const py::object& progress) -> py::tuple {
        Args args = calculationArgs();
        args.number("--bin", binWidth);
        args.text("--pdh-method", method);
        if (threads) args.text("--threads", std::to_string(*threads));
        const grainix::cli::CliOptions o = args.parse();
        grainix::pymod::PdhColumns c =
            runChain([g, o](const CallContext& ctx) { return grainix::pymod::pdh(*g, o, ctx); }, progress, args);
        py::array_t<double> r = toArray(std::move(c.r));
        if (c.counts.size() == 1) return py::make_tuple(r, toArray(std::move(c.counts[0])));
        py::dict partials;
        for (size_t k = 0; k < c.counts.size(); ++k) partials[py::str(c.names[k])] = toArray(std::move(c.counts[k]));
        return py::make_tuple(r, partials);
      },
      "grain"_a, "bin_width"_a = 0.001, py::kw_only(), "threads"_a = py::none(), "method"_a = "auto",
      "progress"_a = py::none(),
      R"doc(The pair-distance histogram: (r, counts).

r: float64 array of the lower bin edges (k * bin_width) of the occupied bins only;
counts: int64 array of the pairs in each bin. For a grain of two or more elements,
counts is a dict of the partial histograms by pair name, {"A-A": ..., "A-B": ..., "B-B": ...}
for two (A the grain's first element), one per unordered pair of elements in the order
A-A, A-B, A-C, ..., B-B, B-C, ... for more, each an int64 array over the same r.
bin_width: in Angstrom. threads: worker threads (None: every core).
method: 'auto' (per lattice vector for an unmodified generated grain, else the loop
over pairs), 'pairs' or 'lattice'; every method gives the same counts.)doc");

  m.def(
      "pattern",
      [](const Grain& g, std::optional<std::string> anode, std::optional<double> wavelength, double start,
         double stop, double step, const std::string& intensity, const std::string& abscissa, double binWidth,
         std::optional<int> threads, const std::string& method, const py::object& progress) {
        Args args = calculationArgs({{"--range", "start/stop/step"}});
        if (anode || !wavelength) args.text("--anode", anode.value_or("Cu"));
        args.number("--lambda", wavelength);
        args.range("--range", start, stop, step);
        args.text("--intensity", intensity);
        args.text("--abscissa", abscissa);
        args.number("--bin", binWidth);
        args.text("--pdh-method", method);
        if (threads) args.text("--threads", std::to_string(*threads));
        const grainix::cli::CliOptions o = args.parse();
        return xyTuple(
            runChain([g, o](const CallContext& ctx) { return grainix::pymod::pattern(*g, o, ctx); }, progress, args));
      },
      "grain"_a, py::kw_only(), "anode"_a = py::none(), "wavelength"_a = py::none(), "start"_a = 5.0,
      "stop"_a = 150.0, "step"_a = 0.1, "intensity"_a = "S", "abscissa"_a = "Q", "bin_width"_a = 0.001,
      "threads"_a = py::none(), "method"_a = "auto", "progress"_a = py::none(),
      R"doc(The powder pattern by the Debye equation over the grain's histogram: (x, y),
float64 arrays as the .diff file of grainix-cli holds them.

anode: 'Cu' (default), 'Cr', 'Co', 'Mo', 'Ag', 'X' (no scattering factors) or
  'Custom'; or wavelength: in Angstrom (not both).
start, stop, step: the 2-theta range in degrees.
intensity: 'S' (S(Q)) or 'I' (intensity). abscissa: 'Q' (1/Angstrom) or 'angle'
  (the 2-theta column of the file, in radians).
bin_width, threads, method: the histogram's, as in pdh().)doc");

  m.def(
      "gr",
      [](const Grain& g, const std::string& window, double start, std::optional<double> stop, double step,
         std::optional<std::string> anode, std::optional<double> wavelength, double patternStart,
         double patternStop, double patternStep, double binWidth, std::optional<int> threads,
         const std::string& method, const py::object& progress) {
        Args args = calculationArgs({{"--range", "pattern_start/pattern_stop/pattern_step"}});
        args.text("--window", window);
        if (stop) args.range("--gr-range", start, *stop, step);
        if (anode || !wavelength) args.text("--anode", anode.value_or("Cu"));
        args.number("--lambda", wavelength);
        args.range("--range", patternStart, patternStop, patternStep);
        args.number("--bin", binWidth);
        args.text("--pdh-method", method);
        if (threads) args.text("--threads", std::to_string(*threads));
        grainix::cli::CliOptions o = args.parse();
        if (!stop) {
          // START and STEP with the grain's diameter as STOP.
          o.grStart = start;
          o.grStop = 2 * g->s.radius;
          o.grStep = step;
        }
        return xyTuple(
            runChain([g, o](const CallContext& ctx) { return grainix::pymod::gr(*g, o, ctx); }, progress, args));
      },
      "grain"_a, py::kw_only(), "window"_a = "lorch", "start"_a = 0.0, "stop"_a = py::none(), "step"_a = 0.01,
      "anode"_a = py::none(), "wavelength"_a = py::none(), "pattern_start"_a = 5.0, "pattern_stop"_a = 150.0,
      "pattern_step"_a = 0.1, "bin_width"_a = 0.001, "threads"_a = py::none(), "method"_a = "auto",
      "progress"_a = py::none(),
      R"doc(G(r) of the grain's powder pattern: (r, G), float64 arrays.

window: 'lorch' (default), 'hamming' or 'none'.
start, stop, step: the r range in Angstrom (stop excluded; default stop: the
  grain's diameter).
anode / wavelength, pattern_start, pattern_stop, pattern_step: the pattern's
  radiation and 2-theta range (degrees), as in pattern().
bin_width, threads, method: the histogram's, as in pdh().)doc");

  m.def(
      "delta",
      [](const Grain& ideal, const Grain& modified, double binWidth, std::optional<int> threads,
         const py::object& progress) {
        Args args = calculationArgs();
        args.number("--bin", binWidth);
        if (threads) args.text("--threads", std::to_string(*threads));
        const grainix::cli::CliOptions o = args.parse();
        return xyTuple(runChain(
            [ideal, modified, o](const CallContext& ctx) { return grainix::pymod::delta(*ideal, *modified, o, ctx); },
            progress, args));
      },
      "ideal"_a, "modified"_a, "bin_width"_a = 0.001, py::kw_only(), "threads"_a = py::none(),
      "progress"_a = py::none(),
      R"doc(delta(r): how the pair distances of `ideal` change in `modified`, the same
atoms displaced (e.g. modified = ideal.modify(...)). Returns (r, delta), float64
arrays as the .dij file holds them: per bin of the ideal distance, the mean ideal
distance of its pairs and the mean relative change (r_modified - r) / r.
bin_width: in Angstrom.)doc");

  m.def(
      "element_table", [] { return optionalStr(grainix::pymod::elementTablePath()); },
      R"doc(Path of the element table (scFact.sft) the grains use: the first found in the
working folder (at import), beside the module, or in the installed data folder;
None when there is none.)doc");
}

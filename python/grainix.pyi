"""Nanocrystalline grains and what powder diffraction measures of them.

Build a grain, take one from arrays, from an ASE-like object or from the
program's node files, modify it and compute its pair-distance histogram
(partials for two or more elements), its powder pattern by the Debye equation, G(r)
and delta(r). Every result equals the one grainix-cli writes for the same
grain and options.

Long calls release the GIL and take an optional progress callback
``progress(step, done, total)``, called from the calling thread at most ten
times a second (an exception it raises stops the call). Ctrl-C raises
KeyboardInterrupt: pdh, pattern, gr and delta stop within a fraction of a
second, a build, read or modification first ends. Refused arguments raise
ValueError (TypeError for a wrong type) with the program's message.
"""

import os
from typing import Callable, Literal, Optional, Protocol, Sequence, Tuple, Union

import numpy as np
import numpy.typing as npt

Progress = Optional[Callable[[str, int, int], object]]
FloatArray = npt.NDArray[np.float64]
CountArray = npt.NDArray[np.int64]
PathLike = Union[str, "os.PathLike[str]"]
Sections = Sequence[Tuple[float, float]]
Amplitude = Union[float, Sequence[float]]
Anode = Literal["Custom", "Cr", "Co", "Cu", "Mo", "Ag", "X"]
Method = Literal["auto", "pairs", "lattice"]

class AtomsLike(Protocol):
    """Anything with ASE's two accessors (an ase.Atoms works)."""

    def get_chemical_symbols(self) -> Sequence[str]: ...
    def get_positions(self) -> npt.ArrayLike: ...

class Grain:
    """A grain: atoms with what the program keeps of it. It never changes;
    modify() returns a new grain.

    Grain(symbols, positions): N element symbols and an (N, 3) array of
    positions in Angstrom. The atoms are grouped by element (a stable reorder,
    the first element met first); the radius is the distance of the farthest
    atom from the origin. Any number of elements.
    """

    def __init__(self, symbols: Sequence[str], positions: npt.ArrayLike, *, progress: Progress = None) -> None: ...
    @staticmethod
    def from_atoms(atoms: AtomsLike, *, progress: Progress = None) -> Grain:
        """A grain of anything with get_chemical_symbols() and get_positions()."""
    @property
    def symbols(self) -> list[str]:
        """Element symbol of each atom, in the grain's order."""
    @property
    def positions(self) -> FloatArray:
        """Read-only float64 (N, 3) view of the positions in Angstrom."""
    @property
    def elements(self) -> list[str]:
        """The grain's elements, the first (whose atoms lead the list) first."""
    @property
    def lattice(self) -> float:
        """Lattice parameter in Angstrom (0 when unknown)."""
    @property
    def radius(self) -> float:
        """Radius in Angstrom."""
    @property
    def structure(self) -> str:
        """What made the grain: 'sc', 'bcc', 'fcc', 'diamond like', 'zinc blende', 'hcp', 'xyz' ..."""
    @property
    def modified(self) -> bool:
        """True for a grain with sections or thermal displacements applied."""
    def __len__(self) -> int:
        """Number of atoms."""
    def write(self, path: PathLike, *, comment: Optional[str] = None) -> None:
        """Writes the nodes file (.ndl .nds .ndm .xyz .at, chosen by the extension);
        OSError when it cannot be written."""
    def modify(
        self,
        *,
        sections: Optional[Sections] = None,
        thermal: Optional[Literal["uniform", "normal"]] = None,
        temperature: Optional[float] = None,
        amplitude: Optional[Amplitude] = None,
        acp: Optional[float] = None,
        level: Optional[float] = None,
        seed: Optional[int] = None,
        progress: Progress = None,
    ) -> Grain:
        """A new grain: these atoms with core/shell sections [(R, psi %), ...] and/or
        thermal displacements ('uniform' or 'normal', by temperature in K or
        amplitude(s) in Angstrom)."""

def build(
    structure: Literal["sc", "bcc", "fcc", "diamond", "zincblende", "stacked"],
    *,
    element: Optional[str] = None,
    element2: Optional[str] = None,
    lattice: Optional[float] = None,
    radius: Optional[float] = None,
    radius_lp: Optional[float] = None,
    shape: Literal["sphere", "cylinder"] = "sphere",
    sequence: Optional[str] = None,
    ha: Optional[float] = None,
    c: Optional[float] = None,
    u: Optional[float] = None,
    sublattice: bool = True,
    circular: bool = True,
    sections: Optional[Sections] = None,
    thermal: Optional[Literal["uniform", "normal"]] = None,
    temperature: Optional[float] = None,
    amplitude: Optional[Amplitude] = None,
    acp: Optional[float] = None,
    level: Optional[float] = None,
    seed: Optional[int] = None,
    comment: Optional[str] = None,
    progress: Progress = None,
) -> Grain:
    """Builds a grain as grainix-cli --structure ... does (modified when sections or
    thermal are given)."""

def read_nodes(
    path: PathLike, *, lattice: Optional[float] = None, comment: Optional[str] = None, progress: Progress = None
) -> Grain:
    """Reads a grain from a node file (.ndl .nds .ndm .xyz .at)."""

def read_cif(
    path: PathLike,
    radius: float,
    *,
    shape: Literal["sphere", "cylinder"] = "sphere",
    height: Optional[float] = None,
    center: Literal["atom", "origin"] = "atom",
    cut: Literal["atom", "motif"] = "atom",
    seed: Optional[int] = None,
    comment: Optional[str] = None,
    progress: Progress = None,
) -> Grain:
    """Cuts a grain from the crystal of a CIF file (sphere, or cylinder of `height`),
    centred on its first atom site or the cell's origin, atom by atom or by whole motifs."""

def pdh(
    grain: Grain,
    bin_width: float = 0.001,
    *,
    threads: Optional[int] = None,
    method: Method = "auto",
    progress: Progress = None,
) -> Tuple[FloatArray, Union[CountArray, dict[str, CountArray]]]:
    """(r, counts): lower bin edges and int64 pair counts of the occupied bins; for
    two or more elements a dict of partial counts by pair name ("A-A", "A-B", ...)."""

def pattern(
    grain: Grain,
    *,
    anode: Optional[Anode] = None,
    wavelength: Optional[float] = None,
    start: float = 5.0,
    stop: float = 150.0,
    step: float = 0.1,
    intensity: Literal["S", "I"] = "S",
    abscissa: Literal["Q", "angle"] = "Q",
    bin_width: float = 0.001,
    threads: Optional[int] = None,
    method: Method = "auto",
    progress: Progress = None,
) -> Tuple[FloatArray, FloatArray]:
    """(x, y): the powder pattern as the .diff file holds it (Cu unless anode or
    wavelength is given; 2-theta range in degrees)."""

def gr(
    grain: Grain,
    *,
    window: Literal["lorch", "hamming", "none"] = "lorch",
    start: float = 0.0,
    stop: Optional[float] = None,
    step: float = 0.01,
    anode: Optional[Anode] = None,
    wavelength: Optional[float] = None,
    pattern_start: float = 5.0,
    pattern_stop: float = 150.0,
    pattern_step: float = 0.1,
    bin_width: float = 0.001,
    threads: Optional[int] = None,
    method: Method = "auto",
    progress: Progress = None,
) -> Tuple[FloatArray, FloatArray]:
    """(r, G): G(r) of the grain's powder pattern (stop defaults to the diameter)."""

def delta(
    ideal: Grain,
    modified: Grain,
    bin_width: float = 0.001,
    *,
    threads: Optional[int] = None,
    progress: Progress = None,
) -> Tuple[FloatArray, FloatArray]:
    """(r, delta): per bin the mean ideal pair distance and the mean relative change
    of the pairs' distances in `modified` (the same atoms displaced)."""

def element_table() -> Optional[str]:
    """Path of the element table the grains use, or None."""

"""The module's grains and results against grainix-cli's files and an
independent calculation; arrays in and out."""

import itertools
from pathlib import Path

import numpy as np
import pytest

import grainix
from conftest import rows

# The files print r, angles, S and G(r) with six decimals.
FILE_DIGITS = 5.1e-7

GRAINS = {
    "fcc Ni": (dict(structure="fcc", element="Ni", radius=8.0), ["--structure", "fcc", "--element", "Ni", "--radius", "8"]),
    "zinc blende ZnS": (
        dict(structure="zincblende", element="Zn", element2="S", radius=7.0),
        ["--structure", "zincblende", "--element", "Zn", "--element2", "S", "--radius", "7"],
    ),
    "stacked cylinder": (
        dict(structure="stacked", element="Ni", radius=7.0, sequence="ABAC", shape="cylinder"),
        ["--structure", "stacked", "--element", "Ni", "--radius", "7", "--sequence", "ABAC", "--shape", "cylinder"],
    ),
}


@pytest.mark.parametrize("name", GRAINS)
def test_results_equal_the_files_of_the_tool(tmp_path, cli, name):
    kwargs, args = GRAINS[name]
    structure = kwargs.pop("structure")
    cli(tmp_path, *args, "--bin", "0.01", "--range", "10:120:0.5", "--intensity", "I", "--abscissa", "angle",
        "--window", "hamming", "--gr-range", "0.5:9:0.05", "--write-pdh", "g.his", "--write-diffraction", "g.diff",
        "--write-gr", "g.grp", "--write-nodes", "cli.ndl")
    g = grainix.build(structure, **kwargs)

    r, counts = grainix.pdh(g, bin_width=0.01)
    his = rows(tmp_path / "g.his")
    np.testing.assert_allclose(r, his[:, 0], rtol=0, atol=FILE_DIGITS)
    if isinstance(counts, dict):
        a, b = g.elements
        assert list(counts) == [f"{a}-{a}", f"{a}-{b}", f"{b}-{b}"]
        table = np.column_stack(list(counts.values()))
    else:
        table = counts[:, None]
    np.testing.assert_array_equal(table, his[:, 1:].astype(np.int64))

    x, y = grainix.pattern(g, start=10, stop=120, step=0.5, intensity="I", abscissa="angle", bin_width=0.01)
    diff = rows(tmp_path / "g.diff")
    np.testing.assert_allclose(x, diff[:, 0], rtol=0, atol=FILE_DIGITS)
    np.testing.assert_allclose(y, diff[:, 1], rtol=0, atol=FILE_DIGITS)

    r, G = grainix.gr(g, window="hamming", start=0.5, stop=9, step=0.05, pattern_start=10, pattern_stop=120,
                      pattern_step=0.5, bin_width=0.01)
    grp = rows(tmp_path / "g.grp")
    np.testing.assert_allclose(r, grp[:, 0], rtol=0, atol=FILE_DIGITS)
    np.testing.assert_allclose(G, grp[:, 1], rtol=0, atol=FILE_DIGITS)

    # The nodes file differs only in the line that dates it.
    g.write(tmp_path / "py.ndl")
    undated = lambda p: [l for l in open(p) if not l.startswith("#date")]
    assert undated(tmp_path / "py.ndl") == undated(tmp_path / "cli.ndl")


def test_modified_grain_and_delta_equal_the_tool(tmp_path, cli):
    cli(tmp_path, "--structure", "fcc", "--element", "Ni", "--radius", "9", "--sections", "4.5:-2,9:1.5",
        "--bin", "0.01", "--write-pdh", "m.his", "--write-delta", "m.dij", "--write-diffraction", "m.diff")
    ideal = grainix.build("fcc", element="Ni", radius=9)
    modified = ideal.modify(sections=[(4.5, -2), (9, 1.5)])
    assert modified.modified and not ideal.modified
    assert len(modified) == len(ideal)
    # The same grain in one call, as the tool builds it.
    at_once = grainix.build("fcc", element="Ni", radius=9, sections=[(4.5, -2), (9, 1.5)])
    np.testing.assert_array_equal(at_once.positions, modified.positions)

    r, counts = grainix.pdh(modified, 0.01)
    np.testing.assert_array_equal(counts, rows(tmp_path / "m.his")[:, 1].astype(np.int64))
    x, y = grainix.pattern(modified, bin_width=0.01)
    np.testing.assert_allclose(y, rows(tmp_path / "m.diff")[:, 1], rtol=0, atol=FILE_DIGITS)

    r, d = grainix.delta(ideal, modified, bin_width=0.01)
    dij = rows(tmp_path / "m.dij")
    # The .dij file prints six significant digits.
    np.testing.assert_allclose(r, dij[:, 0], rtol=1e-5)
    np.testing.assert_allclose(d, dij[:, 1], rtol=1e-5, atol=1e-9)
    # The core shrinks, the shell grows: the nearest neighbours come closer on average.
    assert d[0] < 0


def test_a_read_grain_equals_the_tool_reading_it(tmp_path, cli):
    rng = np.random.default_rng(7)
    symbols = ["Pd", "Ni"] * 40
    positions = rng.uniform(-6, 6, (80, 3))
    grainix.Grain(symbols, positions).write(tmp_path / "atoms.xyz")
    cli(tmp_path, "--input", "atoms.xyz", "--bin", "0.05", "--write-pdh", "a.his")
    g = grainix.read_nodes(tmp_path / "atoms.xyz")
    assert g.elements == ["Pd", "Ni"]
    r, counts = grainix.pdh(g, 0.05)
    np.testing.assert_array_equal(np.column_stack(list(counts.values())),
                                  rows(tmp_path / "a.his")[:, 1:].astype(np.int64))


def test_a_cif_grain_equals_the_tool_cutting_it(tmp_path, cli):
    cif = str(Path(__file__).parents[1] / "data" / "cif" / "zns_sphalerite.cif")
    cli(tmp_path, "--cif", cif, "--radius", "9", "--cut", "motif", "--center", "origin", "--bin", "0.01",
        "--write-pdh", "z.his", "--write-nodes", "z.ndl")
    g = grainix.read_cif(cif, 9.0, cut="motif", center="origin")
    assert g.elements == ["Zn", "S"]
    r, counts = grainix.pdh(g, 0.01)
    np.testing.assert_array_equal(np.column_stack(list(counts.values())),
                                  rows(tmp_path / "z.his")[:, 1:].astype(np.int64))
    g.write(tmp_path / "py.ndl")
    undated = lambda p: [l for l in open(p) if not l.startswith("#date")]
    assert undated(tmp_path / "py.ndl") == undated(tmp_path / "z.ndl")
    with pytest.raises(ValueError, match="height"):
        grainix.read_cif(cif, 9.0, shape="cylinder")
    with pytest.raises(FileNotFoundError):
        grainix.read_cif(tmp_path / "missing.cif", 9.0)


def brute_force_partials(symbols, positions, width):
    """Pairs of each pair of elements per bin floor(d / width), by NumPy over every pair."""
    symbols = np.asarray(symbols)
    out = {}
    elements = list(dict.fromkeys(symbols))
    i, j = np.triu_indices(len(symbols), k=1)
    d = np.sqrt(((positions[i] - positions[j]) ** 2).sum(axis=1))
    bins = np.floor(d / width).astype(np.int64)
    for a, b in itertools.combinations_with_replacement(elements, 2):
        pair = ((symbols[i] == a) & (symbols[j] == b)) | ((symbols[i] == b) & (symbols[j] == a))
        out[f"{a}-{b}"] = np.bincount(bins[pair], minlength=bins.max() + 1)
    return out


class AseLike:
    """What Grain.from_atoms needs of an ase.Atoms, without ASE."""

    def __init__(self, symbols, positions):
        self._symbols, self._positions = list(symbols), np.asarray(positions)

    def get_chemical_symbols(self):
        return list(self._symbols)

    def get_positions(self):
        return self._positions.copy()


@pytest.mark.parametrize("elements", [["Ni", "Pd"], ["Ba", "Ti", "O"]])
def test_partials_of_an_ase_like_alloy_equal_the_sum_over_pairs(elements):
    rng = np.random.default_rng(3)
    # Interleaved elements, as other programs write an alloy.
    symbols = rng.choice(elements, size=300).tolist()
    symbols[: len(elements)] = elements
    positions = rng.uniform(-8, 8, (300, 3))
    g = grainix.Grain.from_atoms(AseLike(symbols, positions))
    assert g.elements == elements
    # Grouped by element, a stable reorder.
    order = np.argsort([elements.index(s) for s in symbols], kind="stable")
    np.testing.assert_array_equal(g.positions, positions[order])
    assert g.symbols == [symbols[k] for k in order]

    width = 0.05
    r, counts = grainix.pdh(g, bin_width=width)
    expected = brute_force_partials(symbols, positions, width)
    bins = np.rint(r / width).astype(np.int64)
    assert list(counts) == list(expected)
    for name, column in counts.items():
        assert column.dtype == np.int64 and column.shape == r.shape
        full = np.zeros(max(bins.max(), len(expected[name])) + 1, np.int64)
        full[bins] = column
        np.testing.assert_array_equal(full[: len(expected[name])], expected[name])
        assert full[len(expected[name]):].sum() == 0


def test_arrays_in_and_out_keep_dtype_and_shape():
    # Integers and float32 in a list-of-lists: taken as float64 (N, 3).
    positions = np.array([[0, 0, 0], [0, 0, 2], [0, 3, 0], [4, 0, 0]], dtype=np.float32)
    g = grainix.Grain(np.array(["Ni"] * 4), positions)
    p = g.positions
    assert p.dtype == np.float64 and p.shape == (4, 3)
    np.testing.assert_array_equal(p, positions.astype(np.float64))
    # A read-only view of the grain's atoms, not a copy; it outlives the name.
    assert not p.flags.writeable and not p.flags.owndata
    with pytest.raises(ValueError):
        p[0, 0] = 1.0
    del g
    np.testing.assert_array_equal(p, positions.astype(np.float64))

    g = grainix.Grain(["Ni"] * 4, positions.tolist())
    r, counts = grainix.pdh(g, bin_width=0.5)
    assert r.dtype == np.float64 and counts.dtype == np.int64 and r.shape == counts.shape
    # Distances 2, 3, 4, sqrt(13), sqrt(20), 5: bins of 0.5 Angs.
    np.testing.assert_array_equal(r, [2.0, 3.0, 3.5, 4.0, 5.0])
    np.testing.assert_array_equal(counts, [1, 1, 1, 2, 1])

    x, y = grainix.pattern(grainix.build("sc", element="Ni", lattice=3.5, radius=5), step=1)
    assert x.dtype == y.dtype == np.float64 and x.shape == y.shape and x.ndim == 1 and len(x) > 100

#!/usr/bin/python3
"""Writes data/scFact.sft, the element table the program loads at start-up.

Run with Debian's interpreter (packages python3-gemmi, python3-periodictable):
    /usr/bin/python3 tools/make_scfact.py [output]   (default: data/scFact.sft)

One record per neutral atom H ... Cf (Z = 1 ... 98), the elements of the
International Tables four-Gaussian set:
  a1..a4, b1..b4, c  -- IT92 coefficients as packaged in gemmi
                        (gemmi.Element(sym).it92: f(s) = c + sum a_i exp(-b_i s^2),
                        s = sin(theta)/lambda), the form the program evaluates;
  mass               -- standard atomic weight from gemmi (Element.weight);
  latt, lc           -- crystal structure and lattice constant (Angs) from
                        periodictable's crystal-structure data;
  td                 -- Debye temperature (K) from the table below;
  bcoh               -- bound coherent neutron scattering length (fm) of the
                        natural element, periodictable's neutron table
                        (Element.neutron.b_c), which reproduces
                        H. Rauch and W. Waschkowski, "Neutron scattering
                        lengths", in ILL Neutron Data Booklet, 2nd ed.,
                        A.-J. Dianoux and G. Lander (eds.), Old City
                        Publishing 2003, pp. 1.1-1 to 1.1-17 (the
                        successor of V. F. Sears, Neutron News 3 (3),
                        26-37, 1992). For strong absorbers (Cd, Sm, Gd, ...)
                        the real part is written. Elements the table gives
                        no length for (Po, At, Rn, Fr, Cf, ...) get no key.

Lattice types: fcc -> "fcc", BCC -> "bcc", SC -> "sc", Diamond -> "dm",
hcp -> "hcp"; any other structure is written under its own symmetry name
(the program then offers its "random" choice), with lc = a when a is known.
For hcp elements lc is written as a*sqrt(2), because the stacking window
derives its in-layer atom spacing as lc/sqrt(2).
Keys without a known value are left out; the program then uses its defaults.
"""
import math
import sys

import gemmi
import periodictable

# Debye temperatures in K (low-temperature limit) from C. Kittel, Introduction
# to Solid State Physics, 8th ed., Wiley 2005, Chapter 5, Table 1 "Debye
# temperature and thermal conductivity". Carbon is the diamond value.
DEBYE_TEMPERATURE = {
    "Li": 344, "Be": 1440, "C": 2230, "Ne": 75,
    "Na": 158, "Mg": 400, "Al": 428, "Si": 645, "Ar": 92,
    "K": 91, "Ca": 230, "Sc": 360, "Ti": 420, "V": 380, "Cr": 630, "Mn": 410,
    "Fe": 470, "Co": 445, "Ni": 450, "Cu": 343, "Zn": 327, "Ga": 320,
    "Ge": 374, "As": 282, "Se": 90, "Kr": 72,
    "Rb": 56, "Sr": 147, "Y": 280, "Zr": 291, "Nb": 275, "Mo": 450,
    "Ru": 600, "Rh": 480, "Pd": 274, "Ag": 225, "Cd": 209, "In": 108,
    "Sn": 200, "Sb": 211, "Te": 153, "Xe": 64,
    "Cs": 38, "Ba": 110, "La": 142, "Gd": 200, "Dy": 210, "Yb": 120,
    "Lu": 210, "Hf": 252, "Ta": 240, "W": 400, "Re": 430, "Os": 500,
    "Ir": 420, "Pt": 240, "Au": 165, "Hg": 71.9, "Tl": 78.5, "Pb": 105,
    "Bi": 119, "Th": 163, "U": 207,
}

LATTICE_NAMES = {"fcc": "fcc", "BCC": "bcc", "SC": "sc", "Diamond": "dm", "hcp": "hcp"}


def text(value):
    """Shortest text that reads back as the same number ("12.8376", "450")."""
    if float(value) == int(value) and abs(value) < 1e15:
        return str(int(value))
    return repr(float(value))


def record(z):
    symbol = periodictable.elements[z].symbol
    element = gemmi.Element(symbol)
    assert element.atomic_number == z, symbol
    it92 = element.it92
    keys = []
    for i in range(4):
        keys.append((f"a{i + 1}", text(it92.a[i])))
        keys.append((f"b{i + 1}", text(it92.b[i])))
    keys.append(("c", text(it92.c)))
    structure = periodictable.elements[z].crystal_structure
    if structure:
        symmetry = structure["symmetry"]
        latt = LATTICE_NAMES.get(symmetry, symmetry)
        if "a" in structure:
            a = structure["a"]
            # hcp: store a*sqrt(2); the stacking window takes lc/sqrt(2) as the in-layer spacing.
            lc = round(a * math.sqrt(2), 6) if latt == "hcp" else a
            keys.append(("lc", text(lc)))
        keys.append(("latt", latt))
    if symbol in DEBYE_TEMPERATURE:
        keys.append(("td", text(DEBYE_TEMPERATURE[symbol])))
    keys.append(("mass", text(element.weight)))
    b_c = periodictable.elements[z].neutron.b_c
    if b_c is not None:
        keys.append(("bcoh", text(b_c)))
    return symbol, keys


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "data/scFact.sft"
    records = [record(z) for z in range(1, 99)]
    lines = ["[gen]", f"num={len(records)}"]
    lines += [f"nam{i}={symbol}" for i, (symbol, _) in enumerate(records, start=1)]
    for symbol, keys in records:
        lines.append("")
        lines.append(f"[{symbol}]")
        lines += [f"{k}={v}" for k, v in keys]
    with open(out, "w", newline="\n") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()

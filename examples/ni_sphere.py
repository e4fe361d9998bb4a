"""A nickel sphere of radius 20 Angstrom: its pair-distance histogram, powder
pattern (Cu radiation) and G(r), plotted with matplotlib when it is installed,
else printed.

    PYTHONPATH=build/python /usr/bin/python3 examples/ni_sphere.py
"""

import grainix

grain = grainix.build("fcc", element="Ni", radius=20.0, lattice=3.52)
print(grain, "element table:", grainix.element_table())

r, counts = grainix.pdh(grain, bin_width=0.01)
q, s = grainix.pattern(grain, anode="Cu", start=5, stop=150, step=0.1, intensity="S", abscissa="Q", bin_width=0.01)
rg, g = grainix.gr(grain, window="lorch", start=0, stop=20, step=0.01, bin_width=0.01)

try:
    import matplotlib.pyplot as plt
except ImportError:
    plt = None

if plt is None:
    print("nearest distances (Angs) and pairs:")
    for k in range(5):
        print(f"  {r[k]:6.2f} {counts[k]:8d}")
    top = s.argmax()
    print(f"strongest S(Q) = {s[top]:.2f} at Q = {q[top]:.3f} 1/Angs ({len(q)} points)")
    first = rg[g.argmax()]
    print(f"first G(r) maximum at r = {first:.2f} Angs (a/sqrt(2) = {3.52 / 2 ** 0.5:.2f})")
else:
    fig, (a, b, c) = plt.subplots(3, 1, figsize=(7, 9))
    a.vlines(r, 0, counts)
    a.set(xlabel="r [Angs]", ylabel="pairs", title=str(grain))
    b.plot(q, s)
    b.set(xlabel="Q [1/Angs]", ylabel="S(Q)")
    c.plot(rg, g)
    c.set(xlabel="r [Angs]", ylabel="G(r)")
    fig.tight_layout()
    plt.show()

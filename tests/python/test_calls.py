"""Long calls (GIL, Ctrl-C, progress) and refused arguments."""

import os
import signal
import threading
import time

import numpy as np
import pytest

import grainix


@pytest.fixture(scope="module")
def big():
    """A grain whose PDH over every pair on one thread takes several seconds (about 1e5 atoms)."""
    return grainix.build("fcc", element="Ni", radius=65.0)


@pytest.fixture(scope="module")
def small():
    return grainix.build("fcc", element="Ni", radius=6.0)


class Enough(Exception):
    pass


def test_a_long_pdh_lets_other_threads_run():
    grain = grainix.build("fcc", element="Ni", radius=55.0)  # about 65000 atoms, 2e9 pairs
    stamps = []
    running = threading.Event()
    stop = threading.Event()

    def count():
        n = 0
        running.set()
        while not stop.is_set():
            n += 1
            if n % 1000 == 0:
                stamps.append(time.monotonic())

    counter = threading.Thread(target=count)
    counter.start()
    running.wait()
    try:
        started = time.monotonic()
        grainix.pdh(grain, bin_width=0.001, threads=1, method="pairs")
        ended = time.monotonic()
    finally:
        stop.set()
        counter.join()
    assert ended - started > 0.3
    # A call that held the GIL would leave the counter stopped while it ran.
    inside = [t for t in stamps if started + 0.1 < t < ended - 0.1]
    assert len(inside) > 10


def test_ctrl_c_stops_a_long_pdh_within_a_second(big):
    sent = []

    def interrupt():
        sent.append(time.monotonic())
        os.kill(os.getpid(), signal.SIGINT)

    timer = threading.Timer(0.5, interrupt)
    started = time.monotonic()
    timer.start()
    try:
        with pytest.raises(KeyboardInterrupt):
            grainix.pdh(big, bin_width=0.001, threads=1, method="pairs")
    finally:
        timer.cancel()
    stopped = time.monotonic()
    assert sent, "the calculation ended before the signal"
    assert stopped - sent[0] < 1.0
    # The engine stopped too: the next call runs at once on the same grain.
    r, counts = grainix.pdh(big, bin_width=0.5)
    assert counts.sum() == len(big) * (len(big) - 1) // 2
    assert stopped - started < 5.0


def test_progress_reports_the_gauge_of_a_call(big):
    seen = []

    def report(step, done, total):
        seen.append((step, done, total))
        if len(seen) == 4:
            raise Enough()

    with pytest.raises(Enough):
        grainix.pdh(big, bin_width=0.01, threads=1, method="pairs", progress=report)
    pdh = [(done, total) for step, done, total in seen if step == "PDH"]
    assert len(pdh) >= 2
    done = [d for d, _ in pdh]
    assert done == sorted(done) and done[-1] > done[0]
    assert all(isinstance(d, int) and 0 <= d <= t for d, t in pdh)


def refusals():
    g = grainix.build("fcc", element="Ni", radius=6.0)
    other = grainix.build("fcc", element="Ni", radius=5.0)
    cases = [
        # (call, exception, words of the message)
        (lambda: grainix.build("fcc", element="Ni", radius=-1), ValueError, "radius"),
        (lambda: grainix.build("hexagonal", element="Ni", radius=5), ValueError, "structure"),
        (lambda: grainix.build("fcc", element="Xx", radius=5), ValueError, "Xx is not in the element table"),
        (lambda: grainix.build("fcc", element="Ni"), ValueError, "radius: required"),
        (lambda: grainix.build("fcc", element="Ni", radius=5, radius_lp=2), ValueError, "radius_lp"),
        (lambda: grainix.build("fcc", element="Ni", radius="big"), TypeError, ""),
        (lambda: grainix.build("zincblende", element="Zn", radius=5), ValueError, "element2"),
        (lambda: grainix.build("fcc", element="Ni", radius=5, shape="cylinder"), ValueError, "shape"),
        (lambda: grainix.build("stacked", element="Ni", radius=5, sequence="ABD"), ValueError, "Unknown letter"),
        (lambda: grainix.Grain(["Ni"], [[0.0, 0.0]]), ValueError, "(N, 3)"),
        (lambda: grainix.Grain(["Ni", "Ni"], [[0.0, 0.0, 0.0]]), ValueError, "2 symbols for 1 positions"),
        (lambda: grainix.Grain("NiNi", [[0.0, 0.0, 0.0]] * 4), TypeError, "symbols"),
        (lambda: grainix.Grain(["Ni"], [["a", "b", "c"]]), TypeError, "positions"),
        (lambda: grainix.Grain(["Ni", "Ni"], [[0, 0, 0], [np.nan, 0, 0]]), ValueError, "not finite"),
        (lambda: grainix.Grain([], np.zeros((0, 3))), ValueError, "No atoms"),
        (lambda: grainix.Grain.from_atoms(object()), TypeError, "get_chemical_symbols"),
        (lambda: grainix.read_nodes("no-such-grain.ndl"), FileNotFoundError, "no-such-grain.ndl"),
        (lambda: g.modify(), ValueError, "sections or thermal"),
        (lambda: g.modify(sections=[(100, 1)]), ValueError, "exceeded value of grain radius"),
        (lambda: g.modify(sections=[(3, 1), (2, 1)]), ValueError, "sections"),
        (lambda: g.modify(thermal="uniform"), ValueError, "temperature"),
        (lambda: g.modify(thermal="hot", temperature=300), ValueError, "thermal"),
        (lambda: g.write("/no/such/folder/g.xyz"), OSError, "g.xyz"),
        (lambda: grainix.pdh(g, bin_width=0), ValueError, "bin_width"),
        (lambda: grainix.pdh(g, method="fast"), ValueError, "method"),
        (lambda: grainix.pdh(g, threads=-2), ValueError, "threads"),
        (lambda: grainix.pdh("grain"), TypeError, ""),
        (lambda: grainix.pdh(grainix.Grain(["Ni"], [[0, 0, 0]])), ValueError, "fewer than 2 nodes"),
        (lambda: grainix.pattern(g, anode="Cu", wavelength=1.5), ValueError, "wavelength"),
        (lambda: grainix.pattern(g, anode="Fe"), ValueError, "anode"),
        (lambda: grainix.pattern(g, start=10, stop=5), ValueError, "start/stop/step"),
        (lambda: grainix.pattern(grainix.Grain(["Qq", "Qq"], np.eye(2, 3))), ValueError, "not defined"),
        (lambda: grainix.gr(g, window="hann"), ValueError, "window"),
        (lambda: grainix.gr(g, start=1, stop=1, step=0.1), ValueError, "start/stop/step"),
        (lambda: grainix.delta(g, other), ValueError, ""),
    ]
    return cases


@pytest.mark.parametrize("call,exception,words", refusals())
def test_bad_arguments_raise_with_the_program_message(call, exception, words):
    with pytest.raises(exception) as raised:
        call()
    assert words in str(raised.value)
    # No option name of the command-line tool leaks into the message.
    assert "--" not in str(raised.value)


def test_a_grain_is_shared_by_threads(small):
    expected = grainix.pdh(small, 0.01)[1]
    results = [None] * 4

    def run(k):
        results[k] = grainix.pdh(small, 0.01)[1]

    threads = [threading.Thread(target=run, args=(k,)) for k in range(4)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    for counts in results:
        np.testing.assert_array_equal(counts, expected)

"""Shared helpers of the module's tests: grainix-cli and its files."""

import os
import subprocess

import numpy as np
import pytest


@pytest.fixture(scope="session")
def cli():
    """Runs grainix-cli with the given options in `folder`; fails on a non-zero exit."""
    exe = os.environ.get("GRAINIX_CLI")
    if not exe:
        pytest.skip("GRAINIX_CLI is not set")

    def run(folder, *args):
        done = subprocess.run([exe, "--quiet", *args], cwd=folder, capture_output=True, text=True)
        assert done.returncode == 0, done.stderr
        return done

    return run


def rows(path):
    """The numeric rows of a data file written by the program (header lines start with '#')."""
    data = [line.split() for line in open(path) if line.strip() and not line.startswith("#")]
    return np.array(data, dtype=float)

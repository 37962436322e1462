#!/usr/bin/env python3
"""Share of the ideal picture's fine detail that a shown picture keeps.

Both pictures have the size of the screen area (device pixels). Detail is
what a Gaussian blur of one device pixel (sigma 1) removes from the
luminance: the band that a 1x picture, enlarged twice, cannot hold. The share
is the projection of the shown picture's detail onto the ideal's,
    share = sum(d_shown * d_ideal) / sum(d_ideal * d_ideal),
so detail that is missing, blurred or misplaced lowers it, and noise that the
ideal does not have does not raise it. 1.0 keeps all of it.
Usage: detail_share.py IDEAL SHOWN
"""
import subprocess
import sys


def detail(path):
    """Luminance minus its blur, as 16-bit numbers, through ImageMagick."""
    def gray(*ops):
        out = subprocess.run(["convert", path, "-colorspace", "Gray", *ops, "-depth", "16", "-endian", "LSB", "gray:-"],
                             check=True, capture_output=True).stdout
        return memoryview(out).cast("H")
    sharp, blurred = gray(), gray("-gaussian-blur", "0x1")
    return [a - b for a, b in zip(sharp, blurred)]


ideal, shown = detail(sys.argv[1]), detail(sys.argv[2])
if len(ideal) != len(shown):
    sys.exit("the pictures differ in size")
print(f"{sum(a * b for a, b in zip(shown, ideal)) / sum(a * a for a in ideal):.3f}")

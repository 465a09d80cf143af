#!/usr/bin/python3
"""Motion of a pan, measured from its frames: the displacement between
consecutive frames by phase correlation (frequencies below a quarter cycle a
pixel; sub-pixel: the correlation's peak
found on a 1/200-pixel grid by an upsampled inverse transform), its
standard deviation, and the mean jerk (second difference).
    camera_smoothness.py VIDEO WIDTH HEIGHT
Decodes VIDEO with ffmpeg to grey frames of WIDTH x HEIGHT."""
import subprocess
import sys

import numpy as np

BAND = 0.25  # cycles a pixel taken into the correlation


def frames(path, width, height):
    raw = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-f", "rawvideo", "-pix_fmt", "gray", "-"],
                         check=True, stdout=subprocess.PIPE).stdout
    return np.frombuffer(raw, np.uint8).reshape(-1, height, width).astype(np.float64)


def shift(a, b):
    """How far b's content moved left against a, in pixels (sub-pixel)."""
    window = np.hanning(a.shape[1])[None, :] * np.hanning(a.shape[0])[:, None]
    fa = np.fft.fft2((a - a.mean()) * window)
    fb = np.fft.fft2((b - b.mean()) * window)
    cross = fa * np.conj(fb)
    cross /= np.abs(cross) + 1e-12
    # Up to a quarter cycle a pixel: above it, the frames hold little but the
    # noise of any resampling, which whitening would weigh as much as detail.
    fy = np.abs(np.fft.fftfreq(a.shape[0]))[:, None]
    fx = np.abs(np.fft.fftfreq(a.shape[1]))[None, :]
    cross[(fx > BAND) | (fy > BAND)] = 0
    corr = np.fft.ifft2(cross).real
    y, x = np.unravel_index(np.argmax(corr), corr.shape)
    w = corr.shape[1]
    # Refined on a grid of 1/200 pixel around the peak by evaluating the
    # inverse transform there (an upsampled DFT), along x at the peak's row.
    rows = np.exp(2j * np.pi * np.fft.fftfreq(corr.shape[0]) * y)
    along = (cross * rows[:, None]).sum(axis=0)
    freqs = np.fft.fftfreq(w)
    grid = x + np.arange(-1.0, 1.0, 0.005)
    values = (np.exp(2j * np.pi * np.outer(grid, freqs)) @ along).real
    dx = grid[np.argmax(values)]
    return dx - w if dx > w / 2 else dx


def main():
    path, width, height = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    f = frames(path, width, height)
    d = np.array([shift(f[i], f[i + 1]) for i in range(len(f) - 1)])
    jerk = np.abs(np.diff(d))
    print(f"{path}: {len(f)} frames, displacement mean {d.mean():.4f} px, standard deviation {d.std():.4f} px, "
          f"jerk mean {jerk.mean():.4f} px/frame², max {jerk.max():.4f}")


if __name__ == "__main__":
    main()

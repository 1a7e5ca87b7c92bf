#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The offline measurement of `vireon-headless --offline --format csv`, done
with numpy as a yardstick for its throughput: read a 16-bit stereo WAV file,
take the sum channel ((L + R) / 2, truncated as integers are), cut blocks of
N frames (a last piece shorter than N is no block), apply the Hann window,
transform, and find the strongest local maximum from bin 1 up, refined by a
parabola through the log magnitudes; level in dBFS of a sine's amplitude,
no peak below -90 dBFS.

    bench/headless_reference.py FILE.wav N [--csv OUT.csv]

Prints one line "blocks=B cpu_s=C" (process CPU time of reading and
measuring, interpreter start and imports excluded) and with --csv writes
time_s,peak_hz,peak_dbfs per block as the headless tool does."""
import sys
import time
import wave

import numpy as np

SAMPLE_SCALE = 3.051850947599719e-05  # 1 / 32767
FLOOR_DB = -90.0
BLOCKS_AT_ONCE = 256  # bounds the memory of the spectra


def hann(n):
    i = np.arange(n, dtype=np.float64)
    return (1.0 - np.cos(2.0 * np.pi * i / (n - 1))) * 0.5


def peaks(magnitudes, bin_width, window_gain):
    """Frequency (Hz) and level (dBFS) of each row's peak; NaN for none."""
    count = magnitudes.shape[1]
    m = magnitudes
    rises = np.ones_like(m, dtype=bool)
    rises[:, 1:] = m[:, 1:] >= m[:, :-1]
    falls = np.ones_like(m, dtype=bool)
    falls[:, :-1] = m[:, :-1] >= m[:, 1:]
    candidates = np.where(rises & falls, m, 0.0)
    candidates[:, 0] = 0.0  # the band starts at bin 1
    k = np.argmax(candidates, axis=1)  # the first of equals, as a strict > scan
    rows = np.arange(m.shape[0])
    strongest = candidates[rows, k]
    found = strongest > 0.0
    with np.errstate(divide="ignore", invalid="ignore"):
        log_peak = np.log(strongest)
        inner = (k > 0) & (k < count - 1)
        left = m[rows, np.clip(k - 1, 0, count - 1)]
        right = m[rows, np.clip(k + 1, 0, count - 1)]
        usable = inner & (left > 0.0) & (right > 0.0)
        a = np.log(np.where(usable, left, 1.0))
        c = np.log(np.where(usable, right, 1.0))
        curvature = a - 2.0 * log_peak + c
        bend = usable & (curvature < 0.0)
        offset = np.where(bend, np.clip(0.5 * (a - c) / np.where(bend, curvature, -1.0), -0.5, 0.5), 0.0)
        log_peak = log_peak - np.where(bend, 0.25 * (a - c) * offset, 0.0)
        twin = np.where((k == 0) | (k == count - 1), 1.0, 2.0)
        level = 20.0 * (log_peak + np.log(twin / window_gain)) / np.log(10.0)
    found &= level >= FLOOR_DB
    frequency = (k + offset) * bin_width
    return np.where(found, frequency, np.nan), np.where(found, level, np.nan)


def measure(path, n):
    with wave.open(path, "rb") as w:
        if w.getsampwidth() != 2 or w.getnchannels() != 2:
            sys.exit(f"{path}: not 16-bit stereo")
        rate = w.getframerate()
        raw = w.readframes(w.getnframes())
    frames = np.frombuffer(raw, dtype="<i2").reshape(-1, 2)
    blocks = frames.shape[0] // n
    window = hann(n)
    gain = window.mean()
    freq = np.empty(blocks)
    level = np.empty(blocks)
    for first in range(0, blocks, BLOCKS_AT_ONCE):
        last = min(blocks, first + BLOCKS_AT_ONCE)
        part = frames[first * n:last * n].astype(np.int32)
        summed = np.trunc((part[:, 0] + part[:, 1]) / 2.0)
        x = (summed * SAMPLE_SCALE).reshape(-1, n) * window
        magnitudes = np.abs(np.fft.rfft(x, axis=1)) / n
        freq[first:last], level[first:last] = peaks(magnitudes, rate / n, gain)
    return rate, freq, level


def main():
    args = sys.argv[1:]
    if len(args) not in (2, 4) or (len(args) == 4 and args[2] != "--csv"):
        sys.exit(__doc__)
    n = int(args[1])
    start = time.process_time()
    rate, freq, level = measure(args[0], n)
    cpu = time.process_time() - start
    if len(args) == 4:
        with open(args[3], "w") as out:
            out.write("time_s,peak_hz,peak_dbfs\n")
            for i, (f, db) in enumerate(zip(freq, level)):
                t = i * n / rate
                out.write(f"{t:.6f},,\n" if np.isnan(f) else f"{t:.6f},{f:.3f},{db:.2f}\n")
    print(f"blocks={len(freq)} cpu_s={cpu:.6f}")


if __name__ == "__main__":
    main()

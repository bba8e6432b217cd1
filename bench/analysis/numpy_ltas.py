"""`zevrin --analyse` against numpy computing the same long-term average spectrum.

Writes a ten-minute 48 kHz stereo 16-bit WAV (a tone in noise on each channel, as
bench/engine/file_analysis_bench.cpp writes it), then, three times in turn, measures the
CPU time of

- zevrin --analyse FILE --dual --bandwidth 10 --ltas (frames of 9600 samples, Hamming
  window, 16384-point FFT), with the 1 Hz high-pass off, which numpy does not do, and
  once more as the program's default has it, on;
- numpy reading the same file and computing the same LTAS: the mean of each frame taken
  away, the same Hamming window, numpy.fft.rfft(n=16384) over a batch of frames at a
  time, magnitudes scaled by 1 / 9600, averaged over all frames.

It checks that both give the same LTAS (largest difference in dB over the bins above
20 Hz) and prints the fastest CPU time of each and their ratio. Usage:
numpy_ltas.py PATH_TO_ZEVRIN
"""

import csv
import os
import resource
import subprocess
import sys
import tempfile
import time
import wave

import numpy as np

RATE = 48000
SECONDS = 600
FRAME = 9600
N = 16384
BATCH = 256
ROUNDS = 3


def write_recording(path):
    """A tone in noise on the left, another on the right, a minute at a time."""
    with wave.open(path, "wb") as w:
        w.setnchannels(2)
        w.setsampwidth(2)
        w.setframerate(RATE)
        rng = np.random.default_rng(1)
        for minute in range(SECONDS // 60):
            t = (np.arange(60 * RATE) + minute * 60 * RATE) / RATE
            n = rng.integers(-2048, 2048, size=t.size)
            left = 8000 * np.sin(2 * np.pi * 1000 * t) + n
            right = 6000 * np.sin(2 * np.pi * 440 * t) - n
            both = np.empty(2 * t.size, dtype=np.int16)
            both[0::2] = left.astype(np.int16)
            both[1::2] = right.astype(np.int16)
            w.writeframes(both.tobytes())


def hamming(length):
    """The analyser's Hamming window: symmetric over the frame, 0.54 - 0.46 cos."""
    n = np.arange(length)
    return 0.54 - 0.46 * np.cos(2 * np.pi * n / (length - 1))


def numpy_ltas(path):
    with wave.open(path, "rb") as w:
        data = np.frombuffer(w.readframes(w.getnframes()), dtype=np.int16)
    channels = data.reshape(-1, 2).T.astype(np.float64)
    frames = channels.shape[1] // FRAME
    window = hamming(FRAME)
    ltas = []
    for ch in channels:
        x = ch[: frames * FRAME].reshape(frames, FRAME)
        total = np.zeros(N // 2 + 1)
        for start in range(0, frames, BATCH):
            batch = x[start : start + BATCH]
            batch = (batch - batch.mean(axis=1, keepdims=True)) * window
            total += np.abs(np.fft.rfft(batch, n=N, axis=1)).sum(axis=0)
        ltas.append(total / frames / FRAME)
    return ltas


def children_cpu():
    r = resource.getrusage(resource.RUSAGE_CHILDREN)
    return r.ru_utime + r.ru_stime


def run_zevrin(zevrin, path, out, highpass):
    home = tempfile.mkdtemp(prefix="zevrin_home_")
    env = dict(os.environ, ZEVRIN_HOME=home)
    env.setdefault("QT_QPA_PLATFORM", "offscreen")
    before = children_cpu()
    subprocess.run(
        [zevrin, "--analyse", path, "--dual", "--bandwidth", "10", "--ltas",
         "--highpass", highpass, "--csv", out],
        check=True, env=env, stderr=subprocess.DEVNULL)
    return children_cpu() - before


def zevrin_levels(out):
    with open(out) as f:
        text = f.read()
    delimiter = "\t" if "\t" in text.splitlines()[0] else ","
    rows = list(csv.reader(text.splitlines(), delimiter=delimiter))
    header = rows[0]
    cols = {name: header.index(name) for name in header}
    def column(name):  # a level that failed is empty
        return np.array([float(r[cols[name]]) if r[cols[name]] else np.nan for r in rows[1:]])

    freq = column(header[0])
    left = column("Left LTAS")
    right = column("Right LTAS")
    return freq, left, right


def main():
    zevrin = sys.argv[1]
    with tempfile.TemporaryDirectory(prefix="zevrin_numpy_") as tmp:
        path = os.path.join(tmp, "ten_minutes.wav")
        out = os.path.join(tmp, "ltas.csv")
        write_recording(path)
        times = {"zevrin, high-pass off": [], "zevrin, high-pass on": [], "numpy": []}
        for _ in range(ROUNDS):
            times["zevrin, high-pass off"].append(run_zevrin(zevrin, path, out, "off"))
            freq, left, right = zevrin_levels(out)
            start = time.process_time()
            ltas = numpy_ltas(path)
            times["numpy"].append(time.process_time() - start)
            times["zevrin, high-pass on"].append(run_zevrin(zevrin, path, os.devnull, "on"))
        above = freq > 20
        diff = max(
            np.max(np.abs(left[above] - 20 * np.log10(ltas[0][above]))),
            np.max(np.abs(right[above] - 20 * np.log10(ltas[1][above]))))
        print(f"file: {SECONDS} s, {RATE} Hz, stereo, 16-bit; frames of {FRAME} samples, "
              f"N = {N}, Hamming, LTAS of both channels")
        print(f"same LTAS: largest difference above 20 Hz {diff:.2e} dB")
        for name, t in times.items():
            print(f"{name}: CPU {min(t):.3f} s (runs: {', '.join(f'{v:.3f}' for v in t)})")
        best_numpy = min(times["numpy"])
        for name in ("zevrin, high-pass off", "zevrin, high-pass on"):
            print(f"numpy / {name} = {best_numpy / min(times[name]):.2f} (goal at least 5)")
        if diff > 1e-6:
            print("the two LTAS differ: the comparison is not of the same work")
            return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())

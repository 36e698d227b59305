#!/usr/bin/env python3
"""Benchmarks of the conversion run, on media generated here.

(a) Wall time of an automatic conversion through Frobnik
    (frobnik -inName=<clip> -format=<fmt> -acm=autoClose) against the same
    encoder command run directly, for MP4 and MP3: several runs each, medians
    and ratio. The fixed one-second delay of the automatic start is reported
    separately.
(b) Time from a Stop click in the real window to the encoder being gone,
    and from a SIGTERM to the program to the same (helper bench_stop, built
    from bench/).
(c) Frobnik's own CPU use while it waits on a running encoder.

Usage: bench/run_bench.py [--build DIR] [--runs N] [--no-build]
Every run uses its own settings and data folders and no network.
Not a test: the figures depend on the machine.
"""

import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

REPO = Path(__file__).resolve().parent.parent
AUTO_START_DELAY = 1.0  # seconds: the automatic start's one-shot timer


def run(cmd, **kw):
    return subprocess.run(cmd, check=True, **kw)


def make_clip(path, seconds, size):
    run(["ffmpeg", "-v", "error", "-y",
         "-f", "lavfi", "-i", f"testsrc2=size={size}:rate=25",
         "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=48000",
         "-t", str(seconds), "-c:v", "libx264", "-preset", "ultrafast",
         "-pix_fmt", "yuv420p", "-c:a", "aac", str(path)])


def isolated_env(root, extra=None):
    env = dict(os.environ)
    for name in ("HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"):
        folder = root / name.lower()
        folder.mkdir(parents=True, exist_ok=True)
        env[name] = str(folder)
    env["QT_QPA_PLATFORM"] = "offscreen"
    # The quiet update check goes to a closed local port, never the network.
    env["FROBNIK_UPDATE_URL"] = "http://127.0.0.1:9/update.php"
    env.pop("FROBNIK_ENCODER", None)
    # No session bus: the taskbar progress and any notice stay silent.
    env.pop("DBUS_SESSION_BUS_ADDRESS", None)
    env.update(extra or {})
    return env


def children_of(pid):
    found = []
    for entry in Path("/proc").iterdir():
        if not entry.name.isdigit():
            continue
        try:
            stat = (entry / "stat").read_text()
        except OSError:
            continue
        fields = stat[stat.rindex(")") + 2:].split()
        if fields[1] == str(pid):
            found.append(int(entry.name))
    return found


def cpu_seconds(pid):
    """Time on a CPU of all threads of the process (not of its children), from
    the scheduler's nanosecond counters."""
    total = 0
    for task in Path(f"/proc/{pid}/task").iterdir():
        try:
            total += int((task / "schedstat").read_text().split()[0])
        except (OSError, ValueError, IndexError):
            pass
    return total / 1e9


def frobnik_auto(program, clip, fmt, env, timeout=300):
    """One automatic conversion; returns its wall time in seconds."""
    start = time.monotonic()
    proc = subprocess.run([str(program), f"-inName={clip}", f"-format={fmt}",
                           "-acm=autoClose"], env=env, timeout=timeout,
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    elapsed = time.monotonic() - start
    if proc.returncode != 0:
        raise RuntimeError(f"frobnik ended with {proc.returncode}")
    return elapsed


def capture_command(program, clip, fmt, out, root):
    """The encoder command Frobnik runs for this conversion, as an argument list."""
    log = root / "captured"
    log.mkdir(exist_ok=True)
    wrapper = root / "encoder-wrapper"
    wrapper.write_text("#!/bin/sh\nprintf '%s\\0' \"$@\" > \"" + str(log) +
                       "/$$\"\nexec ffmpeg \"$@\"\n")
    wrapper.chmod(0o755)
    out.unlink(missing_ok=True)
    frobnik_auto(program, clip, fmt,
                 isolated_env(root / "capture", {"FROBNIK_ENCODER": str(wrapper)}))
    for entry in log.iterdir():
        args = entry.read_bytes().split(b"\0")[:-1]
        if b"-progress" in args:
            shutil.rmtree(log)
            return [a.decode() for a in args]
    raise RuntimeError("Frobnik never started the encoder (automatic mode not applied?)")


def bench_wall_times(program, root, runs):
    clip = root / "media" / "clip.mkv"
    print(f"(a) automatic conversion vs the same ffmpeg command, {runs} runs each,"
          " 10 s 640x360 clip")
    print(f"    {'format':6} {'Frobnik':>9} {'direct':>9} {'ratio':>6}"
          f" {'Frobnik-1s':>11} {'ratio':>6} {'overhead':>9}")
    for fmt in ("mp4", "mp3"):
        out = clip.with_suffix("." + fmt)
        args = capture_command(program, clip, fmt, out, root)
        progress_index = args.index("-progress") + 1
        frob, direct = [], []
        for i in range(runs):
            out.unlink(missing_ok=True)
            frob.append(frobnik_auto(program, clip, fmt,
                                     isolated_env(root / f"run-{fmt}-{i}")))
            if not out.exists() or out.stat().st_size == 0:
                raise RuntimeError(f"no {fmt} output from Frobnik")
            out.unlink()
            args[progress_index] = str(root / "direct-progress.txt")
            start = time.monotonic()
            run(["ffmpeg"] + args, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            direct.append(time.monotonic() - start)
        f, d = statistics.median(frob), statistics.median(direct)
        net = f - AUTO_START_DELAY
        print(f"    {fmt:6} {f:8.3f}s {d:8.3f}s {f / d:6.2f} {net:10.3f}s {net / d:6.2f}"
              f" {net - d:8.3f}s")
    print(f"    (Frobnik-1s leaves out the fixed {AUTO_START_DELAY:.0f} s automatic-start"
          " delay; overhead = Frobnik-1s - direct: start-up, what of the probe the delay does not cover, shutdown)")


def bench_stop(build, root, runs):
    helper = build / "bench" / "bench_stop"
    clip = root / "media" / "long.mkv"
    out = root / "stop-out.mp4"
    for mode, what in (("", "Stop click"), ("signal", "SIGTERM")):
        print(f"(b) {what} -> encoder gone, {runs} runs, 1.5 s into the encoder step")
        proc = subprocess.run([str(helper), str(build / "bin"), str(clip), str(out), str(runs),
                               "1500"] + ([mode] if mode else []),
                              env=isolated_env(root / f"stop{mode}"), capture_output=True,
                              text=True, timeout=600)
        for line in proc.stdout.splitlines():
            print("    " + line)
        if proc.returncode != 0:
            print("    helper failed: " + proc.stderr.strip()[-500:])


def bench_cpu(program, root, runs):
    clip = root / "media" / "long.mkv"
    print(f"(c) Frobnik's own CPU use while the encoder runs, {runs} runs, 4 s windows")
    own, encoder = [], []
    for i in range(runs):
        clip.with_suffix(".mp4").unlink(missing_ok=True)
        proc = subprocess.Popen([str(program), f"-inName={clip}", "-format=mp4",
                                 "-acm=autoClose"], env=isolated_env(root / f"cpu-{i}"),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        child = None
        deadline = time.monotonic() + 60
        while child is None and time.monotonic() < deadline and proc.poll() is None:
            for pid in children_of(proc.pid):
                try:
                    if b"-progress" in Path(f"/proc/{pid}/cmdline").read_bytes():
                        child = pid
                except OSError:
                    pass
            time.sleep(0.02)
        if child is None:
            proc.kill()
            print(f"    run {i + 1}: the encoder never started")
            continue
        time.sleep(1.0)
        try:
            t0, c0, e0 = time.monotonic(), cpu_seconds(proc.pid), cpu_seconds(child)
            time.sleep(4.0)
            t1, c1, e1 = time.monotonic(), cpu_seconds(proc.pid), cpu_seconds(child)
        except OSError:
            print(f"    run {i + 1}: the encoder ended before the window closed; use a longer clip")
            proc.wait()
            continue
        own.append((c1 - c0) / (t1 - t0) * 100)
        encoder.append((e1 - e0) / (t1 - t0) * 100)
        print(f"    run {i + 1}: Frobnik {own[-1]:6.3f}% of one core"
              f" ({(c1 - c0) * 1000:.1f} ms in {t1 - t0:.1f} s), encoder {encoder[-1]:5.1f}%")
        proc.wait(timeout=300)
    if own:
        print(f"    median: Frobnik {statistics.median(own):.3f}% of one core"
              f" (encoder {statistics.median(encoder):.1f}%)")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", type=Path,
                        default=Path(os.environ.get("FROBNIK_BUILD_DIR", REPO / "build")))
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--no-build", action="store_true")
    opts = parser.parse_args()
    build = opts.build.resolve()
    if shutil.which("ffmpeg") is None:
        sys.exit("ffmpeg is needed")
    if not opts.no_build:
        run(["cmake", "-S", str(REPO), "-B", str(build), "-G", "Ninja"],
            stdout=subprocess.DEVNULL)
        run(["cmake", "--build", str(build), "--target", "frobnik", "frobnik_data",
             "bench_stop", "--parallel", "2"], stdout=subprocess.DEVNULL)
    program = build / "bin" / "frobnik"
    with tempfile.TemporaryDirectory(prefix="frobnik-bench-") as tmp:
        root = Path(tmp)
        (root / "media").mkdir()
        make_clip(root / "media" / "clip.mkv", 10, "640x360")
        make_clip(root / "media" / "long.mkv", 60, "640x360")
        print(f"machine: {os.cpu_count()} cores; {subprocess.run(['ffmpeg', '-version'], capture_output=True, text=True).stdout.splitlines()[0]}")
        bench_wall_times(program, root, opts.runs)
        bench_stop(build, root, opts.runs)
        bench_cpu(program, root, max(1, opts.runs // 2 + 1))


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""The terminal editor next to vim on the same generated files, in one run.

Measures open to first screen, save after one typed character, resident memory once the file is open
and the peak up to then and after the save. Both editors run in the same 80 x 24 tmux session, one after
the other, alternating run by run; the screen is read through one tmux control-mode client, so that
polling costs no process start. Prints medians and the ratios editor / vim, after how long this
machine takes to fill fresh memory, which both editors do as they open and save.

    bench/peer.py [--build DIR] [--runs N] [--sizes 1,16,64] [--fsync]

vim runs without vimrc, viminfo or swap file (it keeps no more than this editor does). Both sides take
the same care for the disk: by default neither waits for it (vim with 'nofsync', this editor with its
flushes answered at once by the build's bench/libno_flush.so, loaded with LD_PRELOAD); with --fsync
both do (vim with 'fsync', its default, and this editor's Save as it is, which flushes the new file and
its folder).
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

SESSION = f"peer-bench-{os.getpid()}"


class Tmux:
    """One detached 80 x 24 session and a control-mode client to talk to it."""

    def __init__(self):
        subprocess.run(["tmux", "new-session", "-d", "-s", SESSION, "-x", "80", "-y", "24", "exec sleep 100000"],
                       check=True)
        self.client = subprocess.Popen(["tmux", "-C", "attach", "-t", SESSION, "-r"], stdin=subprocess.PIPE,
                                       stdout=subprocess.PIPE, text=True, bufsize=1, errors="replace")
        # Every command of this client answers with exactly one block.
        self.client.stdin.write(f"display -p sync-{SESSION}\n")
        self.client.stdin.flush()
        self.read_block()

    def command(self, text):
        self.client.stdin.write(text + "\n")
        self.client.stdin.flush()
        return self.read_block()

    def read_block(self):
        """The output of the next command of this client (blocks flagged 0 are tmux's own)."""
        out, inside = [], False
        while True:
            line = self.client.stdout.readline()
            if not line:
                raise RuntimeError("tmux control client ended")
            if line.startswith("%begin"):
                inside, out = line.split()[-1] == "1", []
            elif line.startswith("%end") or line.startswith("%error"):
                if inside:
                    return out
            elif inside:
                out.append(line.rstrip("\n"))

    def screen(self):
        return "\n".join(self.command(f"capture-pane -p -t {SESSION}"))

    def start(self, command):
        quoted = command.replace("'", "'\\''")
        self.command(f"respawn-pane -k -t {SESSION} '{quoted}'")

    def keys(self, *keys):
        self.command(f"send-keys -t {SESSION} " + " ".join(keys))

    def pid(self):
        return int(self.command(f"display -p -t {SESSION} '#{{pane_pid}}'")[0])

    def wait(self, shown=(), gone=(), timeout=120.0):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            text = self.screen()
            if all(s in text for s in shown) and not any(s in text for s in gone):
                return
            time.sleep(0.002)
        raise RuntimeError(f"screen never showed {shown} without {gone}:\n{self.screen()}")

    def close(self):
        subprocess.run(["tmux", "kill-session", "-t", SESSION], stderr=subprocess.DEVNULL)


def status_kb(pid, key):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith(key + ":"):
                return int(line.split()[1])
    return 0


def make_file(path, megabytes):
    """Lines of 50 to 78 characters of words, LF breaks; lines 1 and 10 carry marks the screen shows."""
    import random
    rng = random.Random(7)
    words = ("edit control line of text with words that wrap at the edge a screen caret moves down "
             "through large document typing in middle fast").split()
    target = megabytes << 20
    parts, total, n = [], 0, 0
    while total < target:
        n += 1
        line = "FIRSTMARK" if n == 1 else "TENTHMARK" if n == 10 else f"l{n}"
        width = rng.randint(50, 70)
        while len(line) < width:
            line += " " + words[rng.randrange(len(words))]
        line = line[:max(0, min(len(line), target - total - 1))] + "\n"
        parts.append(line)
        total += len(line)
    with open(path, "w", encoding="cp1252", newline="") as f:
        f.write("".join(parts))


def first_touch_ms(megabytes, idle_seconds):
    """Milliseconds to write the first byte of each page of a fresh anonymous mapping, in huge pages where
    the kernel gives them, after idle_seconds with the memory of an earlier such mapping freed."""
    import mmap
    size = megabytes << 20
    elapsed = None
    for _ in range(2):
        time.sleep(idle_seconds)
        m = mmap.mmap(-1, size, flags=mmap.MAP_PRIVATE | mmap.MAP_ANONYMOUS)
        if hasattr(mmap, "MADV_HUGEPAGE"):
            m.madvise(mmap.MADV_HUGEPAGE)
        start = time.monotonic()
        for offset in range(0, size, 4096):
            m[offset] = 1
        elapsed = (time.monotonic() - start) * 1000
        m.close()
    return elapsed


def measure(tmux, launch, opened_marks, edit, save, saved):
    start = time.monotonic()
    tmux.start(launch)
    tmux.wait(shown=opened_marks)
    open_ms = (time.monotonic() - start) * 1000
    pid = tmux.pid()
    time.sleep(0.5)
    rss, hwm_open = status_kb(pid, "VmRSS"), status_kb(pid, "VmHWM")
    edit()
    start = time.monotonic()
    save()
    saved()
    save_ms = (time.monotonic() - start) * 1000
    hwm_save = status_kb(pid, "VmHWM")
    return open_ms, save_ms, rss, hwm_open, hwm_save


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default="build")
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--sizes", default="1,16,64")
    parser.add_argument("--fsync", action="store_true")
    args = parser.parse_args()
    binary = os.path.realpath(os.path.join(args.build, "scrivel"))
    if not os.access(binary, os.X_OK):
        sys.exit(f"build {binary} first")
    if not shutil.which("vim"):
        sys.exit("vim is missing (bench/peer.sh installs it)")
    no_flush = os.path.realpath(os.path.join(args.build, "bench", "libno_flush.so"))
    if not args.fsync and not os.access(no_flush, os.R_OK):
        sys.exit(f"build {no_flush} first (ninja no_flush), or give --fsync")

    work = tempfile.mkdtemp()
    os.makedirs(f"{work}/root")
    os.makedirs(f"{work}/run")
    os.environ["XDG_RUNTIME_DIR"] = f"{work}/run"
    tmux = Tmux()
    fsync = "set fsync" if args.fsync else "set nofsync"
    preload = "" if args.fsync else f"LD_PRELOAD={no_flush} "
    try:
        print("saves flush the file to the disk on both sides" if args.fsync else
              "saves on neither side wait for the disk (vim 'nofsync', the editor's flushes skipped)")
        # Both editors fill fresh memory as they open and save; on a virtual machine that hands freed memory
        # back to its host, that costs far more after a pause, and the ratios move with it.
        print(f"fresh memory: 128 MiB first written in {first_touch_ms(128, 0):.0f} ms at once, "
              f"{first_touch_ms(128, 3):.0f} ms after 3 s idle")
        print(f"{'size':<5} {'editor':<8} {'open ms':>8} {'save ms':>8} {'rest B/B':>9} {'peak open':>10} "
              f"{'peak save':>10}")
        for mb in [int(s) for s in args.sizes.split(",")]:
            pristine, path = f"{work}/pristine.txt", f"{work}/root/file{mb}.txt"
            make_file(pristine, mb)
            name = os.path.basename(path)
            results = {"scrivel": [], "vim": []}
            editors = {
                "scrivel": lambda: measure(
                    tmux,
                    f"exec env XDG_RUNTIME_DIR={work}/run {preload}{binary} --root {work}/root --registry {work}/reg {path}",
                    ("FIRSTMARK", "TENTHMARK", f"Scrivel - {name}"),
                    lambda: (tmux.keys("x"), tmux.wait(shown=(f"{name} *",))),
                    lambda: tmux.keys("F2", "1", "4"),
                    lambda: tmux.wait(gone=(f"{name} *",))),
                "vim": lambda: measure(
                    tmux,
                    f"exec vim --clean -n -i NONE -c '{fsync}' {path}",
                    ("FIRSTMARK", "TENTHMARK", f'{name}"'),
                    lambda: (tmux.keys("i", "x", "Escape", ":echo", "Space", "'edited'", "Enter"),
                             tmux.wait(shown=("edited",))),
                    lambda: tmux.keys(":w", "Enter"),
                    lambda: tmux.wait(shown=("written",))),
            }
            for _ in range(args.runs):
                for editor, run in editors.items():
                    shutil.copyfile(pristine, path)
                    with open(path, "rb") as f:  # the same warm page cache for both
                        while f.read(1 << 24):
                            pass
                    results[editor].append(run())
                    tmux.start("exec sleep 100000")
            size = mb << 20
            medians = {}
            for editor, rows in results.items():
                m = [statistics.median(col) for col in zip(*rows)]
                medians[editor] = m
                print(f"{mb}M{'':<3} {editor:<8} {m[0]:8.0f} {m[1]:8.0f} {m[2] * 1024 / size:9.2f} "
                      f"{m[3] * 1024 / size:10.2f} {m[4] * 1024 / size:10.2f}")
            s, v = medians["scrivel"], medians["vim"]
            print(f"{mb}M{'':<3} {'ratio':<8} {s[0] / v[0]:8.2f} {s[1] / v[1]:8.2f} {s[2] / v[2]:9.2f} "
                  f"{s[3] / v[3]:10.2f} {s[4] / v[4]:10.2f}   (medians of {args.runs}, scrivel / vim)")
            sys.stdout.flush()
    finally:
        tmux.close()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()

#!/usr/bin/env bash
# ResizeJPG at 50 % on a 4000 x 3000 photo-like JPEG against
# "djpeg -scale 1/2 | cjpeg -quality 90" (with -progressive for the
# progressive source), alternating, in one run. Prints median wall times,
# their ratio, and peak memory beside that of a full-size decode, also less
# each program's footprint on a 16 x 16 picture.
# Usage: bench/app/resize_vs_djpeg.sh [BUILD_DIR] [ROUNDS]
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=${1:-$ROOT/build-bench}
ROUNDS=${2:-7}
if [[ ! -x $BUILD/bench/app/resize_jpg_cli ]]; then
  cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELODROP_BUILD_TESTS=OFF >/dev/null
  cmake --build "$BUILD" --target resize_jpg_cli >/dev/null
fi
CLI=$BUILD/bench/app/resize_jpg_cli
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export TMPDIR=$WORK

# A photo-like source: smooth gradients with noise, so that the codec works
# as hard as on a real picture.
/usr/bin/python3 - "$WORK/source.ppm" <<'PY'
import random, sys
w, h = 4000, 3000
random.seed(1)
noise = bytes(random.getrandbits(8) & 0x1F for _ in range(w * 3))
with open(sys.argv[1], "wb") as f:
    f.write(b"P6\n%d %d\n255\n" % (w, h))
    for y in range(h):
        base = bytes(((x * 255 // w + (y * 255 // h if c == 1 else 0) + c * 60) & 0xFF) for x in range(w) for c in range(3))
        f.write(bytes((a + b) & 0xFF for a, b in zip(base, noise[(y % 7) * 3:] + noise[:(y % 7) * 3])))
PY
cjpeg -quality 92 "$WORK/source.ppm" > "$WORK/baseline.jpg"
cjpeg -quality 92 -progressive "$WORK/source.ppm" > "$WORK/progressive.jpg"
rm "$WORK/source.ppm"
# A 16 x 16 picture: what each program takes with next to no picture.
printf 'P6\n16 16\n255\n' > "$WORK/tiny.ppm"
head -c 768 /dev/zero >> "$WORK/tiny.ppm"
cjpeg "$WORK/tiny.ppm" > "$WORK/tiny.jpg"

# Alternating runs; median wall time and peak memory of each side (for a
# pipeline, its largest process).
/usr/bin/python3 - "$CLI" "$WORK" "$ROUNDS" <<'PY'
import statistics, subprocess, sys, time
cli, work, rounds = sys.argv[1], sys.argv[2], int(sys.argv[3])

def run(argv):
    # Wall time here; peak memory from GNU time, which starts the command
    # from a small process (a fork of this Python would lend the command
    # its own high-water mark).
    start = time.perf_counter()
    subprocess.run(["/usr/bin/time", "-f", "%M", "-o", f"{work}/rss"] + argv,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
    elapsed = time.perf_counter() - start
    with open(f"{work}/rss") as f:
        return elapsed, int(f.read().split()[-1])

# Each program's own footprint (its code and libraries), so that the codec's
# memory can be told apart from the runtime's.
base_ours = statistics.median(run([cli, f"{work}/tiny.jpg", "50"])[1] for _ in range(5))
base_djpeg = statistics.median(run(["djpeg", "-outfile", "/dev/null", f"{work}/tiny.jpg"])[1] for _ in range(5))

for kind in ("baseline", "progressive"):
    src = f"{work}/{kind}.jpg"
    prog = "-progressive" if kind == "progressive" else ""
    peer = ["sh", "-c", f"djpeg -scale 1/2 '{src}' | cjpeg -quality 90 {prog} > '{work}/peer.jpg'"]
    ours, theirs = [], []
    for _ in range(rounds):
        ours.append(run([cli, src, "50"]))
        theirs.append(run(peer))
    full = statistics.median(run(["djpeg", "-outfile", "/dev/null", src])[1] for _ in range(3))
    to = statistics.median(t for t, _ in ours)
    tp = statistics.median(t for t, _ in theirs)
    mo = statistics.median(m for _, m in ours)
    print(f"{kind:11s} ours {to*1000:7.1f} ms  djpeg|cjpeg {tp*1000:7.1f} ms  ratio {to/tp:.2f}   "
          f"peak: ours {mo} KiB, djpeg's full-size decode {full} KiB, the full-size RGB bitmap {4000*3000*3//1024} KiB; "
          f"above each program's own footprint: ours {mo - base_ours} KiB, djpeg's {full - base_djpeg} KiB")
PY

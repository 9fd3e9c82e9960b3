# The benchmarks' sample files, made once with ffmpeg and kept. Sourced:
#   make_bench_samples DIR   sets $big and $small
make_bench_samples() {
  local dir="$1"
  mkdir -p "$dir"
  big="$dir/record_big.wmv"      # 20 s of noisy 640x480 WMV2 at a fixed quantiser: ~195 MB
  small="$dir/record_small.wmv"  # 25 s at an ordinary broadband rate (~0.75 Mbit/s)
  if [ ! -s "$big" ]; then
    echo "making $big (once)"
    ffmpeg -hide_banner -loglevel error -nostdin -y \
      -f lavfi -i testsrc=size=640x480:rate=25 -f lavfi -i sine=frequency=440:sample_rate=44100 \
      -t 20 -vf noise=alls=40:allf=t -c:v wmv2 -q:v 2 -c:a wmav2 -b:a 128k -f asf "$big.tmp"
    mv "$big.tmp" "$big"
  fi
  if [ ! -s "$small" ]; then
    echo "making $small (once)"
    ffmpeg -hide_banner -loglevel error -nostdin -y \
      -f lavfi -i testsrc=size=640x480:rate=25 -f lavfi -i sine=frequency=440:sample_rate=44100 \
      -t 25 -c:v wmv2 -b:v 1000k -c:a wmav2 -b:a 128k -f asf "$small.tmp"
    mv "$small.tmp" "$small"
  fi
}

# A recording of more than 4 GiB made from SRC: its header and its packets 22
# times over; the header states their count but none of the sizes, as a
# killed recording's does. Prints the header length (Data Object's start
# included), the packet size and the packet count.
#   make_huge_recording SRC DEST
make_huge_recording() {
  python3 - "$1" "$2" <<'PY'
import struct, sys
src = bytearray(open(sys.argv[1], "rb").read())
header = struct.unpack_from("<Q", src, 16)[0] + 50
data = struct.unpack_from("<Q", src, header - 50 + 16)[0] - 50
fpo = src.find(bytes.fromhex("a1dcab8c47a9cf118ee400c00c205365"))
packets = 22 * struct.unpack_from("<Q", src, fpo + 56)[0]
struct.pack_into("<Q", src, fpo + 56, packets)
struct.pack_into("<Q", src, header - 50 + 40, packets)
with open(sys.argv[2], "wb") as out:
    out.write(src[:header])
    for _ in range(22):
        out.write(src[header:header + data])
print(header, struct.unpack_from("<I", src, fpo + 92)[0], packets)
PY
}

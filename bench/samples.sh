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

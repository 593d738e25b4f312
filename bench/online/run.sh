#!/usr/bin/env bash
# The secondary search against the demo service with 100 ms added to every
# answer, and a 100 MB download on loopback, each beside its peer.
set -euo pipefail
cd "$(dirname "$0")/../.."
bench=build/bin/online_bench
[ -x "$bench" ] || { echo "bench/online: build first ($bench is missing)" >&2; exit 1; }
work=$(mktemp -d)
trap 'kill "$service" 2>/dev/null || true; wait "$service" 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -p "$work/library"
songs=()
for i in 01 02 03 04 05 06 07 08 09 10; do songs+=(--synthetic "演示曲$i=0.1"); done
/usr/bin/python3 scripts/demo-service.py --library "$work/library" --info "$work/info.json" --delay-ms 100 \
  "${songs[@]}" --synthetic "大文件=100" >/dev/null 2>&1 &
service=$!
for _ in $(seq 100); do [ -s "$work/info.json" ] && break; sleep 0.1; done
read -r primary secondary ca < <(/usr/bin/python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); print(d["primary"], d["secondarySearch"], d["caBundle"])' "$work/info.json")
id=$(build/bin/youranmusic-cli search primary 大文件 --primary "$primary" | /usr/bin/python3 -c 'import json,sys; print(json.loads(sys.stdin.readline())[3])')
# The bench turns the delay off itself before the download.
"$bench" "$primary" "$secondary" "$ca" 演示曲 "$primary/song/$id" "$work"

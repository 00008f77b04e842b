#!/usr/bin/env bash
# Tries the README's recipes for converting on more than one machine, here on one:
#   1. GNU parallel over a .ulf list, as the README gives it;
#   2. the same through --sshloginfile, with ":" (this machine, no ssh) as the host;
#   3. the container command of docs/kubernetes/convert-job.yaml, taken from the
#      manifest as it stands, once per completion index.
# The pages come from a loopback HTTP server the script starts; nothing else is
# contacted. Installs GNU parallel (and PyYAML, to read the manifest) with
# apt-get when missing. Uses build/bin/pagelith-convert unless PAGELITH_BIN_DIR
# names another folder (/usr/bin for an installed copy).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin_dir="${PAGELITH_BIN_DIR:-$root/build/bin}"
pages=13 # one of them missing on the server
slice=5

if [ ! -x "$bin_dir/pagelith-convert" ]; then
  echo "No $bin_dir/pagelith-convert: build first (scripts/build)." >&2
  exit 2
fi
missing=()
command -v parallel >/dev/null || missing+=(parallel)
python3 -c 'import yaml' 2>/dev/null || missing+=(python3-yaml)
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${missing[@]}"
fi

work="$(mktemp -d)"
server_pid=""
cleanup() {
  [ -z "$server_pid" ] || kill "$server_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/site"
for i in $(seq 1 $((pages - 1))); do
  printf '<html><body style="margin:0"><h1>Page %s</h1><div style="height:%spx;background:#%02x6080"></div></body></html>\n' \
    "$i" $((300 + 40 * i)) $((i * 15)) >"$work/site/page$i.html"
done
port="$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')"
python3 -m http.server --bind 127.0.0.1 --directory "$work/site" "$port" >"$work/server.log" 2>&1 &
server_pid=$!
python3 - "$port" <<'PY'
import sys, time, urllib.request
for _ in range(100):
    try:
        urllib.request.urlopen(f"http://127.0.0.1:{sys.argv[1]}/page1.html", timeout=1)
        sys.exit(0)
    except OSError:
        time.sleep(0.1)
sys.exit("the loopback server did not answer")
PY
for i in $(seq 1 "$pages"); do
  printf 'http://127.0.0.1:%s/page%s.html\tPNG\r\n' "$port" "$i"
done >"$work/list.ulf"
export PATH="$bin_dir:$PATH"
# Chromium refuses root with its sandbox on; a normal user needs nothing.
if [ "$(id -u)" -eq 0 ]; then
  export QTWEBENGINE_DISABLE_SANDBOX=1
fi

# Every page of the list has exactly one JSON line; the written ones name files
# that exist, no two pages the same file.
check() {
  local name="$1"
  shift
  python3 - "$name" "$pages" "$@" <<'PY'
import json, os, sys
name, pages, paths = sys.argv[1], int(sys.argv[2]), sys.argv[3:]
rows = [json.loads(line) for p in paths for line in open(p) if line.strip()]
inputs = sorted(r["input"] for r in rows)
assert len(rows) == pages and len(set(inputs)) == pages, f"{name}: {len(rows)} lines for {pages} pages"
written = [r for r in rows if r["result"] == "written"]
failed = [r for r in rows if r["result"] == "failed"]
assert len(written) == pages - 1 and len(failed) == 1, f"{name}: {len(written)} written"
files = [r["files"][-1] for r in written]
assert len(set(files)) == len(files), f"{name}: pages share a file"
assert all(os.path.getsize(f) > 0 for f in files), f"{name}: a file is missing"
print(f"{name}: {len(written)} written, {len(failed)} failed, "
      f"{len(set(os.path.dirname(f) for f in files))} output folders")
PY
}

echo "== GNU parallel"
mkdir -p "$work/local" && cd "$work/local"
status=0
parallel --pipe -N "$slice" pagelith-convert --json -o 'out/{#}' - <"$work/list.ulf" \
  >results.jsonl || status=$?
[ "$status" -le 1 ] || { echo "parallel ended with $status" >&2; exit 1; }
check "parallel" results.jsonl

echo "== GNU parallel --sshloginfile"
mkdir -p "$work/hosts" && cd "$work/hosts"
echo "2/:" >hosts.txt
status=0
parallel --sshloginfile hosts.txt --pipe -N "$slice" pagelith-convert --json -o 'out/{#}' - \
  <"$work/list.ulf" >results.jsonl || status=$?
[ "$status" -le 1 ] || { echo "parallel ended with $status" >&2; exit 1; }
check "parallel --sshloginfile" results.jsonl

echo "== Kubernetes indexed Job, container command"
manifest="$root/docs/kubernetes/convert-job.yaml"
mapfile -d '' -t job_command < <(python3 - "$manifest" <<'PY'
import sys, yaml

def first_container(node):
    # The Job's pod template holds the one container, however deep it sits.
    if isinstance(node, dict):
        if "containers" in node:
            return node["containers"][0]
        node = list(node.values())
    if isinstance(node, list):
        for child in node:
            found = first_container(child)
            if found:
                return found
    return None

container = first_container(yaml.safe_load(open(sys.argv[1])))
sys.stdout.write("\0".join(container["command"] + container.get("args", [])) + "\0")
PY
)
mkdir -p "$work/job/out"
completions=$(((pages + slice - 1) / slice + 1)) # one index past the end: nothing to do
for index in $(seq 0 $((completions - 1))); do
  mkdir -p "$work/job/home$index"
  JOB_COMPLETION_INDEX=$index LIST="$work/list.ulf" OUT="$work/job/out" SLICE=$slice \
    HOME="$work/job/home$index" "${job_command[@]}"
done
check "job command" "$work"/job/out/*.jsonl
echo "All recipes passed."

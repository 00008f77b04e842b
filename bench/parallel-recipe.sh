#!/usr/bin/env bash
# Tries the README's recipes for converting on more than one machine, here on one:
#   1. every GNU parallel command of the README, taken from it as written, over
#      lists shorter and longer than the number of cores (hosts.txt names ":",
#      this machine, with two job slots);
#   2. the container command of docs/kubernetes/convert-job.yaml, taken from the
#      manifest as it stands, once per completion index, over lists of 1, 7 and
#      1,000 lines; then a retried index (one attempt killed part-way, resumed
#      by the next with the killed attempt's pages kept; one that finished and is
#      run again), a page that kills every converter that reaches it (failed on its
#      own line, the rest of its slice converted) and a usage error.
# Each time every line of the list must have exactly one JSON line and every
# written page one file of its own, with no file left over. The pages come from
# a loopback HTTP server the script starts; nothing else is contacted. Installs
# GNU parallel (and PyYAML, to read the manifest) with apt-get when missing.
# Uses build/bin/pagelith-convert unless PAGELITH_BIN_DIR names another folder
# (/usr/bin for an installed copy). Takes a few minutes: 1,000 pages.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin_dir="${PAGELITH_BIN_DIR:-$root/build/bin}"
site_pages=12 # the list's last page is missing on the server: one failed page

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
for i in $(seq 1 "$site_pages"); do
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

# make_list FILE N: N lines, each a different address (the query tells them
# apart); the last one is missing on the server. The last line has no line end,
# as an editor may leave it.
make_list() {
  local file="$1" lines="$2"
  python3 - "$port" "$site_pages" "$lines" >"$file" <<'PY'
import sys
port, pages, lines = (int(a) for a in sys.argv[1:])
rows = [f"http://127.0.0.1:{port}/page{i % pages + 1}.html?line={i + 1}\tPNG"
        for i in range(lines - 1)]
rows.append(f"http://127.0.0.1:{port}/missing.html?line={lines}\tPNG")
sys.stdout.write("\r\n".join(rows))
PY
}

export PATH="$bin_dir:$PATH"
# Chromium refuses root with its sandbox on; a normal user needs nothing.
if [ "$(id -u)" -eq 0 ]; then
  export QTWEBENGINE_DISABLE_SANDBOX=1
fi

# check NAME LIST OUTPUT_FOLDER JSONL...: every line of LIST has exactly one
# JSON line, all written but the missing page; the written ones name files of
# their own that exist, and OUTPUT_FOLDER holds no other file.
check() {
  local name="$1" list="$2" out="$3"
  shift 3
  python3 - "$name" "$list" "$out" "$@" <<'PY'
import json, os, sys
name, listfile, out, paths = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4:]
wanted = [line.split("\t")[0] for line in open(listfile, newline="").read().split("\r\n")]
rows = [json.loads(line) for p in paths for line in open(p) if line.strip()]
inputs = [r["input"] for r in rows]
assert sorted(inputs) == sorted(wanted), \
    f"{name}: {len(rows)} JSON lines for {len(wanted)} list lines, " \
    f"{len(set(wanted) - set(inputs))} lines never converted, " \
    f"{len(inputs) - len(set(inputs))} converted twice"
failed = [r["input"] for r in rows if r["result"] != "written"]
assert failed == [wanted[-1]], f"{name}: failed {failed[:3]}"
files = [os.path.abspath(f) for r in rows for f in r["files"]]
assert len(set(files)) == len(files), f"{name}: pages share a file"
assert all(os.path.getsize(f) > 0 for f in files), f"{name}: a file is missing"
on_disk = {os.path.abspath(os.path.join(d, f)) for d, _, fs in os.walk(out) for f in fs
           if not f.endswith((".jsonl", ".part"))}
assert on_disk == set(files), f"{name}: {len(on_disk - set(files))} files no line names"
print(f"{name}: {len(rows)} lines, {len(rows) - 1} written, 1 failed, "
      f"{len({os.path.dirname(f) for f in files})} output folders")
PY
}

mapfile -t recipes < <(sed -n 's/^    \(parallel .*\)$/\1/p' "$root/README.md")
[ ${#recipes[@]} -ge 2 ] || { echo "the README has no parallel recipe" >&2; exit 1; }
for lines in 1 7 40; do
  for recipe in "${recipes[@]}"; do
    echo "== $lines lines: $recipe"
    dir="$work/parallel-$lines-$RANDOM"
    mkdir -p "$dir" && cd "$dir"
    make_list list.ulf "$lines"
    echo "2/:" >hosts.txt
    # parallel's own status counts the runs that had a failed page; what each
    # run ended with is in the job log ($PARALLEL adds options to any command).
    status=0
    PARALLEL="--joblog $dir/runs.log" bash -c "$recipe" || status=$?
    [ "$status" -le 101 ] || { echo "parallel ended with $status" >&2; exit 1; }
    awk 'NR > 1 && $7 > 1 { bad = 1 } END { exit bad }' runs.log ||
      { echo "a run failed:" >&2; cat runs.log >&2; exit 1; }
    check "parallel, $lines lines" list.ulf out results.jsonl
    # Every core has a run of its own once the list has lines for them all.
    if [ "$lines" -ge $((2 * $(nproc))) ]; then
      runs=$(find out -mindepth 1 -maxdepth 1 -type d | wc -l)
      [ "$runs" -ge "$(nproc)" ] || { echo "$runs runs for $(nproc) cores" >&2; exit 1; }
    fi
  done
done

echo "== Kubernetes indexed Job"
manifest="$root/docs/kubernetes/convert-job.yaml"
read_job() {
  python3 - "$manifest" <<'PY'
import sys, yaml
job = next(d for d in yaml.safe_load_all(open(sys.argv[1])) if d and d["kind"] == "Job")
job_body = job["spec"]
container = job_body["template"]["spec"]["containers"][0]
env = {e["name"]: e["value"] for e in container["env"]}
assert env["INDEXES"] == str(job_body["completions"]), "INDEXES differs from completions"
sys.stdout.write(str(job_body["completions"]) + "\0")
sys.stdout.write("\0".join(container["command"] + container.get("args", [])) + "\0")
PY
}
mapfile -d '' -t job < <(read_job)
indexes="${job[0]}"
job_command=("${job[@]:1}")
run_index() { # run_index LIST OUT INDEX [timeout...]: one pod's attempt
  local list="$1" out="$2" index="$3"
  shift 3
  mkdir -p "$out.home$index" "$out.tmp$index"
  JOB_COMPLETION_INDEX=$index LIST="$list" OUT="$out" INDEXES=$indexes \
    HOME="$out.home$index" TMPDIR="$out.tmp$index" "$@" "${job_command[@]}"
}
for lines in 1 7 1000; do
  dir="$work/job-$lines"
  mkdir -p "$dir/out"
  make_list "$dir/list.ulf" "$lines"
  start=$SECONDS
  pods=()
  for index in $(seq 0 $((indexes - 1))); do
    run_index "$dir/list.ulf" "$dir/out" "$index" &
    pods+=($!)
  done
  for pod in "${pods[@]}"; do
    wait "$pod" || { echo "an index failed" >&2; exit 1; }
  done
  check "job, $indexes indexes, $lines lines ($((SECONDS - start)) s)" "$dir/list.ulf" \
    "$dir/out" "$dir"/out/*.jsonl
done

echo "== Kubernetes indexed Job, retries"
dir="$work/job-7"
# Index 0 finished; its pod is run again (its node was lost before it reported).
run_index "$dir/list.ulf" "$dir/out" 0
# Index 1 is killed part-way (wherever it is after a few seconds), then tried
# again: the retry keeps what the killed attempt finished, lines and files.
rm -rf "$dir/out/1" "$dir/out/1.jsonl"
run_index "$dir/list.ulf" "$dir/out" 1 timeout -s KILL 4 || true
kept="$work/kept.jsonl"
cp "$dir/out/1.jsonl.part" "$kept"
run_index "$dir/list.ulf" "$dir/out" 1
check "job retried" "$dir/list.ulf" "$dir/out" "$dir"/out/*.jsonl
python3 - "$kept" "$dir/out/1.jsonl" <<'PY'
import sys
kept = [l for l in open(sys.argv[1]) if l.strip()]
final = open(sys.argv[2]).read().splitlines(keepends=True)
assert final[:len(kept)] == kept, "the retry did not keep the killed attempt's lines"
print(f"job retried: {len(kept)} pages of the killed attempt kept, {len(final) - len(kept)} converted by the retry")
PY

# A page that kills its converter whenever it is reached: the attempts that die
# on it are retried, the third one that would start on it fails it on its own
# line, and the rest of the slice is converted.
fake="$work/fake-bin"
mkdir -p "$fake"
cat >"$fake/pagelith-convert" <<FAKE
#!/usr/bin/env bash
pages=\$(mktemp)
cat >"\$pages"
if grep -q killer "\$pages"; then
  sed -n '/killer/q;p' "\$pages" | "$bin_dir/pagelith-convert" "\$@"
  rm -f "\$pages"
  kill -KILL \$\$
fi
"$bin_dir/pagelith-convert" "\$@" <"\$pages"
status=\$?
rm -f "\$pages"
exit \$status
FAKE
chmod +x "$fake/pagelith-convert"
dir="$work/job-killer"
mkdir -p "$dir/out"
make_list "$dir/list.ulf" 6
python3 - "$dir/list.ulf" <<'PY'
import sys
rows = open(sys.argv[1], newline="").read().split("\r\n")
rows[2] = rows[2].split("?")[0].rsplit("/", 1)[0] + "/killer.html\tPNG"
open(sys.argv[1], "w", newline="").write("\r\n".join(rows))
PY
attempts=0
all_indexes=$indexes
indexes=1
until [ -e "$dir/out/0.jsonl" ]; do
  attempts=$((attempts + 1))
  [ "$attempts" -le 4 ] || { echo "the killer page lost its slice" >&2; exit 1; }
  PATH="$fake:$PATH" run_index "$dir/list.ulf" "$dir/out" 0 || true
done
indexes=$all_indexes
python3 - "$dir/out/0.jsonl" <<'PY'
import sys, json
rows = [json.loads(l) for l in open(sys.argv[1]) if l.strip()]
failed = [r["input"] for r in rows if r["result"] != "written"]
assert len(rows) == 6 and len(failed) == 2 and "killer" in failed[0], rows
print(f"job with a page that kills its converter: {len(rows)} lines, {len(rows) - 2} written, "
      "the killer and the missing page failed")
PY
status=0
run_index "$work/no-such-list.ulf" "$dir/out" 0 2>/dev/null || status=$?
[ "$status" -eq 2 ] || { echo "a missing list gave $status, not 2" >&2; exit 1; }
echo "job: a missing list fails the index with 2"
echo "All recipes passed."

#!/usr/bin/env python3
"""Converts a folder of pages with pagelith-convert and prints pages per second,
median seconds per page, CPU seconds per page (user and system time of the whole
process tree, as the kernel accounts it to the tool's process once its children are
reaped) and peak memory (PSS summed over the whole process tree),
for PNG and JPG. Where Playwright, Chromium or wkhtmltoimage are installed, they
convert the same pages in the same run and their ratios are printed.

    bench/convert-benchmark.py [--pages DIR] [--convert PATH] [--timeout S]
                               [--playwright-dir DIR] [--formats PNG,JPG]
                               [--jobs 1,2,3] [--no-peers]

Besides the totals it prints where Pagelith's time went, summed over the pages
(load, settle/measure, tiles, intermediate files, encode, clean-up), the time
from loaded to written for the tallest generated page, and, with --jobs, pages
per second and peak memory for each number of pages in flight. Captures of the
generated ruler pages are audited band by band (pagelith-bench-tiles).

By default the pages are ../shared/corpus/*.html beside the repository (when that
folder exists) plus generated banded pages (standards, quirks, 40000 px, fixed
header). Every engine resolves no outside host (the same resolver rule for all), so
offline pages do not wait for DNS.
"""

import argparse
import glob
import json
import os
import shutil
import statistics
import struct
import subprocess
import sys
import tempfile
import threading
import time

RESOLVER_RULE = "MAP * ~NOTFOUND, EXCLUDE localhost"
HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(HERE)


# --- pages -------------------------------------------------------------------

TINTS = ["#f3e9d2", "#d8f3dc", "#dbe7f6", "#f6dbe9", "#e9e4f6", "#f6f3c8", "#d5f0f0"]


def banded_page(width, height, standards=True, fixed_header=False):
    out = ["<!DOCTYPE html>\n" if standards else ""]
    out.append("<html><head><meta charset='utf-8'><style>html,body{margin:0;padding:0}"
               "body{width:%dpx;font:20px/1.2 sans-serif}"
               ".band{height:100px;box-sizing:border-box;padding:10px 20px;border-bottom:1px solid #888}"
               "#end{height:100px;box-sizing:border-box;padding:30px 20px;background:#ff0000;color:#fff}"
               % width)
    top = 0
    if fixed_header:
        out.append("#hdr{position:fixed;top:0;left:0;width:%dpx;height:80px;background:#0000ff;color:#fff}"
                   "body{padding-top:80px}" % width)
        top = 80
    out.append("</style></head><body>")
    if fixed_header:
        out.append("<div id='hdr'>FIXED HEADER</div>")
    bands = (height - top) // 100 - 1
    for i in range(bands):
        out.append("<div class='band' style='background:%s'>band %d - y = %d px</div>"
                   % (TINTS[i % 7], i, top + i * 100))
    out.append("<p id='end'>END MARKER</p></body></html>\n")
    return "".join(out)


def collect_pages(pages_dir, work):
    pages = []
    if pages_dir and os.path.isdir(pages_dir):
        pages += sorted(glob.glob(os.path.join(pages_dir, "*.html")))
    generated = os.path.join(work, "generated")
    os.makedirs(generated, exist_ok=True)
    for name, html in [
        ("gen-standards-10k.html", banded_page(1200, 10000)),
        ("gen-quirks-10k.html", banded_page(1200, 10000, standards=False)),
        ("gen-tall-40k.html", banded_page(1200, 40000)),
        ("gen-fixed-header.html", banded_page(1200, 4980, fixed_header=True)),
        ("gen-tall-1280x40k.html", banded_page(1280, 40000)),
    ]:
        path = os.path.join(generated, name)
        with open(path, "w") as f:
            f.write(html)
        pages.append(path)
    return pages


def ruler_pages(convert, work, count):
    """Ruler pages (1200 x 40000) written by pagelith-bench-tiles, when it is built."""
    tool = os.path.join(os.path.dirname(convert), "pagelith-bench-tiles")
    if not os.access(tool, os.X_OK) or count <= 0:
        return []
    folder = os.path.join(work, "rulers")
    os.makedirs(folder, exist_ok=True)
    pages = []
    for i in range(count):
        path = os.path.join(folder, "ruler-%02d.html" % i)
        subprocess.run([tool, "--write-ruler", path, "--width", "1200", "--height", "40000"],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
        pages.append(path)
    return pages


# --- measuring -----------------------------------------------------------------

def tree_pss_kib(root_pid):
    """PSS of a process and all its descendants, in KiB."""
    children = {}
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % entry) as f:
                ppid = int(f.read().rsplit(")", 1)[1].split()[1])
            children.setdefault(ppid, []).append(int(entry))
        except (OSError, ValueError, IndexError):
            pass
    total, todo = 0, [root_pid]
    while todo:
        pid = todo.pop()
        todo += children.get(pid, [])
        try:
            with open("/proc/%d/smaps_rollup" % pid) as f:
                for line in f:
                    if line.startswith("Pss:"):
                        total += int(line.split()[1])
                        break
        except OSError:
            pass
    return total


def run_measured(cmd, env=None, cwd=None, cpu=None):
    """Runs cmd, sampling the process tree's memory; returns (wall s, peak MiB, stdout, exit code).
    The CPU seconds of the tree are added to cpu[0] when cpu is a list."""
    start = time.monotonic()
    proc = subprocess.Popen(cmd, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env, cwd=cwd, text=True)
    peak = [0]
    done = threading.Event()

    def sample():
        while not done.is_set():
            peak[0] = max(peak[0], tree_pss_kib(proc.pid))
            done.wait(0.1)

    sampler = threading.Thread(target=sample)
    sampler.start()
    out = proc.stdout.read()
    # wait4 gives the tree's own accounting: every descendant the tool and its
    # children reaped is counted in the tool's children's usage.
    _, status, usage = os.wait4(proc.pid, 0)
    proc.returncode = os.waitstatus_to_exitcode(status)
    done.set()
    sampler.join()
    if cpu is not None:
        cpu[0] += usage.ru_utime + usage.ru_stime
    return time.monotonic() - start, peak[0] / 1024.0, out, proc.returncode


def png_size(path):
    try:
        with open(path, "rb") as f:
            head = f.read(24)
        if head[:8] == b"\x89PNG\r\n\x1a\n":
            return struct.unpack(">II", head[16:24])
    except OSError:
        pass
    return None


# --- engines ---------------------------------------------------------------------

def run_pagelith(convert, pages, fmt, out, timeout, jobs=1, engine="chromium"):
    os.makedirs(out, exist_ok=True)
    settings = os.path.join(out, "settings.dat")
    with open(settings, "w") as f:
        f.write("[set]\r\noutputfolder=%s\r\nfileoption=1\r\nexistedfile=1\r\nquality=85\r\ntimeout=%d\r\n"
                % (out, timeout))
    env = dict(os.environ)
    env["QTWEBENGINE_CHROMIUM_FLAGS"] = (env.get("QTWEBENGINE_CHROMIUM_FLAGS", "") +
                                         ' --host-resolver-rules="%s"' % RESOLVER_RULE).strip()
    cpu = [0.0]
    wall, peak, stdout, code = run_measured(
        [convert, "--settings", settings, "--json", "--jobs", str(jobs), "--engine", engine, "-f", fmt]
        + pages, env=env, cpu=cpu)
    per_page, files, failed, stages = [], {}, 0, {}
    for line in stdout.splitlines():
        try:
            r = json.loads(line)
        except ValueError:
            continue
        per_page.append(r["seconds"])
        stages[r["input"]] = r.get("stages", {})
        if r["result"] == "written" and r["files"]:
            files[r["input"]] = r["files"][-1]
        else:
            failed += 1
    return {"wall": wall, "peak": peak, "cpu": cpu[0], "per_page": per_page, "files": files,
            "failed": failed, "stages": stages}


STAGES = ["load", "settle", "tiles", "intermediate", "encode", "cleanup"]


def print_stages(by_engine, n):
    """Seconds per stage summed over the pages, one column per engine."""
    names = list(by_engine)
    print("  stage (sum over %d pages) " % n + "".join("%22s" % nm for nm in names))
    rows = {}
    for nm in names:
        r = by_engine[nm]
        totals = {k: sum(s.get(k, 0.0) for s in r["stages"].values()) for k in STAGES}
        whole = sum(r["per_page"])
        totals["other (queue)"] = whole - sum(totals.values())
        totals["page time"] = whole
        for k, v in totals.items():
            rows.setdefault(k, []).append("%9.2f s %6.1f %%" % (v, 100 * v / whole if whole else 0))
    for k, cells in rows.items():
        print("  %-26s" % k + "".join("%22s" % c for c in cells))


def audit_rulers(convert, r, rulers):
    tool = os.path.join(os.path.dirname(convert), "pagelith-bench-tiles")
    images = [r["files"][p] for p in rulers if p in r["files"]]
    if not os.access(tool, os.X_OK) or not images:
        return
    out = subprocess.run([tool, "--audit-ruler", "--width", "1200", "--height", "40000"] + images,
                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True).stdout
    print("  ruler audit:", out.strip().splitlines()[-1] if out.strip() else "no answer",
          "(%d of %d captures written)" % (len(images), len(rulers)))


PLAYWRIGHT_SCRIPT = r"""
const { chromium } = require('playwright-core');
(async () => {
  const [exe, fmt, outDir, timeoutMs, ...pages] = process.argv.slice(2);
  const browser = await chromium.launch({ executablePath: exe,
    args: ['--host-resolver-rules=MAP * ~NOTFOUND, EXCLUDE localhost', '--no-sandbox'] });
  const context = await browser.newContext({ viewport: { width: 1024, height: 768 } });
  for (let i = 0; i < pages.length; ++i) {
    const start = Date.now();
    const page = await context.newPage();
    page.on('dialog', d => d.dismiss().catch(() => {}));
    let ok = true;
    try { await page.goto('file://' + pages[i], { waitUntil: 'load', timeout: Number(timeoutMs) }); }
    catch (e) { /* captured as it stands, like the others */ }
    const file = outDir + '/' + i + '.' + (fmt === 'JPG' ? 'jpg' : 'png');
    try { await page.screenshot({ path: file, fullPage: true, type: fmt === 'JPG' ? 'jpeg' : 'png',
                                 quality: fmt === 'JPG' ? 85 : undefined, timeout: 120000 }); }
    catch (e) { ok = false; }
    await page.close();
    console.log(JSON.stringify({ page: pages[i], file, ok, seconds: (Date.now() - start) / 1000 }));
  }
  await browser.close();
})();
"""


def run_playwright(pw_dir, chromium, pages, fmt, out, timeout):
    os.makedirs(out, exist_ok=True)
    script = os.path.join(pw_dir, "pagelith-bench-shot.js")
    with open(script, "w") as f:
        f.write(PLAYWRIGHT_SCRIPT)
    cpu = [0.0]
    wall, peak, stdout, code = run_measured(["node", script, chromium, fmt, out, str(timeout * 1000)] + pages,
                                            cwd=pw_dir, cpu=cpu)
    per_page, files, failed = [], {}, 0
    for line in stdout.splitlines():
        try:
            r = json.loads(line)
        except ValueError:
            continue
        per_page.append(r["seconds"])
        if r["ok"]:
            files[r["page"]] = r["file"]
        else:
            failed += 1
    return {"wall": wall, "peak": peak, "cpu": cpu[0], "per_page": per_page, "files": files,
            "failed": failed}


def run_per_page(cmd_for, pages, fmt, out, timeout):
    """Engines started once per page (chromium --screenshot, wkhtmltoimage)."""
    os.makedirs(out, exist_ok=True)
    per_page, files, failed, peak = [], {}, 0, 0.0
    cpu = [0.0]
    start = time.monotonic()
    for i, page in enumerate(pages):
        file = os.path.join(out, "%d.%s" % (i, "jpg" if fmt == "JPG" else "png"))
        try:
            wall, p, _, code = run_measured(["timeout", str(timeout + 20)] + cmd_for(page, file), cpu=cpu)
        except OSError:
            wall, p, code = 0, 0, 1
        per_page.append(wall)
        peak = max(peak, p)
        if code == 0 and os.path.exists(file):
            files[page] = file
        else:
            failed += 1
    return {"wall": time.monotonic() - start, "peak": peak, "cpu": cpu[0], "per_page": per_page,
            "files": files, "failed": failed}


# --- report ------------------------------------------------------------------------

def summary(name, fmt, r, n):
    pps = n / r["wall"] if r["wall"] else 0
    med = statistics.median(r["per_page"]) if r["per_page"] else float("nan")
    print("%-22s %-4s %6.2f pages/s  median %6.2f s/page  cpu %6.2f s/page  peak %7.0f MiB  failed %d/%d"
          % (name, fmt, pps, med, r["cpu"] / n if n else 0, r["peak"], r["failed"], n))
    return pps


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--pages", default=os.path.join(REPO, "..", "shared", "corpus"))
    ap.add_argument("--convert", default=os.path.join(REPO, "build", "bin", "pagelith-convert"))
    ap.add_argument("--timeout", type=int, default=10, help="seconds a page may take to load")
    ap.add_argument("--playwright-dir", default=os.environ.get("PLAYWRIGHT_DIR", "/tmp/pw"),
                    help="folder where 'npm i playwright-core' was run")
    ap.add_argument("--formats", default="PNG,JPG")
    ap.add_argument("--jobs", default="", help="also run pagelith-convert --jobs N for each N (PNG)")
    ap.add_argument("--rulers", type=int, default=2, help="40000-px ruler pages added and audited")
    ap.add_argument("--no-peers", action="store_true", help="Pagelith alone")
    ap.add_argument("--engines", default="chromium,qt",
                    help="Pagelith's engines to run, the first one against the peers")
    args = ap.parse_args()

    if not os.access(args.convert, os.X_OK):
        sys.exit("pagelith-convert not found at %s (build it first, or pass --convert)" % args.convert)
    work = tempfile.mkdtemp(prefix="pagelith-bench-")
    pages = collect_pages(os.path.abspath(args.pages), work)
    rulers = ruler_pages(args.convert, work, args.rulers)
    pages += rulers
    n = len(pages)
    chromium = shutil.which("chromium") or shutil.which("chromium-browser")
    if args.no_peers:
        chromium = None
    has_pw = chromium and os.path.isdir(os.path.join(args.playwright_dir, "node_modules", "playwright-core"))
    wkhtml = shutil.which("wkhtmltoimage")
    print("%d pages, timeout %d s, %d cores" % (n, args.timeout, os.cpu_count()))

    results = {}
    for fmt in args.formats.split(","):
        engines = [e.strip() for e in args.engines.split(",") if e.strip()]
        by_engine = {}
        for engine in engines:
            r = run_pagelith(args.convert, pages, fmt, os.path.join(work, "pagelith-%s-%s" % (engine, fmt)),
                             args.timeout, engine=engine)
            by_engine[engine] = r
            summary("pagelith (%s)" % engine, fmt, r, n)
            tall = [p for p in pages if p.endswith("gen-tall-1280x40k.html")]
            if tall and tall[0] in r["stages"]:
                st = r["stages"][tall[0]]
                print("  1280 x 40000 page: %.2f s in all, %.2f s loaded to written"
                      % (sum(st.values()), sum(st.values()) - st.get("load", 0)))
            audit_rulers(args.convert, r, rulers)
        print_stages(by_engine, n)
        ours = by_engine[engines[0]]
        results[("pagelith", fmt)] = ours
        base = n / ours["wall"] if ours["wall"] else 0
        peers = []
        if has_pw:
            peers.append(("playwright fullPage", run_playwright(args.playwright_dir, chromium, pages, fmt,
                                                                 os.path.join(work, "pw-" + fmt), args.timeout)))
        if chromium:
            peers.append(("chromium --screenshot", run_per_page(
                lambda page, file: [chromium, "--headless", "--no-sandbox", "--disable-gpu",
                                    "--host-resolver-rules=" + RESOLVER_RULE, "--window-size=1024,768",
                                    "--timeout=%d" % (args.timeout * 1000), "--screenshot=" + file, "file://" + page],
                pages, fmt, os.path.join(work, "chromium-" + fmt), args.timeout)))
        if wkhtml:
            peers.append(("wkhtmltoimage", run_per_page(
                lambda page, file: [wkhtml, "-q", "--width", "1024", "--quality", "85", page, file],
                pages, fmt, os.path.join(work, "wk-" + fmt), args.timeout)))
        for name, r in peers:
            results[(name, fmt)] = r
            pps = summary(name, fmt, r, n)
            print("%-22s      pagelith is %.2fx its speed, uses %.2fx its CPU and %.2fx its peak memory"
                  % ("", base / pps if pps else float("inf"), ours["cpu"] / r["cpu"] if r["cpu"] else 0,
                     ours["peak"] / r["peak"] if r["peak"] else 0))

    for jobs in [int(j) for j in args.jobs.split(",") if j.strip()]:
        r = run_pagelith(args.convert, pages, "PNG", os.path.join(work, "pagelith-jobs%d" % jobs),
                         args.timeout, jobs)
        summary("pagelith --jobs %d" % jobs, "PNG", r, n)
        audit_rulers(args.convert, r, rulers)

    # Completeness on PNG: the image heights each engine produced per page.
    if ("pagelith", "PNG") in results:
        names = [k[0] for k in results if k[1] == "PNG"]
        print("\nPNG image sizes (width x height):")
        print("%-32s " % "page" + " ".join("%-22s" % nm[:22] for nm in names))
        for page in pages:
            row = []
            for nm in names:
                f = results[(nm, "PNG")]["files"].get(page)
                size = png_size(f) if f else None
                row.append("%dx%d" % size if size else "-")
            print("%-32s " % os.path.basename(page)[:32] + " ".join("%-22s" % c for c in row))
    print("\noutputs kept in %s" % work)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Prints the benchmark tables: each target beside the measured medians, and pass or fail."""
import json
import math
import pathlib
import sys

UNIT = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}


def load(path):
    """Google Benchmark JSON -> {run name: {aggregate: entry}}."""
    if not path.exists():
        return {}
    runs = {}
    for entry in json.loads(path.read_text())["benchmarks"]:
        name = entry.get("run_name", entry["name"]).split("/iterations:")[0]
        for suffix in ("/manual_time", "/real_time"):
            name = name.removesuffix(suffix)
        runs.setdefault(name, {})[entry.get("aggregate_name", "single")] = entry
    return runs


def seconds(entry, clock="cpu_time"):
    return entry[clock] * UNIT[entry["time_unit"]]


def median(runs, name, clock="cpu_time"):
    entry = runs.get(name, {}).get("median")
    return seconds(entry, clock) if entry else None


def counter(runs, name, key, aggregate="median"):
    entry = runs.get(name, {}).get(aggregate)
    return entry.get(key) if entry else None


def fmt_time(value):
    if value is None:
        return "—"
    if value >= 1:
        return f"{value:.2f} s"
    if value >= 1e-3:
        return f"{value * 1e3:.2f} ms"
    return f"{value * 1e6:.1f} µs"


def verdict(ok):
    return "—" if ok is None else ("pass" if ok else "**FAIL**")


def table(title, header, rows):
    print(f"\n### {title}\n")
    print("| " + " | ".join(header) + " |")
    print("|" + "|".join("---" for _ in header) + "|")
    for row in rows:
        print("| " + " | ".join(str(cell) for cell in row) + " |")


def reading(plist, python):
    rows = []
    for name in ("defaults", "settings300"):
        ours = median(plist, f"read/xml/{name}/quillane")
        lib = median(plist, f"read/xml/{name}/libplist")
        py = python.get(f"read/xml/{name}/plistlib")
        size = counter(plist, f"read/xml/{name}/quillane", "bytes")
        label = f"{name} ({size / 1024:.1f} KiB XML)" if size else name
        if ours and lib:
            rows.append([f"read XML {label}", "≥ 5× libplist", fmt_time(ours), fmt_time(lib),
                         f"{lib / ours:.1f}×", verdict(lib / ours >= 5)])
        if ours and py:
            rows.append([f"read XML {label}", "≥ 15× plistlib", fmt_time(ours), fmt_time(py),
                         f"{py / ours:.1f}×", verdict(py / ours >= 15)])
        ours = median(plist, f"read/binary/{name}/quillane")
        lib = median(plist, f"read/binary/{name}/libplist")
        if ours and lib:
            rows.append([f"read binary {name}", "≥ 1× libplist", fmt_time(ours), fmt_time(lib),
                         f"{lib / ours:.1f}×", verdict(lib / ours >= 1)])
        ours = median(plist, f"write/xml/{name}/quillane")
        lib = median(plist, f"write/xml/{name}/libplist")
        if ours and lib:
            rows.append([f"write XML {name}", "≥ 1× libplist", fmt_time(ours), fmt_time(lib),
                         f"{lib / ours:.1f}×", verdict(lib / ours >= 1)])
    table("1. Reading and writing property lists (CPU time per file, median)",
          ["what", "target", "Quillane", "other", "speed-up", "result"], rows)


def pages(runs):
    unit = median(runs, "unit/settings300-read")
    rows = []
    for name in sorted(n for n in runs if n.startswith("page/")):
        build = median(runs, name)
        made = counter(runs, name, "parses")
        extra = counter(runs, name, "screen_parses")
        design = made - extra
        # The read timed just before the page's builds, when there is one.
        near = median(runs, "unit/before/" + name[5:]) or unit
        budget = design * near if near else None
        ratio = build / budget if budget else None
        rows.append([name[5:], int(counter(runs, name, "rows")), f"{made:.0f}", f"{design:.0f}",
                     fmt_time(build), fmt_time(budget), f"{ratio:.2f}" if ratio else "—",
                     verdict(ratio <= 1.3 if ratio else None)])
    print(f"\nOne read of the 300-key settings file (read + parse): {fmt_time(unit)}; each page's "
          "budget counts in the read timed just before its builds.")
    table("2. Page builds: rows, cells and screen (CPU time, median); target ratio ≤ 1.3",
          ["page", "rows", "parses made", "parses by design", "build", "design × one read",
           "ratio", "result"], rows)


def interactions(runs):
    flushed = median(runs, "write/flushed/15keys", "real_time")
    unflushed = median(runs, "write/unflushed/15keys", "real_time")
    flush = flushed - unflushed if flushed and unflushed else None
    rows = []
    names = sorted({n.split("/")[2] for n in runs if n.startswith("event/")},
                   key=lambda n: list(runs).index(f"event/script/{n}") if f"event/script/{n}" in runs else 0)
    for event in names:
        for front in ("script", "web"):
            name = f"event/{front}/{event}"
            if name not in runs:
                continue
            wall = median(runs, name, "real_time")
            p99 = seconds(runs[name]["p99"], "real_time") if "p99" in runs[name] else None
            cpu = counter(runs, name, "host_cpu_ms")
            cpu99 = counter(runs, name, "host_cpu_ms", "p99")
            writes = counter(runs, name, "writes") or 0
            quiet = writes == 0
            ok = (not quiet or cpu < 2) and cpu99 < 16.7
            share = f"{min(1.0, writes * flush / wall) * 100:.0f} %" if writes and flush and wall else "—"
            rows.append([event, front, f"{writes:.0f}", f"{cpu:.2f} ms", f"{cpu99:.2f} ms",
                         fmt_time(wall), fmt_time(p99), share,
                         "< 2 ms, p99 < 16.7 ms" if quiet else "p99 < 16.7 ms", verdict(ok)])
    if flushed and unflushed:
        print(f"\nAtomic write of the default settings file: {fmt_time(flushed)} flushed, "
              f"{fmt_time(unflushed)} without the two flushes (real time, median).")
    table("3. Interactions (host CPU time and wall-clock latency per event; median and p99)",
          ["event", "through", "files written", "host CPU median", "host CPU p99",
           "latency median", "latency p99", "of it flushing", "target", "result"], rows)


def growth(title, runs, prefix, unit_name, use_bytes=True):
    names = [n for n in runs if n.startswith(prefix) and not n.endswith("/read")]
    rows = []
    points = []
    for name in names:
        size = int(name[len(prefix):].split("/")[0])
        cost = median(runs, name)
        read = counter(runs, name, "bytes_read")
        points.append((size, cost, read))
    points.sort()
    worst = 0.0
    for i, (size, cost, read) in enumerate(points):
        basis = read if use_bytes else size
        per = cost / basis if basis else None
        exponent = "—"
        if i:
            prev_size, prev_cost, prev_read = points[i - 1]
            prev_basis = prev_read if use_bytes else prev_size
            if basis and prev_basis and basis != prev_basis:
                e = math.log(cost / prev_cost) / math.log(basis / prev_basis)
                exponent = f"{e:.2f}"
                worst = max(worst, e)
        rows.append([size, fmt_time(cost), f"{read / 1024:.0f} KiB" if read else "—",
                     f"{per * 1e9:.2f} ns" if per and use_bytes else (fmt_time(per) if per else "—"),
                     exponent])
    per_label = "per byte read" if use_bytes else f"per {unit_name}"
    basis_label = "bytes read" if use_bytes else unit_name + "s"
    table(f"{title} (CPU time, median); growth exponent vs {basis_label} ≤ 1.15: "
          f"{verdict(worst <= 1.15)}",
          [unit_name, "cost", "read per build", per_label, "growth exponent"], rows)


def footprint(runs, paint):
    rows = []
    idle = counter(runs, "footprint/serve", "rss_idle_kib")
    pages = counter(runs, "footprint/serve", "rss_pages_kib")
    peak = counter(runs, "footprint/serve", "rss_peak_kib")
    if idle:
        rows.append(["resident memory of serve, idle", "< 20 MB", f"{idle / 1024:.1f} MiB",
                     verdict(idle / 1024 < 20)])
        rows.append(["… after opening every page", "< 20 MB", f"{pages / 1024:.1f} MiB "
                     f"(peak {peak / 1024:.1f} MiB)", verdict(max(pages, peak) / 1024 < 20)])
    first = median(runs, "startup/first-screen", "real_time")
    cpu = counter(runs, "startup/first-screen", "host_cpu_ms")
    if first:
        rows.append(["start to first screen (script, one open)", "< 50 ms",
                     f"{fmt_time(first)} (CPU {cpu:.1f} ms)", verdict(first < 0.05)])
    if paint:
        rows.append(["first contentful paint in Chromium", "< 300 ms",
                     f"{paint['median_ms']:.0f} ms", verdict(paint["median_ms"] < 300)])
    table("5. Footprint (medians)", ["what", "target", "measured", "result"], rows)


def wallpaper(upload):
    rows = [["12-megapixel JPEG dropped → picture drawn over it", "≤ 500 ms",
             f"p50 {upload['p50_ms']:.0f} ms, p95 {upload['p95_ms']:.0f} ms "
             f"({len(upload['runs'])} uploads, {upload['photo_bytes'] / 2**20:.1f} MiB)",
             verdict(upload["p95_ms"] <= 500)]]
    table("6. Wallpaper in Chromium (wall time)", ["what", "target", "measured", "result"], rows)


def live_preview(runs, drag):
    rows = []
    pick = runs.get("preview/pick_and_push", {})
    if pick:
        p95 = seconds(pick["p95"], "real_time")
        rows.append(["pick + preview push, host CPU", "p95 ≤ 5 ms",
                     f"median {fmt_time(seconds(pick['median'], 'real_time'))}, p95 {fmt_time(p95)}",
                     verdict(p95 <= 5e-3)])
    if drag:
        rows.append([f"pointer move → restyle in Chromium ({drag['moves']} moves)", "p95 ≤ 16.7 ms",
                     f"median {drag['median_ms']:.1f} ms, p95 {drag['p95_ms']:.1f} ms",
                     verdict(drag["p95_ms"] <= 16.7)])
    table("Live preview while dragging", ["what", "target", "measured", "result"], rows)


def images(runs):
    rows = []
    jpeg = median(runs, "jpegBytesToPreset", "real_time")
    if jpeg:
        rows.append(["12-MP JPEG bytes → written preset (wall)", "≤ 300 ms", fmt_time(jpeg),
                     verdict(jpeg <= 0.3)])
    for kind, limit in (("jpeg", None), ("png", 2.0), ("heic", 2.0)):
        wall = median(runs, f"command/{kind}", "real_time")
        if wall is None:
            continue
        rss = counter(runs, f"command/{kind}", "peak_rss_MiB")
        target = f"< {limit:.0f} s" if limit else "—"
        rows.append([f"theme-from-image, 12-MP {kind.upper()} (wall)", target,
                     f"{fmt_time(wall)} (peak {rss:.0f} MiB)",
                     verdict(wall < limit) if limit else "—"])
    table("Themes from images", ["what", "target", "measured", "result"], rows)


def history(runs):
    rows = []
    for name, what in (("history/rowWrite/without", "row write without the history"),
                       ("history/rowWrite/with", "row write with the history"),
                       ("history/undo", "undo, with its durable writes"),
                       ("history/redo", "redo, with its durable writes")):
        entry = runs.get(name, {})
        if not entry:
            continue
        p99 = seconds(entry["p99"], "real_time")
        rows.append([what, "p99 < 16.7 ms", f"median {fmt_time(seconds(entry['median'], 'real_time'))}, "
                     f"p99 {fmt_time(p99)}", verdict(p99 < 16.7e-3)])
    for name, entry in runs.items():
        if name.startswith("history/size/"):
            size = entry["single"]["history_bytes"]
            rows.append([f"history on disk ({name.removeprefix('history/size/')})", "≤ 2 MiB",
                         f"{size / 1024:.1f} KiB", verdict(size <= 2 * 2**20)])
    table("History", ["what", "target", "measured", "result"], rows)


def server(runs):
    rows = []
    slow = runs.get("server/slow-connections", {}).get("single")
    if slow:
        rows.append(["user's GET /api/screen with 256 slow connections open", "p99 < 100 ms",
                     f"p50 {slow['user_p50_ms']:.1f} ms, p99 {slow['user_p99_ms']:.1f} ms "
                     f"({slow['user_requests']:.0f} requests)", verdict(slow["user_p99_ms"] < 100)])
    burst = runs.get("server/parallel-connections", {}).get("single")
    if burst:
        rows.append(["1,000 parallel connections, one GET each", "all answered, p99 < 1 s",
                     f"{burst['answered']:.0f} answered, p50 {burst['p50_ms']:.0f} ms, "
                     f"p99 {burst['p99_ms']:.0f} ms",
                     verdict(burst["answered"] == 1000 and burst["p99_ms"] < 1000)])
    uploads = runs.get("server/upload-burst", {}).get("single")
    if uploads:
        after = uploads["rss_after_kib"] / 1024
        rows.append(["resident memory after 16 parallel 32 MiB uploads", "< 40 MiB",
                     f"{after:.1f} MiB (idle {uploads['rss_idle_kib'] / 1024:.1f} MiB, "
                     f"peak {uploads['rss_peak_kib'] / 1024:.0f} MiB)", verdict(after < 40)])
    table("The web server under load (wall time)", ["what", "target", "measured", "result"], rows)


def phone(figures):
    def spread(figure):
        return f"median {figure['median_ms']:.1f} ms, p95 {figure['p95_ms']:.1f} ms"

    rows = [["desktop drag → the phone page's picture restyled, over the namespace's veth",
             "p95 < 33 ms", f"{spread(figures)} ({figures['followed']} of {figures['moves']} moves)",
             verdict(figures["p95_ms"] < 33 and figures["followed"] == figures["moves"])]]
    stages = figures.get("stages", {})
    for name, what in [("leave", "the move to its pick leaving the desktop"),
                       ("reach", "the pick to the picture at the phone's page"),
                       ("handle", "the phone page's handling of it"),
                       ("show", "to the phone's next frame showing it")]:
        if name in stages:
            rows.append([f"… {what}", "—", spread(stages[name]), "—"])
    if "server_alone" in figures:
        rows.append(["… of the reach, the server's and the network's share alone (a pick posted → "
                     "the phone's stream carries it, no browser)", "—",
                     spread(figures["server_alone"]), "—"])
    rows += [["the phone page's first contentful paint, iPhone emulation", "—",
              f"{figures['fcp_median_ms']:.0f} ms", "—"],
             ["… bytes it transfers", "—",
              f"{figures['bytes'] / 1024:.0f} KiB in {figures['requests']} requests", "—"]]
    table("The picture on a phone", ["what", "target", "measured", "result"], rows)


def main():
    folder = pathlib.Path(sys.argv[1])
    plist = load(folder / "plist.json")
    python = {}
    if (folder / "plistlib.json").exists():
        python = json.loads((folder / "plistlib.json").read_text())["seconds"]
    page_runs = {**load(folder / "scale.json"), **load(folder / "pages.json")}
    event_runs = load(folder / "events.json")
    foot = load(folder / "footprint.json")
    paint = json.loads((folder / "paint.json").read_text()) if (folder / "paint.json").exists() else None
    if plist:
        reading(plist, python)
        table("Reading large settings files (CPU time per parse, median)",
              ["keys", "bytes", "Quillane", "plistlib"],
              [[k, f"{counter(plist, f'read/xml/keys{k}/quillane', 'bytes') / 1024:.0f} KiB",
                fmt_time(median(plist, f"read/xml/keys{k}/quillane")),
                fmt_time(python.get(f"read/xml/keys{k}/plistlib"))]
               for k in (100, 1000, 10000, 100000) if f"read/xml/keys{k}/quillane" in plist])
    if page_runs:
        pages(page_runs)
    if event_runs:
        interactions(event_runs)
    if page_runs:
        growth("4a. Keys in the settings file → Connectivity page build", page_runs,
               "scale/keys/", "keys")
        growth("4b. Presets → Presets page build", page_runs, "scale/presets/", "preset",
               use_bytes=False)
        growth("4c. Rows on a page → page build", page_runs, "scale/rows/", "rows")
        growth("4d. Enabled modules → Toggles page build", page_runs, "scale/modules/", "modules")
    if foot or paint:
        footprint(foot, paint)
    drag = json.loads((folder / "drag.json").read_text()) if (folder / "drag.json").exists() else None
    preview_runs = load(folder / "preview.json")
    if preview_runs or drag:
        live_preview(preview_runs, drag)
    if (folder / "images.json").exists():
        images(load(folder / "images.json"))
    if (folder / "history.json").exists():
        history(load(folder / "history.json"))
    if (folder / "wallpaper.json").exists():
        wallpaper(json.loads((folder / "wallpaper.json").read_text()))
    if (folder / "server.json").exists():
        server(load(folder / "server.json"))
    if (folder / "phone.json").exists():
        phone(json.loads((folder / "phone.json").read_text()))


if __name__ == "__main__":
    main()

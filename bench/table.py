#!/usr/bin/env python3
"""Runs every benchmark of a build and prints one table: what was measured, on what input,
and the figure; writes the same rows as JSON to BUILD/bench/results.json."""
import json
import resource
import subprocess
import sys
from pathlib import Path


def figure(b):
    label = b.get("label", "")
    unit = label.rsplit("; ", 1)[1] if "; " in label else "items"
    if "items_per_second" in b:
        return f"{b['items_per_second']:,.0f} {unit}/s", b["items_per_second"], f"{unit}/s"
    if "bytes_per_second" in b:
        mb = b["bytes_per_second"] / 1e6
        return f"{mb:,.0f} MB/s ({b['real_time']:.3g} {b['time_unit']})", mb, "MB/s"
    return f"{b['real_time']:.3g} {b['time_unit']}", b["real_time"], b["time_unit"]


def main():
    build = Path(sys.argv[1] if len(sys.argv) > 1 else "build/release")
    out = build / "bench" / "benchmarks.json"
    cmd = [str(build / "bench" / "lumivane_bench"), "--benchmark_min_time=0.2",
           f"--benchmark_out={out}", "--benchmark_out_format=json"] + sys.argv[2:]
    subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL)
    peak_mb = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss / 1024.0
    data = json.loads(out.read_text())
    rows = []
    for b in data["benchmarks"]:
        text, value, unit = figure(b)
        label = b.get("label", "")
        rows.append({"benchmark": b["name"], "input": label.rsplit("; ", 1)[0] if "; " in label else label,
                     "figure": text, "value": value, "unit": unit})
    w1 = max(len(r["benchmark"]) for r in rows)
    w2 = max(len(r["input"]) for r in rows)
    print(f"{'benchmark':<{w1}}  {'input':<{w2}}  figure")
    print("-" * (w1 + w2 + 24))
    for r in rows:
        print(f"{r['benchmark']:<{w1}}  {r['input']:<{w2}}  {r['figure']}")
    print(f"\npeak memory of the benchmark run: {peak_mb:,.0f} MB; "
          f"{data['context'].get('num_cpus', '?')} CPUs, {data['context'].get('date', '')}")
    (build / "bench" / "results.json").write_text(json.dumps({"rows": rows, "peak_memory_mb": peak_mb}, indent=1))
    print(f"table written to {build / 'bench' / 'results.json'}")


if __name__ == "__main__":
    main()

"""End-to-end export benchmark: `korvanda export dat` as a user runs it, beside its peers.

For each size, the same generated agricultural rows (63 fields) are written pipe-separated by
  - korvanda export dat --db ROWS.db --query ...   beside the sqlite3 shell in list mode "|"
  - korvanda export dat ROWS.csv                   beside Python's csv module (reader -> writer)
each command run under /usr/bin/time -v, the four interleaved round after round; the medians of
processor time (user + system), wall time and peak resident memory are printed with each ratio
beside its peer.
  export_cli_bench.py --korvanda BIN --generator BIN --dir DIR [--rows 200000,2000000] [--rounds 3]
"""
import argparse
import os
import re
import statistics
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))


def timed(argv, stdout_path=None):
    """Runs argv under /usr/bin/time -v: (cpu seconds, wall seconds, peak MB)."""
    out = open(stdout_path, "wb") if stdout_path else subprocess.DEVNULL
    try:
        p = subprocess.run(["/usr/bin/time", "-v"] + argv, stdout=out, stderr=subprocess.PIPE,
                           check=False)
    finally:
        if stdout_path:
            out.close()
    err = p.stderr.decode("utf-8", "replace")
    if p.returncode != 0:
        sys.exit("failed: %s\n%s" % (" ".join(argv), err[-2000:]))

    def field(name):
        m = re.search(r"^\s*" + re.escape(name) + r": (.*)$", err, re.M)
        if not m:
            sys.exit("no %r in the output of /usr/bin/time" % name)
        return m.group(1).strip()

    wall = 0.0
    for part in field("Elapsed (wall clock) time (h:mm:ss or m:ss)").split(":"):
        wall = wall * 60 + float(part)
    cpu = float(field("User time (seconds)")) + float(field("System time (seconds)"))
    return cpu, wall, int(field("Maximum resident set size (kbytes)")) / 1024.0


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--korvanda", required=True)
    ap.add_argument("--generator", required=True)
    ap.add_argument("--dir", required=True)
    ap.add_argument("--rows", default="200000,2000000")
    ap.add_argument("--rounds", type=int, default=3)
    a = ap.parse_args()

    print("%-9s %-34s %8s %8s %8s   %-30s %8s %8s %8s   %6s %6s" % (
        "records", "korvanda export dat", "cpu s", "wall s", "peak MB", "peer", "cpu s",
        "wall s", "peak MB", "x cpu", "x wall"))
    for rows in [int(r) for r in a.rows.split(",")]:
        db = os.path.join(a.dir, "rows.db")
        csv_in = os.path.join(a.dir, "rows.csv")
        columns = subprocess.run([a.generator, "--generate", db, "--rows", str(rows)],
                                 check=True, capture_output=True, text=True).stdout.strip()
        select = "SELECT %s FROM agr ORDER BY rowid" % columns
        with open(csv_in, "wb") as f:
            subprocess.run(["sqlite3", "-csv", "-header", db, select], stdout=f, check=True)
        out = lambda name: os.path.join(a.dir, name)
        pairs = [
            ("from a query (--db)",
             [a.korvanda, "export", "dat", out("q.dat"), "--db", db, "--query", select],
             "sqlite3 shell, list mode \"|\"",
             ["sqlite3", "-list", "-separator", "|", "-newline", "\r\n", db, select], out("shell.dat")),
            ("from CSV",
             [a.korvanda, "export", "dat", out("c.dat"), csv_in],
             "python3 csv reader -> writer",
             [sys.executable, os.path.join(HERE, "csv_peer.py"), "--csv", csv_in, out("py.dat")], None),
        ]
        runs = {i: ([], []) for i in range(len(pairs))}
        for _ in range(a.rounds):
            for i, (_, kv, _, peer, peer_out) in enumerate(pairs):
                runs[i][0].append(timed(kv))
                runs[i][1].append(timed(peer, peer_out))
        for i, (what, _, peer_name, _, _) in enumerate(pairs):
            med = lambda rs, k: statistics.median(r[k] for r in rs)
            k, p = runs[i]
            print("%-9d %-34s %8.2f %8.2f %8.1f   %-30s %8.2f %8.2f %8.1f   %6.2f %6.2f" % (
                rows, what, med(k, 0), med(k, 1), med(k, 2), peer_name, med(p, 0), med(p, 1),
                med(p, 2), med(p, 0) / med(k, 0), med(p, 1) / med(k, 1)))
        sizes = [os.path.getsize(out(n)) for n in ("q.dat", "c.dat", "shell.dat")]
        print("%-9s files: query %.1f MB, CSV %.1f MB, shell %.1f MB; input CSV %.1f MB" % (
            "", sizes[0] / 1e6, sizes[1] / 1e6, sizes[2] / 1e6, os.path.getsize(csv_in) / 1e6))
    print("\nx = the peer's time over korvanda's (above 1: korvanda is faster); medians of %d "
          "interleaved rounds; peak = maximum resident set (/usr/bin/time -v)" % a.rounds)


if __name__ == "__main__":
    main()

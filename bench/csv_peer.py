"""Peer of the export benchmarks: the same rows written by Python's csv module.

  csv_peer.py DB OUT COLUMNS   loads every row of the benchmark table into memory (as the
                               library holds its record set), then writes them "|"-separated
                               with CR LF in cp1252; prints the timings as one JSON line.
  csv_peer.py --csv IN OUT     reads a CSV file with a header row record by record and writes
                               each record the same way, as `korvanda export dat IN` does.
"""
import csv
import json
import sqlite3
import sys
import time


def main(db_path, out_path, columns):
    t0, c0 = time.perf_counter(), time.process_time()
    con = sqlite3.connect(db_path)
    rows = con.execute("SELECT " + ", ".join(columns) + " FROM agr ORDER BY rowid").fetchall()
    con.close()
    t1, c1 = time.perf_counter(), time.process_time()
    with open(out_path, "w", encoding="cp1252", errors="replace", newline="") as out:
        writer = csv.writer(out, delimiter="|", lineterminator="\r\n",
                            quoting=csv.QUOTE_NONE, escapechar="\\")
        writer.writerows(rows)
    t2, c2 = time.perf_counter(), time.process_time()
    print(json.dumps({"load": c1 - c0, "write": c2 - c1, "loadWall": t1 - t0,
                      "writeWall": t2 - t1, "rows": len(rows)}))


def from_csv(in_path, out_path):
    with open(in_path, newline="", encoding="utf-8-sig") as src, \
            open(out_path, "w", encoding="cp1252", errors="replace", newline="") as out:
        reader = csv.reader(src)
        next(reader)
        writer = csv.writer(out, delimiter="|", lineterminator="\r\n",
                            quoting=csv.QUOTE_NONE, escapechar="\\")
        for row in reader:
            writer.writerow(row)


if __name__ == "__main__":
    if sys.argv[1] == "--csv":
        from_csv(sys.argv[2], sys.argv[3])
    else:
        main(sys.argv[1], sys.argv[2], sys.argv[3].split(","))

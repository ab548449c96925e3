"""Side-by-side figures for the table tool, whole processes on one 100,000-record day table
in one run: `tabletool create` from CSV, then `tabletool dump` against Python's dbfread and a
plain `cat` of the same file, each writing to a file and to /dev/null. Wall time is the best
of several runs; that run's CPU time (user + system) is what a quiet machine's wall time comes
to, and its peak memory is what /usr/bin/time -v reports.

    python3 bench/tabletool_bench.py TABLETOOL WORKDIR
"""
import os
import re
import shutil
import subprocess
import sys
import time

RECORDS = 100_000
RUNS = 7
HERE = os.path.dirname(os.path.abspath(__file__))
PYTHON = "/usr/bin/python3"

SCHEMA = """NPP N 4
KOMU C 50
SUBJECT C 160
PAY_SUM N 15 2
BANK C 50
PAY_DATA D
PAY_KIND_N C 20
PAY_KIND_S C 254
tag NPP NPP
"""


def write_csv(path):
    """The day of bench/engine_bench.cpp: every fourth record an income, sums with cents."""
    with open(path, "w", encoding="utf-8") as f:
        f.write("NPP,KOMU,SUBJECT,PAY_SUM,BANK,PAY_DATA,PAY_KIND_N,PAY_KIND_S\n")
        for i in range(RECORDS):
            code = "001.%03d.000.000.000" % (i % 100) if i % 4 == 0 else "2%02d.001.000.000.000" % (i % 100)
            f.write('%d,"ООО ""Поставщик № %d""",Оплата по счёту № %d за материалы и услуги,%.2f,'
                    "Сбербанк России,2008-10-13,%s,\n" % (i % 9999 + 1, i % 5000, i, i * 1.25 + 0.27, code))


def run(command, out_path, setup=None, runs=RUNS):
    """Best wall time of several whole-process runs, with that run's CPU seconds and peak KiB."""
    best = None
    for _ in range(runs):
        if setup:
            setup()
        report = out_path + ".time"
        with open(out_path, "wb") as out:
            start = time.perf_counter()
            child = subprocess.Popen(["/usr/bin/time", "-v", "-o", report] + command, stdout=out)
            _, status, usage = os.wait4(child.pid, 0)
            wall = time.perf_counter() - start
        child.returncode = os.waitstatus_to_exitcode(status)
        if child.returncode != 0:
            sys.exit("failed: %s" % " ".join(command))
        # The CPU time of /usr/bin/time and of the command it waited for, to the microsecond.
        cpu = usage.ru_utime + usage.ru_stime
        text = open(report).read()
        peak = int(re.search(r"Maximum resident set size \(kbytes\): (\d+)", text).group(1))
        if best is None or wall < best[0]:
            best = (wall, cpu, peak)
    return best


def main():
    tool, work = os.path.abspath(sys.argv[1]), sys.argv[2]
    os.makedirs(work, exist_ok=True)
    schema, rows = os.path.join(work, "day.schema"), os.path.join(work, "day.csv")
    with open(schema, "w") as f:
        f.write(SCHEMA)
    write_csv(rows)
    made = os.path.join(work, "made")
    table = os.path.join(made, "DayData.DBF")

    def fresh():
        shutil.rmtree(made, ignore_errors=True)
        os.makedirs(made)

    results = [("tabletool create (100,000 rows)",
                run([tool, "create", table, schema, rows], os.path.join(work, "create.out"), fresh, 3))]
    size = os.path.getsize(table)
    subprocess.run([tool, "check", table], check=True, stdout=subprocess.DEVNULL)
    with open(table, "rb") as f:  # the file in the page cache for everyone alike
        while f.read(1 << 20):
            pass
    to_file = os.path.join(work, "out")
    cases = [
        ("tabletool dump > file", [tool, "dump", table], to_file),
        ("dbfread CSV > file", [PYTHON, os.path.join(HERE, "dbfread_dump.py"), table], to_file),
        ("dbfread read only", [PYTHON, os.path.join(HERE, "dbfread_scan.py"), table, "1"], to_file),
        ("cat > file", ["cat", table], to_file),
        ("tabletool dump > /dev/null", [tool, "dump", table], os.devnull),
        ("cat > /dev/null", ["cat", table], os.devnull),
    ]
    for name, command, out in cases:
        results.append((name, run(command, out)))

    print("%d records, %.1f MB table" % (RECORDS, size / 1e6))
    print("%-34s %9s %9s %10s" % ("", "wall s", "CPU s", "peak MiB"))
    for name, (wall, cpu, peak) in results:
        print("%-34s %9.3f %9.3f %10.1f" % (name, wall, cpu, peak / 1024))
    for column, label in ((0, "wall"), (1, "CPU")):
        t = dict((name, r[column]) for name, r in results)
        dump, dump_null = t["tabletool dump > file"], t["tabletool dump > /dev/null"]
        print("%s: dump is %.1fx faster than dbfread writing CSV and %.1fx than dbfread only reading;"
              " it takes %.2fx a cat to a file, %.2fx a cat to /dev/null (dump to /dev/null)"
              % (label, t["dbfread CSV > file"] / dump, t["dbfread read only"] / dump,
                 dump / t["cat > file"], dump_null / t["cat > /dev/null"]))


main()

"""Times Python's dbfread reading every field of every record of a .DBF (the reference
figure the engine's full scan is compared with)."""
import sys
import time

from dbfread import DBF

path = sys.argv[1]
runs = int(sys.argv[2]) if len(sys.argv) > 2 else 3
best = None
for _ in range(runs):
    start = time.perf_counter()
    count = 0
    for record in DBF(path, encoding="cp1251"):
        for value in record.values():
            pass
        count += 1
    elapsed = time.perf_counter() - start
    best = elapsed if best is None else min(best, elapsed)
print(f"dbfread: {count} records, best of {runs}: {best * 1000:.1f} ms")

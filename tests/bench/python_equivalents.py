# The programs of language_bench.cpp in Python, to compare the script language's speed with
# CPython's: python3 tests/bench/python_equivalents.py
import time


def fib(n):
    if n < 2:
        return n
    return fib(n - 1) + fib(n - 2)


def loop():
    s = 0
    for i in range(3000000):
        s += i * i % 7
    return s


def strings():
    s = ""
    for i in range(200000):
        s += str(i)
    return len(s)


def fact(n):
    if n <= 1:
        return 1
    return n * fact(n - 1)


def chain():
    t = 0
    for _ in range(20000):
        t += fact(12)
    return t


for name, program in [("fib(27)", lambda: fib(27)), ("loop", loop), ("strings", strings), ("fact chain", chain)]:
    best = None
    for _ in range(3):
        start = time.perf_counter()
        program()
        elapsed = time.perf_counter() - start
        best = elapsed if best is None else min(best, elapsed)
    print(f"{name:12s} {best * 1000:8.1f} ms")

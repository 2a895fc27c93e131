#!/usr/bin/env python3
"""Mutation testing: plants one realistic fault at a time in the given sources, builds
the tests that cover them in a private copy of the tree and reports which faults the
tests catch. Run through scripts/mutants.sh; docs/mutants.md explains the figures."""

import argparse
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

# Binary operators are matched only between spaces: clang-format writes them that
# way and never writes template brackets, `->`, `<<` or `&&` references so.
REL = {"<": "<=", "<=": "<", ">": ">=", ">=": ">", "==": "!=", "!=": "=="}
RE_REL = re.compile(r"(?<= )(<=|>=|==|!=|<|>)(?= )")
RE_LOGIC = re.compile(r"(?<= )(&&|\|\|)(?= )")
RE_ARITH = re.compile(r"(?<= )(\+=|-=|\+|-)(?= )")
RE_INT = re.compile(r"(?<![\w.'])(\d+)(?![\w.'])")
RE_IF = re.compile(r"\bif \(")
RE_CALL = re.compile(r"^(?:[A-Za-z_]\w*(?:::|\.|->))*([A-Za-z_]\w*)\(.*\);$")
RE_BOOL = re.compile(r"\breturn (true|false);")
KEYWORDS = {"return", "throw", "delete", "sizeof", "static_assert", "co_return", "co_yield",
            "co_await", "alignas", "decltype", "typeid", "new"}
FLIP = {"&&": "||", "||": "&&", "+": "-", "-": "+", "+=": "-=", "-=": "+=",
        "true": "false", "false": "true"}


def mask(text):
    """Returns `text` with comments and the insides of string and character literals
    blanked to spaces (quotes kept), so operators there are never mutated; offsets and
    line breaks are preserved so a site in the mask is the same site in the source."""
    out, i, n = list(text), 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            lo = i
            hi = nxt = n if text.find("\n", i) < 0 else text.find("\n", i)
        elif text.startswith("/*", i):
            lo, hi = i, (n if text.find("*/", i + 2) < 0 else text.find("*/", i + 2) + 2)
            nxt = hi
        elif text.startswith('R"', i) and not (i and (text[i - 1].isalnum() or text[i - 1] == "_")):
            k = text.find("(", i)
            hi = text.find(")" + text[i + 2:k] + '"', k) if k >= 0 else -1
            lo, hi = i + 2, (n if hi < 0 else hi + k - i - 1)
            nxt = hi + 1
        elif c == '"' or (c == "'" and not (i and text[i - 1].isdigit())):
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            lo, hi, nxt = i + 1, j, j + 1
        else:
            i += 1
            continue
        for k in range(lo, min(hi, n)):
            if out[k] != "\n":
                out[k] = " "
        i = max(nxt, i + 1)
    return "".join(out)


def sites(path, text):
    """Every mutant of one file as (path, line, col, old, new), in source order."""
    lines, found = mask(text).split("\n"), []
    src = text.split("\n")
    prep = False
    for no, m in enumerate(lines):
        s = m.strip()
        if prep or s.startswith("#"):
            prep = s.endswith("\\")
            continue
        if not s:
            continue
        add = lambda col, old, new: found.append((path, no + 1, col, old, new))
        for r in RE_REL.finditer(m):
            add(r.start(), r.group(1), REL[r.group(1)])
        for r in RE_LOGIC.finditer(m):
            add(r.start(), r.group(1), FLIP[r.group(1)])
        for r in RE_ARITH.finditer(m):
            if '"' not in (m[r.start() - 2], m[r.end() + 1:r.end() + 2]):
                add(r.start(), r.group(1), FLIP[r.group(1)])
        for r in RE_INT.finditer(m):
            v = int(r.group(1))
            if v <= 255 and not r.group(1).startswith("0") or v == 0:
                add(r.start(), r.group(1), {0: "1", 1: "0"}.get(v, str(v + 1)))
        for r in RE_IF.finditer(m):
            a, depth = r.end() - 1, 0
            for b in range(a, len(m)):
                depth += {"(": 1, ")": -1}.get(m[b], 0)
                if depth == 0:
                    cond = src[no][a + 1:b]
                    if ";" not in m[a:b] and not re.match(r"\s*(auto|const)\b", cond):
                        add(a, src[no][a:b + 1], "(!(" + cond + "))")
                    break
        for r in RE_BOOL.finditer(m):
            add(r.start(1), r.group(1), FLIP[r.group(1)])
        call = RE_CALL.match(s)
        prev = next((p.strip() for p in reversed(lines[:no]) if p.strip()), "{")
        if call and call.group(1) not in KEYWORDS and prev[-1] in ";{}:":
            add(m.index(s[0]), src[no].strip(), ";")
        if s in ("break;", "continue;"):
            after = next((p.strip() for p in lines[no + 1:] if p.strip() not in ("", "}")), "")
            if not after.startswith(("case ", "default:")):
                add(m.index(s[0]), s, ";")
    return found


def pick(files, root, count, seed):
    """Chooses `count` mutants by `seed`, taking from each file in turn so a large file
    does not crowd out the rest; the choice depends only on the files' contents."""
    rng, pools = random.Random(seed), []
    for f in sorted(files):
        with open(os.path.join(root, f), encoding="utf-8", errors="surrogateescape") as h:
            pool = sites(f, h.read())
        rng.shuffle(pool)
        if pool:
            pools.append(pool)
    rng.shuffle(pools)
    chosen = []
    while pools and len(chosen) < count:
        for pool in list(pools):
            if len(chosen) < count:
                chosen.append(pool.pop())
            if not pool:
                pools.remove(pool)
    return chosen


def apply(text, mutant):
    _, line, col, old, new = mutant
    lines = text.split("\n")
    row = lines[line - 1]
    assert row[col:col + len(old)] == old, mutant
    lines[line - 1] = row[:col] + new + row[col + len(old):]
    return "\n".join(lines)


def targets_for(path, all_tests):
    """The test executables that cover a source file: src/<dir> has tests/<dir>."""
    parts = path.split("/")
    name = parts[2] if parts[:2] == ["src", "erp"] and len(parts) > 3 else parts[1]
    wanted = {"store": ["test_store", "test_sweep"]}.get(name, ["test_" + name])
    found = [t for t in wanted if t in all_tests]
    return found or sorted(all_tests)


RUNNING = []  # the build or test now running: its whole process group stops with us


def spawn(cmd, **kw):
    RUNNING[:] = [subprocess.Popen(cmd, start_new_session=True, **kw)]
    return RUNNING[0]


def stop(*_):
    for p in RUNNING:
        try:
            os.killpg(p.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
    sys.exit(130)


def run_tests(build, exes, timeouts, env):
    """Runs the executables in turn; returns None when all pass, else why one did not."""
    for exe in exes:
        p = spawn([os.path.join(build, "tests", exe), "--gtest_fail_fast", "--gtest_brief=1"],
                  cwd=os.path.join(build, "tests"), env=env, stdout=subprocess.DEVNULL,
                  stderr=subprocess.DEVNULL)
        try:
            rc = p.wait(timeout=timeouts.get(exe))
        except subprocess.TimeoutExpired:
            os.killpg(p.pid, signal.SIGKILL)
            p.wait()
            return exe + " timed out"
        if rc:
            return "%s %s" % (exe, "crashed" if rc < 0 else "failed")
    return None


def main():
    ap = argparse.ArgumentParser(prog="mutants.sh", description=__doc__)
    ap.add_argument("paths", nargs="+", help="source folders or files, relative to the tree")
    ap.add_argument("--count", type=int, default=20)
    ap.add_argument("--seed", type=int, default=20261207)
    ap.add_argument("--tree", help="checkout whose sources and tests are used (default: this one)")
    ap.add_argument("--jobs", type=int, default=os.cpu_count() or 2, help="build parallelism")
    ap.add_argument("--list", action="store_true", help="print the mutants, build nothing")
    ap.add_argument("--min-score", type=float, help="exit 1 when the score is below this")
    ap.add_argument("--survivors", default=os.path.join(tempfile.gettempdir(), "mutants-survivors.txt"))
    a = ap.parse_args()

    tree = a.tree or subprocess.run(["git", "rev-parse", "--show-toplevel"], capture_output=True,
                                    text=True).stdout.strip() or os.path.dirname(sys.path[0])
    tree = os.path.abspath(tree)
    files = []
    for p in a.paths:
        full = os.path.join(tree, p)
        if os.path.isdir(full):
            files += [os.path.relpath(os.path.join(d, f), tree) for d, _, fs in os.walk(full)
                      for f in fs if f.endswith(".cc")]
        elif os.path.isfile(full):
            files.append(os.path.relpath(full, tree))
        else:
            sys.exit("mutants: no such source in %s: %s" % (tree, p))
    mutants = pick(files, tree, a.count, a.seed)
    if a.list:
        for m in mutants:
            print("%s:%d: '%s' -> '%s'" % (m[0], m[1], m[3], m[4]))
        return 0
    if not mutants:
        sys.exit("mutants: no mutation sites in the given sources")

    # The copy sits under the ccache base directory so its paths hash like every other
    # checkout's; the cache then serves all but the mutated object.
    env = dict(os.environ)
    base = env.get("CCACHE_BASEDIR")
    work = tempfile.mkdtemp(prefix=".mutants-", dir=base if base and os.access(base, os.W_OK) else None)
    env.setdefault("CCACHE_BASEDIR", work)
    if "CCACHE_HASHDIR" not in env:
        env.setdefault("CCACHE_NOHASHDIR", "1")
    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)
    try:
        return score(a, tree, work, mutants, env)
    finally:
        shutil.rmtree(work, ignore_errors=True)


def score(a, tree, work, mutants, env):
    listed = subprocess.run(["git", "-C", tree, "ls-files", "-z", "--cached", "--others",
                             "--exclude-standard"], capture_output=True)
    if listed.returncode == 0:
        for f in listed.stdout.decode().split("\0"):
            if f and os.path.isfile(os.path.join(tree, f)):
                os.makedirs(os.path.dirname(os.path.join(work, f)) or work, exist_ok=True)
                shutil.copy2(os.path.join(tree, f), os.path.join(work, f))
    else:
        shutil.copytree(tree, work, dirs_exist_ok=True, ignore=shutil.ignore_patterns("build*", ".git"))
    build = os.path.join(work, "build")
    log = os.path.join(work, "build.log")
    cmake = ["cmake", "-S", work, "-B", build, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=RelWithDebInfo",
             "-DCMAKE_CXX_COMPILER_LAUNCHER=ccache", "-DCMAKE_C_COMPILER_LAUNCHER=ccache",
             "-DCL_TESTES_POSTGRES=OFF", "-DCL_BUILD_BENCH=OFF"]
    all_tests = {"test_" + d for d in os.listdir(os.path.join(work, "tests"))
                 if any(f.endswith(".cc") for _, _, fs in os.walk(os.path.join(work, "tests", d)) for f in fs)}
    plan = {m[0]: targets_for(m[0], all_tests) for m in mutants}
    needed = sorted({t for ts in plan.values() for t in ts})

    def ninja(targets):
        with open(log, "w") as out:
            return spawn(["ninja", "-C", build, "-j", str(a.jobs)] + targets, stdout=out,
                         stderr=subprocess.STDOUT, env=env).wait() == 0

    env["CL_BIBLIOTECA_MENSAGENS"] = os.path.join(build, "libzqmensagens.so")
    env["GTEST_FAIL_FAST"] = "1"
    start = time.time()
    print("mutants: building the unmutated tests (%s) in %s" % (" ".join(needed), work), flush=True)
    if subprocess.run(cmake, capture_output=True, env=env).returncode or not ninja(needed):
        sys.stdout.write(open(log).read()[-3000:])
        print("mutants: the unmutated tree does not build; no score")
        return 2
    took = {}
    for exe in needed:
        t0 = time.time()
        why = run_tests(build, [exe], {}, env)
        took[exe] = time.time() - t0
        if why:
            print("mutants: the unmutated tree's tests fail (%s); no score" % why)
            return 2
    timeouts = {exe: 3 * t + 10 for exe, t in took.items()}
    print("mutants: baseline ready in %.0fs (%s)" % (time.time() - start, ", ".join(
        "%s %.1fs" % kv for kv in sorted(took.items()))), flush=True)

    killed = valid = 0
    survivors = []
    loop = time.time()
    for m in mutants:
        t0, path = time.time(), os.path.join(work, m[0])
        with open(path, encoding="utf-8", errors="surrogateescape") as h:
            original = h.read()
        try:
            with open(path, "w", encoding="utf-8", errors="surrogateescape") as h:
                h.write(apply(original, m))
            exes = sorted(plan[m[0]], key=took.get)  # quickest first: the first failure ends it
            why = run_tests(build, exes, timeouts, env) if ninja(plan[m[0]]) else "invalid"
        finally:
            with open(path, "w", encoding="utf-8", errors="surrogateescape") as h:
                h.write(original)
        outcome = "invalid" if why == "invalid" else "killed" if why else "SURVIVED"
        valid += outcome != "invalid"
        killed += outcome == "killed"
        line = "%s:%d: '%s' -> '%s'" % (m[0], m[1], m[3], m[4])
        if outcome == "SURVIVED":
            survivors.append(line)
        print("%-8s %s  (%s%.0fs)" % (outcome, line, why + ", " if why and why != "invalid" else "",
                                      time.time() - t0), flush=True)
    pct = 100.0 * killed / valid if valid else 0.0
    with open(a.survivors, "w") as h:
        h.write("".join(s + "\n" for s in survivors))
    print("score: %d killed of %d valid (%.0f%%)" % (killed, valid, pct))
    print("mutants: %d mutants in %.0fs (%.0fs each), survivors in %s" % (
        len(mutants), time.time() - loop, (time.time() - loop) / len(mutants), a.survivors))
    if a.min_score is not None and pct < a.min_score:
        print("mutants: score below %g%%" % a.min_score)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())

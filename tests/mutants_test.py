"""The mutation tool's mutants of a fixture: none in comments, strings or preprocessor
lines, every family present, and each one compiles with the project's warnings (a tool
whose mutants do not build measures nothing)."""
import os, subprocess, sys, tempfile

root, compiler = sys.argv[1], sys.argv[2]
sys.path.insert(0, os.path.join(root, "scripts"))
import mutants  # noqa: E402

fixture = os.path.join(root, "tests", "fixtures", "mutants.cpp")
text = open(fixture).read()
found = mutants.sites("mutants.cpp", text)
lines = text.split("\n")
bad = [m for m in found if "NEVER" in lines[m[1] - 1]]
olds = {m[3] if m[4] != ";" or m[3] in ("break;", "continue;") else "call" for m in found}
missing = {"<", "<=", ">", ">=", "==", "!=", "&&", "||", "+", "-", "+=", "0", "1", "100", "true",
           "false", "call", "break;", "continue;"} - olds
missing |= {"if"} if not any(m[3].startswith("(") for m in found) else set()
broken = []
with tempfile.NamedTemporaryFile("w", suffix=".cc") as out:
    for m in found:
        out.seek(0), out.truncate(), out.write(mutants.apply(text, m)), out.flush()
        cc = subprocess.run([compiler, "-std=c++20", "-fsyntax-only", "-Wall", "-Wextra", "-Werror",
                             out.name], capture_output=True)
        broken += [m] if cc.returncode else []
for what, items in (("mutated a NEVER line", bad), ("no mutant of", missing), ("does not compile", broken)):
    for m in sorted(items, key=str):
        print(what, m)
sys.exit(1 if bad or missing or broken else 0)

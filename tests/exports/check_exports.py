#!/usr/bin/env python3
"""Fails when libkorvanda.so exports a symbol that the public headers do not declare.

The library is built with hidden visibility; what it exports is the C ABI (kv_*) and the C++ API
of include/korvanda. Every exported korvanda:: name must be made only of words that those headers
declare (comments stripped), so an internal function, class or namespace that leaks (a missing
hidden flag, a stray visibility attribute) fails the check. Template instantiations of the
standard library are exported by libstdc++'s own visibility and are allowed.

usage: check_exports.py <libkorvanda.so> <include/korvanda>
"""
import pathlib
import re
import subprocess
import sys

LINKER_SYMBOLS = {"_init", "_fini", "_edata", "_end", "__bss_start"}
STD_PREFIXES = ("std::", "__gnu_cxx::", "void std::", "bool std::", "__cxxabiv1::")
WRAPPERS = ("typeinfo for ", "typeinfo name for ", "vtable for ", "VTT for ",
            "non-virtual thunk to ", "virtual thunk to ", "guard variable for ")


def public_words(include_dir: pathlib.Path) -> set[str]:
    words: set[str] = set()
    for header in include_dir.glob("*.h"):
        text = header.read_text(encoding="utf-8")
        text = re.sub(r"/\*.*?\*/", " ", text, flags=re.S)
        text = re.sub(r"//[^\n]*", " ", text)
        words.update(re.findall(r"[A-Za-z_~][A-Za-z0-9_]*", text))
    return words


def unwrapped(symbol: str) -> str:
    for wrapper in WRAPPERS:
        if symbol.startswith(wrapper):
            symbol = symbol[len(wrapper):]
    return symbol


def qualified_name(symbol: str) -> str:
    # Drop the parameter list and any template arguments: the name is what precedes them.
    depth, name = 0, []
    for ch in symbol:
        if ch == "<":
            depth += 1
        elif ch == ">":
            depth -= 1
        elif ch == "(" and depth == 0:
            break
        elif depth == 0:
            name.append(ch)
    return re.sub(r"\[abi:[^\]]*\]", "", "".join(name).strip().split(" ")[-1])


def leaks(library: str, include_dir: pathlib.Path) -> list[str]:
    words = public_words(include_dir)
    out = subprocess.run(["nm", "-D", "--defined-only", "-C", library], check=True,
                         capture_output=True, text=True).stdout
    bad = []
    for symbol in (line.split(" ", 2)[-1] for line in out.splitlines() if line.count(" ") >= 2):
        bare = unwrapped(symbol)
        if symbol in LINKER_SYMBOLS or symbol.startswith("kv_") or bare.startswith(STD_PREFIXES):
            continue
        pieces = qualified_name(bare).split("::")
        if pieces[0] != "korvanda" or not all(p.lstrip("~") in words or p in words
                                              for p in pieces[1:]):
            bad.append(symbol)
    return bad


def main() -> int:
    library, include_dir = sys.argv[1], pathlib.Path(sys.argv[2])
    bad = leaks(library, include_dir)
    for symbol in bad:
        print(f"exported but not public: {symbol}")
    if bad:
        print(f"{len(bad)} internal symbol(s) exported by {library}")
        return 1
    print(f"{library}: every exported symbol is the C ABI or the public C++ API")
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Every include of the product code stays within its layer and the layers
below it, as the build declares them.

Arguments: the source directory, then one LAYER=BELOW,BELOW... per layer.
The build itself refuses an upward include in a source file; this also
catches one in a header that only a higher layer's sources include.
"""
import re
import sys
from pathlib import Path

src = Path(sys.argv[1])
uses = {}
for arg in sys.argv[2:]:
    layer, _, below = arg.partition("=")
    uses[layer] = [b for b in below.split(",") if b]


def reachable(layer):
    seen, todo = {layer}, [layer]
    while todo:
        for below in uses[todo.pop()]:
            if below not in seen:
                seen.add(below)
                todo.append(below)
    return seen


include = re.compile(r'^\s*#\s*include\s+"([^"/]+)/[^"]+"', re.M)
faults = []
for layer in uses:
    allowed = reachable(layer)
    for path in sorted((src / layer).glob("*")):
        if path.suffix not in (".h", ".cpp"):
            continue
        for target in include.findall(path.read_text(errors="replace")):
            if target not in allowed:
                faults.append(f"{path.relative_to(src)}: includes {target}/, above {layer}")
folders = {p.name for p in src.iterdir() if p.is_dir()}
for folder in sorted(folders - set(uses)):
    faults.append(f"{folder}/: a folder of sources that no layer of the build holds")
for fault in faults:
    print(fault)
print(f"{len(uses)} layers checked, {len(faults)} faults")
sys.exit(1 if faults else 0)

#!/usr/bin/env python3
"""Checks the layers of src/: the core (src/core) includes no Qt header and nothing of the UI,
every source the core library compiles lies in src/core, and no two folders include each other,
directly or around a cycle.

Usage: check-layers.py SRC_DIR [CORE_SOURCES_LIST]"""
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)
QT = re.compile(r'^(Q[A-Za-z]|Qt)')
# Folders whose reach is narrower than "no cycle": the folders each may include.
ALLOWED = {
    'core/replaygain': {'core/common', 'core/metadata'},
    'core/batch': {'core/common', 'core/metadata', 'core/tablestore', 'core/library',
                   'core/playlists'},
}


def folder_of(path, src):
    rel = os.path.relpath(path, src).split(os.sep)
    return '/'.join(rel[:2]) if rel[0] in ('core', 'ui') else rel[0]


def main():
    src = os.path.abspath(sys.argv[1])
    faults = []
    edges = {}
    for root, _, files in os.walk(src):
        for name in files:
            if not name.endswith(('.h', '.cpp')):
                continue
            path = os.path.join(root, name)
            here = folder_of(path, src)
            with open(path, encoding='utf-8') as f:
                text = f.read()
            for kind, target in INCLUDE.findall(text):
                if kind == '<' and here.startswith('core/') and QT.match(target):
                    faults.append(f'{path}: the core includes Qt <{target}>')
                if kind != '"' or not os.path.exists(os.path.join(src, target)):
                    continue
                there = folder_of(os.path.join(src, target), src)
                if here.startswith('core/') and not there.startswith('core/'):
                    faults.append(f'{path}: the core includes "{target}"')
                if there != here:
                    edges.setdefault(here, set()).add(there)
                    if here in ALLOWED and there not in ALLOWED[here]:
                        faults.append(f'{path}: {here} may not include "{target}"')
    if len(sys.argv) > 2:
        with open(sys.argv[2], encoding='utf-8') as f:
            for source in f.read().split():
                if os.path.isabs(source) and not source.startswith(os.path.join(src, 'core') + os.sep):
                    faults.append(f'{source}: compiled into the core but not in src/core')

    # Depth-first search for a cycle between folders.
    state = {}

    def visit(node, trail):
        state[node] = 'open'
        for nxt in sorted(edges.get(node, ())):
            if state.get(nxt) == 'open':
                faults.append('folders include each other: ' + ' -> '.join(trail + [node, nxt]))
            elif nxt not in state:
                visit(nxt, trail + [node])
        state[node] = 'done'

    for node in sorted(edges):
        if node not in state:
            visit(node, [])
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main())

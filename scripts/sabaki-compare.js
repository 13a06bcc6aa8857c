#!/usr/bin/env node
// Parses every SGF file of a collection and what `kifugram -to sgf
// -short_keys` writes of it with @sabaki/sgf (the parser of the Sabaki
// editor), and compares the two trees node by node: the properties and
// their values, apart from what the README says -to sgf rewrites (the
// header, marks and labels, passes, compressed lists, a node of two moves
// split). Prints one line per file that differs and a count.
//
//   scripts/sabaki-compare.sh [kifugram] [corpus-dir]   (installs the parser)
//   node scripts/sabaki-compare.js KIFUGRAM DIR          (with NODE_PATH set)
"use strict";
const fs = require("fs");
const path = require("path");
const os = require("os");
const { execFileSync } = require("child_process");
const sgf = require("@sabaki/sgf");

const [kifugram, corpus] = process.argv.slice(2);
const LISTS = new Set(["AB", "AW", "AE", "MA", "TR", "SQ", "CR", "DD", "TB", "TW", "VW", "L", "M"]);
// Written by kifugram itself, or not in FF[4] (README: "What -to sgf rewrites").
const HEADER = new Set(["AP", "FF", "GM", "RG"]);
// Game information that kifugram writes only when it is not empty.
const INFO = new Set(["GN", "EV", "ID", "PB", "BR", "PW", "WR", "DT", "PC", "RE", "HA", "KM", "SO", "TM",
                      "RU", "AN", "GC", "RO", "US", "N"]);

function files(dir) {
  const out = [];
  for (const entry of fs.readdirSync(dir, { withFileTypes: true })) {
    const full = path.join(dir, entry.name);
    if (entry.isDirectory()) out.push(...files(full));
    else if (/\.sgf$/i.test(entry.name)) out.push(full);
  }
  return out.sort();
}

function expand(value) {
  const m = /^([a-zA-Z]{2}):([a-zA-Z]{2})$/.exec(value);
  if (!m) return [value];
  const [x0, y0, x1, y1] = [m[1][0], m[1][1], m[2][0], m[2][1]].map((c) => c.charCodeAt(0));
  const out = [];
  for (let y = Math.min(y0, y1); y <= Math.max(y0, y1); ++y)
    for (let x = Math.min(x0, x1); x <= Math.max(x0, x1); ++x) out.push(String.fromCharCode(x, y));
  return out;
}

// One node's properties in the form both sides are compared in.
function normal(data, size, root) {
  const out = {};
  const add = (key, values) => {
    out[key] = (out[key] || []).concat(values);
  };
  let letter = 0;
  for (const [key, values] of Object.entries(data)) {
    if (HEADER.has(key)) continue;
    if (key === "SZ") {
      if (values[0] !== "19") add(key, values);
      continue;
    }
    if (INFO.has(key) && values.every((v) => v.trim() === "")) continue;
    if (key === "B" || key === "W") {
      add(key, values.map((v) => (v === "tt" && size <= 19 ? "" : v)));
      continue;
    }
    if (key === "C" || key === "GC") {
      const text = values.join("\n").replace(/\s+/g, " ").trim();
      if (text) add(key, [text]);
      continue;
    }
    if (key === "L") {
      // Letters given by their place: a, b, c, ... in order.
      for (const v of values.flatMap(expand)) add("LB", [`${v}:${String.fromCharCode(97 + letter++)}`]);
      continue;
    }
    if (key === "LB") {
      add(key, values.filter((v) => /^..:./s.test(v)));
      continue;
    }
    if (key === "M") {
      add("MA", values.flatMap(expand));
      continue;
    }
    if (key === "VW") {
      const points = values.flatMap(expand).filter((v) => v.length === 2);
      if (!points.length) continue;
      const xs = points.map((p) => p.charCodeAt(0)), ys = points.map((p) => p.charCodeAt(1));
      const box = [Math.min(...xs), Math.min(...ys), Math.max(...xs), Math.max(...ys)];
      const a = 97;
      if (box[0] === a && box[1] === a && box[2] === a + size - 1 && box[3] === a + size - 1) continue;
      add(key, [String.fromCharCode(box[0], box[1], 58, box[2], box[3])]);
      continue;
    }
    add(key, LISTS.has(key) ? values.flatMap(expand) : values);
  }
  for (const key of Object.keys(out)) if (LISTS.has(key) || key === "LB") out[key].sort();
  if (root && out.PL) delete out.PL.dummy;
  return out;
}

function same(a, b) {
  return JSON.stringify(Object.keys(a).sort().map((k) => [k, a[k]])) ===
         JSON.stringify(Object.keys(b).sort().map((k) => [k, b[k]]));
}

// The nodes of a tree, depth first, each with its path of child indexes.
function walk(node, size, visit) {
  const stack = [[node, "0"]];
  while (stack.length) {
    const [n, where] = stack.pop();
    visit(n, where);
    for (let i = n.children.length - 1; i >= 0; --i) stack.push([n.children[i], `${where}.${i}`]);
  }
}

// A node with a black and a white move is two nodes, as kifugram reads it:
// the second move begins the second node, with what follows it.
function split(node) {
  const stack = [node];
  while (stack.length) {
    const n = stack.pop();
    if (n.data.B && n.data.W) {
      const first = {}, second = {};
      let moves = 0;
      for (const [key, values] of Object.entries(n.data)) {
        if (key === "B" || key === "W") ++moves;
        (moves > 1 ? second : first)[key] = values;
      }
      n.data = first;
      n.children = [{ data: second, children: n.children }];
    }
    stack.push(...n.children);
  }
  return node;
}

function nodes(tree, size, header) {
  const out = [];
  let root = split(tree);
  if (header && root.children.length === 1) {
    // The writer's header node and the node after it are one node.
    const merged = { ...root.data };
    for (const [k, v] of Object.entries(root.children[0].data)) merged[k] = (merged[k] || []).concat(v);
    root = { data: merged, children: root.children[0].children };
  }
  walk(root, size, (n, where) => out.push([where, normal(n.data, size, where === "0")]));
  return out;
}

const scratch = fs.mkdtempSync(path.join(os.tmpdir(), "kg-sabaki-"));
let differing = 0, compared = 0, skipped = 0;
for (const file of files(corpus)) {
  let input, output;
  try {
    input = sgf.parseFile(file);
  } catch (e) {
    ++skipped;
    continue;
  }
  const out = path.join(scratch, "out.sgf");
  try {
    execFileSync(kifugram, ["-to", "sgf", "-short_keys", "-game", "all", "-output", out, file], { stdio: "ignore" });
    output = sgf.parseFile(out);
  } catch (e) {
    if (input.length) console.log(`DIFF ${path.relative(corpus, file)}: kifugram failed`);
    if (input.length) ++differing;
    continue;
  }
  ++compared;
  const problems = [];
  if (input.length !== output.length) problems.push(`${input.length} games, ${output.length} written`);
  for (let g = 0; g < Math.min(input.length, output.length); ++g) {
    const size = +((input[g].data.SZ || ["19"])[0]) || 19;
    const a = nodes(input[g], size, false);
    // The writer's header node and the node after it count as one when it
    // wrote the root's setup in a node of its own.
    let best = null;
    for (const header of [false, true]) {
      const b = nodes(output[g], size, header), found = [];
      if (a.length !== b.length) found.push(`game ${g + 1}: ${a.length} nodes, ${b.length} written`);
      for (let i = 0; i < Math.min(a.length, b.length) && found.length < 3; ++i) {
        if (a[i][0] !== b[i][0] || !same(a[i][1], b[i][1]))
          found.push(`game ${g + 1} node ${a[i][0]}: ${JSON.stringify(a[i][1])} written ${JSON.stringify(b[i][1])}`);
      }
      if (!best || found.length < best.length) best = found;
    }
    problems.push(...best);
  }
  if (problems.length) {
    ++differing;
    console.log(`DIFF ${path.relative(corpus, file)}: ${problems.join("; ").slice(0, 600)}`);
  }
}
fs.rmSync(scratch, { recursive: true, force: true });
console.log(`sabaki: ${compared} records compared, ${differing} differ, ${skipped} not parsed by @sabaki/sgf`);
process.exit(differing ? 1 : 0);

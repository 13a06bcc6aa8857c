// Generators of large legal SGF records for the benchmarks.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace kg::bench {

// A single line of legal moves, with captures and a comment every few
// moves, of at least `bytes` bytes.
std::string long_line(std::size_t bytes, unsigned seed = 1);
// The main lines of the real 19x19 games under `corpus`, replayed one after
// the other in a single line of at least `bytes` bytes: each game starts
// from an empty board (the stones left by the one before are taken off with
// one AE node), with its comments kept and its captures as played.
std::string game_line(std::size_t bytes, const std::string& corpus);
// Variations nested `levels` deep: one child and one extra leaf per level.
std::string deep_tree(int levels);
// `count` sibling variations on one node.
std::string wide_tree(int count);

// Path of a file under the temporary directory holding `make()`; made once
// and kept for later runs.
std::string bench_file(const std::string& name, const std::function<std::string()>& make);

}  // namespace kg::bench

// Reads the scene text format and replays it as scene API calls.
//
// Everything the text writer produces is understood: statements and blocks,
// quoted and hex names, byte strings, "#define", "#print", "#error", anonymous
// shaders used as values, text arrays, raw array blocks and element-by-element
// arrays. Where the text shows how the writer was set up (indented lines, text
// or raw arrays), the reader calls set_flags on the target just before the
// output that depends on it, so writing the replayed calls through a text
// writer gives back the same bytes.
//
// The text is untrusted: every size is checked against what is left before
// anything is allocated, nesting is bounded, and a malformed text stops the
// reading with the line number and a reason. Calls already made on the target
// stay made; a caller that must not see half a scene replays into a recorder
// first.
#pragma once

#include <string>
#include <string_view>

class orvScene_api;

namespace livelink {

struct ReadError {
  int line = 0;  // 1-based line of the text where reading stopped
  std::string message;
};

// Blocks nested deeper than this are refused, so hostile input cannot exhaust
// the stack.
inline constexpr int kMaxNesting = 200;

// Replays the text into target. Returns true when the whole text was read;
// otherwise fills error (when given) and returns false.
bool read_scene_text(std::string_view text, orvScene_api& target, ReadError* error = nullptr);

// "line 12: unexpected '}'" style text of an error.
std::string describe(const ReadError& error);

}  // namespace livelink

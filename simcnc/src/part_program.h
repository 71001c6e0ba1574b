#pragma once
// A part program in the controller's ISO dialect, parsed into the blocks the simulated
// controller executes. Only what the simulation needs is understood (see simcnc.h); every
// other block is kept as a plain block that takes time and does nothing.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace simcnc {

enum class BlockKind {
    Plain,    // empty block, move, controller function, anything not understood
    Assign,   // R<target> = constant, or R<source> + constant
    Call,     // L<name>
    Dwell,    // G4 F<seconds>
    JumpIf,   // IF (R<source>==value) N<label>
    Repeat,   // <RPT:N<first>;N<last>;count>
};

struct Block {
    BlockKind kind = BlockKind::Plain;
    int64_t label = -1;     // N number, -1 when the block has none
    int target = 0;         // Assign: variable written
    int source = -1;        // Assign: variable read (-1: constant only); JumpIf: variable tested
    double value = 0.0;     // Assign: constant added; JumpIf: value compared; Dwell: seconds
    int64_t jumpLabel = 0;  // JumpIf: target label; Repeat: first label
    int64_t lastLabel = 0;  // Repeat: last label
    int64_t count = 0;      // Repeat: further passes
    std::string name;       // Call: sub-program name
};

struct PartProgram {
    std::vector<Block> blocks;
    std::unordered_map<int64_t, size_t> labels; // N number -> index of its first block

    // Index of the block labelled n, or blocks.size() when there is none.
    size_t IndexOf(int64_t n) const;
};

// Parses program text (CR LF or LF). Never fails: what is not understood becomes a plain
// block.
PartProgram ParsePartProgram(std::string_view text);

} // namespace simcnc

#pragma once
// The whole-file read: the text's pairs all at once (the tokenizer), the sections walked over
// them, then the blocks and the entities drawn.
#include <cstddef>

#include "dxf/outline.h"
#include "read_entities.h"

namespace dxfread {

// Reads the bytes into the sink; returns 0 or a negative DxfReadResult.
int ReadWhole(const char* data, size_t size, Sink& sink);

// The outline from the whole text at once, as the entity list is read: the count of entities
// or a negative DxfReadResult.
int ReadWholeOutline(const char* data, size_t size, MOutline& outline);

} // namespace dxfread

// Output written a block at a time through a buffer of the tool's own:
// the tape or debug listing that tapewright writes, and the listing that
// tapelist writes. A block makes few system calls and memory stays fixed.
#ifndef TAPEWRIGHT_OUTPUT_H
#define TAPEWRIGHT_OUTPUT_H

#include <cstddef>
#include <cstdio>

// OUTPUT_ROOM is the room past a block for the longest item put in the
// buffer at once; a longer text goes in pieces.
enum { OUTPUT_BLOCK = 1 << 17, OUTPUT_ROOM = 512 };

struct block_output {
	FILE *stream;
	const char *name; // the file, for messages; null for standard output
	// Bytes written at a time, 1 to OUTPUT_BLOCK. Tests set it small, to
	// take the output through the end of its buffer on every few bytes.
	size_t block;
	size_t held; // bytes in the buffer, not yet written
	int failed;  // a write failed: reported once, and nothing more is written
};

const block_output new_output = {nullptr, nullptr, OUTPUT_BLOCK, 0, 0};

extern unsigned char output_buffer[OUTPUT_BLOCK + OUTPUT_ROOM];

// Where the next item goes.
static inline unsigned char *output_end(const block_output &out)
{
	return output_buffer + out.held;
}

// Writes the first size bytes held and keeps the rest; 0, or 1 once the
// output has failed.
int write_held(block_output &out, size_t size);

// An item has been put in the buffer up to p. Once more than a block is
// held, whole blocks are written: a write then fails at the same item as
// it would through a stream with a buffer of one block.
static inline int item_done(block_output &out, const unsigned char *p)
{
	out.held = static_cast<size_t>(p - output_buffer);
	if (out.held <= out.block)
		return 0;
	return write_held(out, out.held - out.held % out.block);
}

// Writes what is held (unless the output has failed), flushes the stream
// and, if close is nonzero, closes it; 0, or 1 if the output could not be
// completed.
int finish_block_output(block_output &out, int close);

#endif

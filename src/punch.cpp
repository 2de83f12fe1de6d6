// Tape output: each 18-bit word becomes three read-in-mode frames, or one
// item of the debug listing on standard output. Both are built in a buffer
// of the tool's own and written a block at a time.
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "conversion.h"
#include "octal.h"
#include "platform.h"

// Every frame carries the eighth hole, which marks it as binary; the
// seventh stays clear and the low six carry the word.
enum { BINARY_HOLE = 0200 };

// A block, and room past it for the longest item that can overrun it: a
// pair in the debug listing, 14 bytes.
static unsigned char output[OUTPUT_BLOCK + 16];
static size_t held; // bytes in output, not yet written

// The first failed write is reported; later ones, and writes after it,
// add nothing, so the user sees one message for one broken output.
static int output_failure(int error)
{
	if (!state.output_failed) {
		if (state.tape)
			fprintf(stderr, "%s could not be written: %s\n", state.tape_name,
			        strerror(error));
		else
			fprintf(stderr, "standard output could not be written: %s\n",
			        strerror(error));
		state.output_failed = 1;
	}
	return 1;
}

// Write the first size bytes held, and keep the rest for later.
static int write_held(size_t size)
{
	FILE *out = state.tape ? state.tape : stdout;
	if (fwrite(output, 1, size, out) != size)
		return output_failure(errno);
	held -= size;
	memmove(output, output + size, held);
	return 0;
}

// An item, a word or a pair, has been put in the buffer up to p. Once more
// than a block is held, whole blocks are written: a write then fails at
// the same item as it did through a stream with a buffer of one block.
static inline int item_done(const unsigned char *p)
{
	held = static_cast<size_t>(p - output);
	if (held <= state.write_block)
		return 0;
	return write_held(held - held % state.write_block);
}

unsigned char *punch_frame(unsigned char *p, int frame)
{
	*p = static_cast<unsigned char>(frame);
	return p + 1;
}

static inline unsigned char *put_frames(unsigned char *p, int word)
{
	p = punch_frame(p, BINARY_HOLE | (word >> 12 & 077));
	p = punch_frame(p, BINARY_HOLE | (word >> 6 & 077));
	return punch_frame(p, BINARY_HOLE | (word & 077));
}

// A word's three frames as a number, the first in the low byte.
static inline uint64_t three_frames(int word)
{
	auto w = static_cast<uint64_t>(word);
	return (w >> 12 | (w & 07700) << 2 | (w & 077) << 16) |
	       static_cast<uint64_t>(BINARY_HOLE) * 0x010101;
}

// The debug listing puts an address word and its data word on one line.
// A word with the address pattern opens a line only when none is open,
// so data that looks like an address word still closes its line.
static inline unsigned char *put_octal(unsigned char *p, int word)
{
	unsigned char end = '\n';

	if (state.line_open)
		state.line_open = 0;
	else if ((word & 0770000) == DEPOSIT_WORD) {
		end = ',';
		state.line_open = 1;
	}
	p = put_digits(p, word);
	*p = end;
	return p + 1;
}

int punch_word(int word)
{
	if (state.output_failed)
		return 1;
	unsigned char *p = output + held;
	return item_done(state.tape ? put_frames(p, word) : put_octal(p, word));
}

int punch_pairs(int location, const int *words, int count)
{
	if (state.output_failed)
		return 1;
	// Locals, not the state: the stores of the frames could change it,
	// for all the compiler knows, and it would be read again for each.
	const int tape = state.tape != nullptr;
	const size_t block = state.write_block;
	size_t used = held;

	for (int pair = 0; pair < count; pair++) {
		unsigned char *p = output + used;
		int address = DEPOSIT_WORD | (location + pair);
		if (tape) {
			// Six frames, the first in the low byte, stored a byte at a
			// time: compilers join the stores.
			uint64_t frames = three_frames(address) | three_frames(words[pair])
			                                                  << 24;
			p[0] = static_cast<unsigned char>(frames);
			p[1] = static_cast<unsigned char>(frames >> 8);
			p[2] = static_cast<unsigned char>(frames >> 16);
			p[3] = static_cast<unsigned char>(frames >> 24);
			p[4] = static_cast<unsigned char>(frames >> 32);
			p[5] = static_cast<unsigned char>(frames >> 40);
			p += 6;
		} else {
			// A pair is a line of its own: the reader punches whole pairs
			// here and only the end word alone, so no line is open.
			p = put_digits(p, address);
			*p++ = ',';
			p = put_digits(p, words[pair]);
			*p++ = '\n';
		}
		used = static_cast<size_t>(p - output);
		if (used > block) {
			held = used;
			if (write_held(used - used % block)) {
				state.pair_count += pair;
				return 1;
			}
			used = held;
		}
	}
	held = used;
	state.pair_count += count;
	return 0;
}

int punch_pair(int location, int word)
{
	return punch_pairs(location, &word, 1);
}

// What is held when the output failed is dropped: nothing is written after
// the failure.
int finish_output()
{
	if (!state.output_failed && held > 0)
		write_held(held);
	held = 0;
	if (!state.tape) {
		if (fflush(stdout) == EOF)
			return output_failure(errno);
		return state.output_failed;
	}
	// The last block is written by the flush, whose failure fclose does
	// not report in every C runtime (wine's msvcrt loses it).
	int failed = fflush(state.tape) == EOF ? output_failure(errno) : 0;
	if (fclose(state.tape) == EOF)
		failed = output_failure(errno);
	state.tape = nullptr;
	return failed | state.output_failed;
}

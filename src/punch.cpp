// Tape output: each 18-bit word becomes three read-in-mode frames, or one
// item of the debug listing on standard output. Both are built in the
// block output's buffer and written a block at a time.
#include <cstdint>

#include "conversion.h"
#include "octal.h"

void start_output()
{
	state.output.stream = state.tape ? state.tape : stdout;
	state.output.name = state.tape ? state.tape_name : nullptr;
}

unsigned char *punch_frame(unsigned char *p, int frame)
{
	*p = static_cast<unsigned char>(frame);
	return p + 1;
}

static inline unsigned char *put_frames(unsigned char *p, int word)
{
	p = punch_frame(p, BINARY_HOLE | (word >> 12 & FRAME_BITS));
	p = punch_frame(p, BINARY_HOLE | (word >> 6 & FRAME_BITS));
	return punch_frame(p, BINARY_HOLE | (word & FRAME_BITS));
}

// The debug listing puts an address word and its data word on one line.
// A word with the address pattern opens a line only when none is open,
// so data that looks like an address word still closes its line.
static inline unsigned char *put_octal(unsigned char *p, int word)
{
	unsigned char end = '\n';

	if (state.line_open)
		state.line_open = 0;
	else if ((word & FORM) == DEPOSIT_WORD) {
		end = ',';
		state.line_open = 1;
	}
	p = put_digits(p, word);
	*p = end;
	return p + 1;
}

int punch_word(int word)
{
	block_output &out = state.output;
	if (out.failed)
		return 1;
	unsigned char *p = output_end(out);
	return item_done(out, state.tape ? put_frames(p, word) : put_octal(p, word));
}

int punch_pairs(int location, const int *words, int count)
{
	block_output &out = state.output;
	if (out.failed)
		return 1;
	// Locals, not the state: the stores of the frames could change it,
	// for all the compiler knows, and it would be read again for each.
	const int tape = state.tape != nullptr;
	const size_t block = out.block;
	size_t used = out.held;

	for (int pair = 0; pair < count; pair++) {
		unsigned char *p = output_buffer + used;
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
		used = static_cast<size_t>(p - output_buffer);
		if (used > block) {
			out.held = used;
			if (write_held(out, used - used % block)) {
				state.pair_count += pair;
				return 1;
			}
			used = out.held;
		}
	}
	out.held = used;
	state.pair_count += count;
	return 0;
}

int punch_pair(int location, int word)
{
	return punch_pairs(location, &word, 1);
}

// The tape is closed; standard output, in debug mode, only flushed.
int finish_output()
{
	int close = state.tape != nullptr;
	state.tape = nullptr;
	return finish_block_output(state.output, close);
}

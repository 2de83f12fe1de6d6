// Tape output: each 18-bit word becomes three read-in-mode frames, or one
// item of the debug listing on standard output. Both are built in the
// block output's buffer and written a block at a time.
#include <cstdint>

#include "conversion.h"
#include "loader.h"
#include "octal.h"

// A block tape: the loader's read-in section, then the listing's words as
// blocks, each of consecutive locations, then the end word. A block holds
// at most 0100 words, as on the tapes of the time: a misread frame costs
// one block, and its header and checksum add three words to 64.
enum { BLOCK_WORDS = 0100 };
// A block goes into the output as one item: in the debug listing, seven
// characters a word.
static_assert((BLOCK_WORDS + 3) * 7 <= OUTPUT_ROOM, "a block fits the room past a block");
static int gathered[BLOCK_WORDS];
static int block_first, block_length; // the block being gathered

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

int start_output()
{
	state.output.stream = state.tape ? state.tape : stdout;
	state.output.name = state.tape ? state.tape_name : nullptr;
	block_length = 0;
	if (!state.blocks)
		return 0;
	int failed = 0;
	for (int i = 0; i < LOADER_PAIRS; i++)
		failed |= punch_word(DEPOSIT_WORD | loader_pairs[i][0]) |
		          punch_word(loader_pairs[i][1]);
	return failed | punch_word(START_WORD | LOADER_START);
}

// A word of a block: three frames, or alone on its line in the debug
// listing, as it is no pair.
static inline unsigned char *put_lone_word(unsigned char *p, int word)
{
	if (state.tape)
		return put_frames(p, word);
	p = put_digits(p, word);
	*p = '\n';
	return p + 1;
}

// The block gathered, if any, as one item: dio FA, dio LA+1, the words
// and their sum.
static int punch_block()
{
	if (block_length == 0)
		return 0;
	int first = DEPOSIT_WORD | block_first, end = first + block_length;
	uint64_t sum = static_cast<uint64_t>(first) + static_cast<uint64_t>(end);
	unsigned char *p = put_lone_word(put_lone_word(output_end(state.output), first), end);
	for (int i = 0; i < block_length; i++) {
		sum += static_cast<uint64_t>(gathered[i]);
		p = put_lone_word(p, gathered[i]);
	}
	p = put_lone_word(p, folded_sum(sum));
	state.block_count++;
	block_length = 0;
	return item_done(state.output, p);
}

static int is_loader_word(int location, int word)
{
	for (int i = 0; i < LOADER_PAIRS; i++)
		if (loader_pairs[i][0] == location)
			return loader_pairs[i][1] == word;
	return 0;
}

// Each word joins the block being gathered, or begins one. The loader's
// own words at their places are left out, as its read-in section puts
// them there, and tapelist lists them with the words of the blocks; any
// other word there would overwrite the loader as it loads the tape.
static int gather(int location, const int *words, int count)
{
	for (int i = 0; i < count; i++, location++) {
		if (location >= LOADER_FIRST) {
			if (is_loader_word(location, words[i]))
				continue;
			fprintf(stderr,
			        "The word at %4.4o would overwrite the block loader at %4.4o-7777\n",
			        location, LOADER_FIRST);
			state.loader_clash = 1;
			return 1;
		}
		if (block_length > 0 &&
		    (location != block_first + block_length || block_length == BLOCK_WORDS) &&
		    punch_block())
			return 1;
		if (block_length == 0)
			block_first = location;
		gathered[block_length++] = words[i];
		state.pair_count++;
	}
	return 0;
}

int punch_word(int word)
{
	if (state.blocks && punch_block())
		return 1;
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
	if (state.blocks)
		return gather(location, words, count);
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

// The tape is closed; standard output, in debug mode, only flushed. A
// block gathered is punched, unless the listing would overwrite the loader:
// then nothing more is written.
int finish_output()
{
	int close = state.tape != nullptr;
	if (state.loader_clash)
		state.output.held = 0;
	else if (state.blocks)
		punch_block();
	state.tape = nullptr;
	return finish_block_output(state.output, close);
}

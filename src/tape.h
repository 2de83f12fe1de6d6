// The paper tape as both programs see it: frames, the words they make, and
// the words that read-in mode and a loader act on. tapewright punches
// these; tapelist reads them back.
#ifndef TAPEWRIGHT_TAPE_H
#define TAPEWRIGHT_TAPE_H

#include <cstdint>

// The PDP-1's memory holds 4096 words of 18 bits.
enum {
	LAST_ADDRESS = 07777,
	LARGEST_WORD = 0777777,
	ADDRESS = 07777, // the address part of an instruction
	NO_START = -1    // no start address (yet)
};

// A frame is one line across the tape. The reader's binary mode, which
// read-in mode and loaders use, takes only frames with the eighth hole and
// skips the others (blank leader, or letters punched into it); it makes a
// word of three such frames, six bits from each, the most significant
// first, and ignores the seventh hole.
enum { BINARY_HOLE = 0200, SEVENTH_HOLE = 0100, FRAME_BITS = 077 };

// The words a tape is made of. Read-in mode deposits the next word on dio
// and starts the program on jmp. It looks at the operation alone, not the
// indirect bit, and deposits on dac too; tapewright punches plain dio and
// jmp. The blocks that a loader reads begin with two plain dio words.
enum {
	DEPOSIT_WORD = 0320000,       // dio
	OTHER_DEPOSIT_WORD = 0240000, // dac
	START_WORD = 0600000,         // jmp
	OPERATION = 0760000,
	INDIRECT = 010000,
	FORM = OPERATION | INDIRECT // the top six bits: the operation and the indirect bit
};

// A block of a loader's tape: dio FA, dio LA+1, the words for FA to LA,
// and their checksum, the one's-complement sum of the header words and
// the words. Summed in a wider number, the sum is folded with the
// end-around carry, which leaves 777777 for a sum of zero.
static inline int folded_sum(uint64_t sum)
{
	while (sum > LARGEST_WORD)
		sum = (sum & LARGEST_WORD) + (sum >> 18);
	return static_cast<int>(sum);
}

// The three frames of a word as a number, the first in the low byte,
// whatever the machine's byte order.
static inline uint64_t three_frames(int word)
{
	auto w = static_cast<uint64_t>(word);
	return (w >> 12 | (w & 07700) << 2 | (w & 077) << 16) |
	       static_cast<uint64_t>(BINARY_HOLE) * 0x010101;
}

// Six frames at p as a number, the first in the low byte.
static inline uint64_t six_frames(const unsigned char *p)
{
	return uint64_t{p[0]} | uint64_t{p[1]} << 8 | uint64_t{p[2]} << 16 |
	       uint64_t{p[3]} << 24 | uint64_t{p[4]} << 32 | uint64_t{p[5]} << 40;
}

// The word of three frames, the first in the low byte of frames.
static inline int frames_word(uint64_t frames)
{
	return static_cast<int>((frames & 077) << 12 | (frames >> 2 & 07700) |
	                        (frames >> 16 & 077));
}

#endif

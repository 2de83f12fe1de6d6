// Reading a read-in-mode tape back into a listing: the state of one
// reading, shared by the tape reader and tapelist's front end.
#ifndef TAPEWRIGHT_TAPELIST_H
#define TAPEWRIGHT_TAPELIST_H

#include <cstdio>

#include "conversion.h"

// The tape is read, and the listing written, a block at a time.
enum { TAPE_BLOCK = 1 << 17 };

struct tape_reading {
	FILE *tape;
	const char *tape_name; // for messages
	const char *title;     // the tape as the listing's title line names it
	long long pair_count;  // word pairs read in so far
	int start;             // the start address, or NO_START
	// Frames read in that carry the seventh hole, which tapewright never
	// punches; and the frames that follow the start word, and how many
	// of those are blank.
	unsigned long long seventh_hole, after_start, blank_after_start;
	// Address and start words that read-in mode takes as dio and jmp:
	// dac, and either with the indirect bit.
	unsigned long long other_forms;
	// Bytes asked of each read of the tape, 1 to TAPE_BLOCK: tests set it
	// small, to take the reader through the end of its buffer.
	size_t read_block;
	block_output output; // the listing, on standard output
};

const tape_reading new_reading = {nullptr, nullptr, nullptr, 0,          NO_START,  0,
                                  0,       0,       0,       TAPE_BLOCK, new_output};

extern tape_reading reading;

// Reads the tape as read-in mode does and writes its words as a listing
// on standard output; 0 when the tape is whole and ends in a start word,
// 1 on any failure (already reported on standard error). The listing
// holds every pair read, and a start statement only when the tape is
// whole.
int list_tape();

// Writes what is held of the listing and flushes standard output; 0, or
// 1 if the listing could not be completed.
int finish_listing();

#endif

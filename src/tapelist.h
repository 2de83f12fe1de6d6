// Reading a tape back into a listing: the state of one reading, shared by
// tapelist's front end, the tape reader and the listing writer, and the
// operations between them.
//
// A tape holds one segment or more, each read by one press of READ IN or
// one start of a loader: a read-in section (dio and word pairs, then a
// jmp), the blocks that a loader it started reads (two header words, the
// data, a checksum; then a jmp), or both in that order. Each segment is
// listed as a listing of its own, which tapewright punches into a read-in
// tape that loads the same words and starts where the segment does.
#ifndef TAPEWRIGHT_TAPELIST_H
#define TAPEWRIGHT_TAPELIST_H

#include <cstdio>

#include "output.h"
#include "tape.h"

// The tape is read a block at a time.
enum { TAPE_BLOCK = 1 << 17 };

struct tape_reading {
	FILE *tape;
	const char *tape_name; // for messages
	const char *title;     // the tape as the listing's title line names it
	int symbolic;          // a word to a line, with the instruction it is
	long long pair_count;  // word pairs read in by read-in sections
	long long block_count; // blocks read whole, with right checksums
	long long block_words; // the data words of those blocks
	long long segments;    // segments begun
	int start;             // the first segment's start address, or NO_START
	// Frames of the words read that carry the seventh hole, which
	// tapewright never punches.
	unsigned long long seventh_hole;
	// Address and start words that read-in mode takes as dio and jmp:
	// dac, and either with the indirect bit.
	unsigned long long other_forms;
	// The frames after the last start word that are neither blocks nor a
	// read-in section, and how many of them are blank.
	unsigned long long after_start, blank_after_start;
	// Bytes asked of each read of the tape, 1 to TAPE_BLOCK: tests set it
	// small, to take the reader through the end of its buffer.
	size_t read_block;
	block_output output; // the listing, on standard output
};

const tape_reading new_reading = {nullptr,  nullptr, nullptr, 0, 0, 0,          0,         0,
                                  NO_START, 0,       0,       0, 0, TAPE_BLOCK, new_output};

extern tape_reading reading;

// Reads the tape, every segment of it, and writes its words as listings
// on standard output; 0 when the tape is whole, 1 on any failure (already
// reported on standard error). The listing of the segment that failed
// holds the words read before the fault and no start statement.
int list_tape();

// The listing writer, which the tape reader calls as it goes.

// Before a tape.
void start_listing();
// A segment begins at frame; its title goes out with its first item.
void list_segment(unsigned long long frame);
// A word that a read-in section deposits, or count of them; they and
// list_block return 1 once the listing could not be written.
int list_word(int location, int word);
int list_words(const int *locations, const int *words, int count);
// A block read whole: count data words for first and on, which begins at
// frame; its number is reading.block_count.
int list_block(unsigned long long frame, int first, const int *words, int count);
// A section ends at frame in a jmp to start, which starts the program, or
// after a read-in section, a loader that reads the blocks that follow.
enum { READ_IN_SECTION, BLOCK_SECTION };
enum { STARTS_PROGRAM, STARTS_LOADER };
void list_section_end(int section, unsigned long long frame, int start, int starts);
// The segment's start statement: its listing is whole.
void list_start(int start);
// Writes what is held of the listing and flushes standard output; 0, or
// 1 if the listing could not be completed.
int finish_listing();

#endif

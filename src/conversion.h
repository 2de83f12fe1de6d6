// The state of one conversion, shared by the listing reader, the tape
// output and the front end, and the operations between them.
#ifndef TAPEWRIGHT_CONVERSION_H
#define TAPEWRIGHT_CONVERSION_H

#include <cstdio>

#include "output.h"
#include "tape.h"

// The start address is NO_START until the start keyword is read.
enum { START_AWAITED = 010000 }; // start keyword read, its address not yet

// The listing is read a block at a time into a buffer of the reader's own:
// a block of this size makes few system calls, and memory use stays fixed.
enum { LISTING_BLOCK = 1 << 17 };

struct conversion_state {
	FILE *listing;
	FILE *tape;               // null: print the debug listing instead
	const char *listing_name; // file names, for messages
	const char *tape_name;
	long long pair_count; // word pairs punched so far: any number, as a
	                      // listing may run on for ever through labels
	int start;            // NO_START, START_AWAITED or the start address
	int check_commas;     // a number before a comma must match the location
	int line_open;        // debug listing: the last word ended in a comma
	// A block tape: the loader, then the words in blocks. pair_count then
	// counts the words punched in blocks.
	int blocks;
	long long block_count; // blocks punched
	int loader_clash;      // a word of the listing would overwrite the loader
	// Bytes asked of each read of the listing, 1 to LISTING_BLOCK. Tests
	// set it small, to take the reader through the end of its buffer on
	// every few bytes.
	size_t read_block;
	block_output output; // the tape, or the debug listing on standard output
};

// A conversion before it begins: no streams or names yet, no pairs, no
// start keyword, and the comma check in force.
const conversion_state new_conversion = {nullptr,   nullptr, nullptr, nullptr, 0, NO_START,
                                         1,         0,       0,       0,       0, LISTING_BLOCK,
                                         new_output};

extern conversion_state state;

// Reads the whole listing and punches its words; 0 when the tape is
// complete, 1 on any failure (already reported on standard error).
int convert_listing();

// Sends what is punched to the tape, or to standard output when there is
// none, and punches a block tape's loader; called before the first word.
// 0, or 1 once the output has failed.
int start_output();

// Punch one word as three tape frames, or print it in the debug listing;
// 0, or 1 once the output has failed (reported once), after which nothing
// more is written. Words are held in a buffer and written a block at a
// time, so a failed write is seen at the word that found the buffer full.
int punch_word(int word);

// Punch one frame: put it in the output buffer at p, to be written with
// its block; returns where the next frame goes. (The pairs of a long run
// are put six frames at a time instead.)
unsigned char *punch_frame(unsigned char *p, int frame);

// Punch an address word and its data word, and count the pair; 0, or 1
// as for punch_word, and then the pair is not counted.
int punch_pair(int location, int word);

// Punch count pairs, of the data words at consecutive locations from
// location on, as punch_pair would one by one; it stops at a failure.
int punch_pairs(int location, const int *words, int count);

// Write what is held, then close the tape, or flush standard output in
// debug mode; 0 on success, 1 if the output could not be completed.
int finish_output();

#endif

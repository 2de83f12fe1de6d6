// The state of one conversion, shared by the listing reader, the tape
// output and the front end, and the operations between them.
#ifndef TAPEWRIGHT_CONVERSION_H
#define TAPEWRIGHT_CONVERSION_H

#include <cstdio>

// The PDP-1's memory holds 4096 words of 18 bits.
enum {
	LAST_ADDRESS = 07777,
	LARGEST_WORD = 0777777,
	DEPOSIT_WORD = 0320000, // dio: the loader deposits the next word here
	START_WORD = 0600000,   // jmp: the loader starts the program here
	START_AWAITED = 010000, // start keyword read, its address not yet
	NO_START = -1           // no start keyword read
};

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
	int output_failed;    // a write of the tape or debug listing failed
};

// A conversion before it begins: no streams or names yet, no pairs, no
// start keyword, and the comma check in force.
const conversion_state new_conversion = {nullptr,  nullptr, nullptr, nullptr, 0,
                                         NO_START, 1,       0,       0};

extern conversion_state state;

// Reads the whole listing and punches its words; 0 when the tape is
// complete, 1 on any failure (already reported on standard error).
int convert_listing();

// Punch one word as three tape frames, or print it in the debug listing;
// 0, or 1 once the output has failed (reported once), after which nothing
// more is written.
int punch_word(int word);

// Write one frame to the tape; 0, or 1 if the write failed (reported once).
// Only punch_word calls it, having checked that the output has not failed.
int punch_frame(int frame);

// Flush and close the tape, or flush standard output in debug mode;
// 0 on success, 1 if the output could not be completed.
int finish_output();

#endif

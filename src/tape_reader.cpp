// The tape reader: takes a paper-tape image frame by frame, as the PDP-1's
// read-in mode does, and writes the words it would deposit as a listing
// that tapewright punches into the same words. Most of a tape is clean
// pairs of an address word and a data word; those are also taken six
// frames at a time.
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "octal.h"
#include "tapelist.h"

tape_reading reading = new_reading;

enum {
	LINE_WORDS = 8 // words to a line of the listing, from an address ending in 0
};

static unsigned char input[TAPE_BLOCK];
static int next_location; // where the listing's current run goes on, or -1
static int titled;        // the title line is written

static inline int item_done(const unsigned char *p)
{
	return item_done(reading.output, p);
}

// Text at p, without its terminating NUL; returns the end.
static unsigned char *put_text(unsigned char *p, const char *text)
{
	while (*text)
		*p++ = static_cast<unsigned char>(*text++);
	return p;
}

// The title line names the tape. It goes out before the first word, so
// that a tape that holds none gives no listing at all; nothing is held
// before it. A control character in the name, a line end above all, is
// shown as '?': the title must stay one line.
static int put_title()
{
	if (titled)
		return 0;
	titled = 1;
	unsigned char *p = put_text(output_end(reading.output), "Tape ");
	// No name a file can be opened by fills a block; one that did would
	// only be cut short.
	for (const char *c = reading.title; *c && p < output_buffer + OUTPUT_BLOCK; c++) {
		auto byte = static_cast<unsigned char>(*c);
		*p++ = byte < ' ' || byte == 0177 ? '?' : byte;
	}
	*p++ = '\n';
	return item_done(p);
}

static inline unsigned char *put_line_address(unsigned char *p, int location)
{
	p = put_address(p, location);
	*p++ = ',';
	*p++ = ' ';
	return p;
}

// A word deposited at location. A run of consecutive locations stands
// under one label, a few words to a line, each line opened by its address
// in the checked form "0104," so that tapewright confirms it; any jump,
// backwards too, opens a new run with a label.
static inline unsigned char *put_pair(unsigned char *p, int location, int word)
{
	if (location == next_location) {
		if (location % LINE_WORDS == 0) {
			*p++ = '\n';
			p = put_line_address(p, location);
		} else
			*p++ = ' ';
	} else {
		if (next_location >= 0)
			*p++ = '\n';
		*p++ = '\n';
		p = put_address(p, location);
		*p++ = '/';
		*p++ = '\n';
		p = put_line_address(p, location);
	}
	next_location = location + 1;
	return put_digits(p, word);
}

static int deposit(int location, int word)
{
	if (next_location < 0 && put_title())
		return 1;
	reading.pair_count++;
	return item_done(put_pair(output_end(reading.output), location, word));
}

// Six frames as a number, the first in the low byte, whatever the
// machine's byte order.

// Whole pairs of clean frames, binary hole and no other, whose first word
// deposits: taken six frames at a time while they last. Returns where the
// rest begins, or null when the listing could not be written.
static inline const unsigned char *clean_pairs(const unsigned char *p, const unsigned char *end)
{
	const uint64_t holes = 0xc0c0c0c0c0c0, binary = 0x808080808080;
	while (end - p >= 6) {
		uint64_t frames = six_frames(p);
		if ((frames & holes) != binary || (p[0] & 077) != DEPOSIT_WORD >> 12)
			break;
		int location = static_cast<int>((frames >> 2 & 07700) | (frames >> 16 & 077));
		int word = static_cast<int>((frames >> 12 & 0770000) | (frames >> 26 & 07700) |
		                            (frames >> 40 & 077));
		if (deposit(location, word))
			return nullptr;
		p += 6;
	}
	return p;
}

// What the rest of the tape holds, after the start word: frames that the
// started program may read itself.
static void count_after_start(const unsigned char *p, const unsigned char *end)
{
	reading.after_start += static_cast<unsigned long long>(end - p);
	for (; p < end; p++)
		reading.blank_after_start += *p == 0;
}

static int read_failure()
{
	fprintf(stderr, "%s could not be read: %s\n", reading.tape_name, strerror(errno));
	return 1;
}

int list_tape()
{
	next_location = -1;
	titled = 0;

	unsigned long long before = 0;  // frames in the blocks already read
	unsigned long long word_at = 0; // the first frame of the word, from 1
	unsigned long long deposit_at = 0;
	int frames = 0, word = 0; // frames of the word being read, and its bits
	int location = -1;        // after an address word, where its word goes
	size_t got;

	while (reading.start == NO_START &&
	       (got = fread(input, 1, reading.read_block, reading.tape)) > 0) {
		const unsigned char *p = input, *end = input + got;
		while (p < end) {
			if (frames == 0 && location < 0 && !(p = clean_pairs(p, end)))
				return 1;
			if (p == end)
				break;
			int frame = *p++;
			if (!(frame & BINARY_HOLE))
				continue; // blank tape, or a frame read-in mode skips
			reading.seventh_hole += (frame & SEVENTH_HOLE) != 0;
			if (frames == 0)
				word_at = before + static_cast<unsigned long long>(p - input);
			word = word << 6 | (frame & 077);
			if (++frames < 3)
				continue;
			frames = 0;
			if (location >= 0) {
				if (deposit(location, word))
					return 1;
				location = -1;
				word = 0;
				continue;
			}
			int operation = word & OPERATION;
			if (operation != DEPOSIT_WORD && operation != OTHER_DEPOSIT_WORD &&
			    operation != START_WORD) {
				fprintf(stderr,
				        "%s: frame %llu: read-in mode stops on %6.6o, which neither "
				        "deposits (dio) nor starts (jmp)\n",
				        reading.tape_name, word_at, word);
				return 1;
			}
			// tapewright punches these as plain dio and jmp.
			int form = word & (OPERATION | INDIRECT);
			reading.other_forms += form != DEPOSIT_WORD && form != START_WORD;
			if (operation == START_WORD) {
				reading.start = word & ADDRESS;
				count_after_start(p, end);
				break;
			}
			location = word & ADDRESS;
			deposit_at = word_at;
			word = 0;
		}
		before += got;
	}
	if (ferror(reading.tape))
		return read_failure();
	if (reading.start != NO_START) {
		while ((got = fread(input, 1, reading.read_block, reading.tape)) > 0)
			count_after_start(input, input + got);
		if (ferror(reading.tape))
			return read_failure();
		return 0;
	}

	if (before == 0)
		fprintf(stderr, "%s is empty\n", reading.tape_name);
	// Every whole word deposits, starts or stops: with none deposited and
	// none begun, no frame had the binary hole.
	else if (reading.pair_count == 0 && frames == 0 && location < 0)
		fprintf(stderr,
		        "%s has no frame with the binary hole: it is not a tape image\n",
		        reading.tape_name);
	else if (frames > 0)
		fprintf(stderr, "%s ends inside a word: %d of its 3 frames, from frame %llu\n",
		        reading.tape_name, frames, word_at);
	else if (location >= 0)
		fprintf(stderr,
		        "%s ends after the address word at frame %llu: the word to deposit at "
		        "%4.4o is missing\n",
		        reading.tape_name, deposit_at, location);
	else
		fprintf(stderr, "%s ends without a start word (jmp)\n", reading.tape_name);
	return 1;
}

// The last line is closed, and the start statement follows once the tape
// has given its start address.
int finish_listing()
{
	if (reading.start != NO_START && put_title())
		return 1;
	unsigned char *p = output_end(reading.output);
	if (next_location >= 0)
		*p++ = '\n';
	if (reading.start != NO_START) {
		p = put_address(put_text(p, "\nstart "), reading.start);
		*p++ = '\n';
	}
	next_location = -1;
	reading.output.held = static_cast<size_t>(p - output_buffer);
	return finish_block_output(reading.output, 0);
}

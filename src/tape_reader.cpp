// The tape reader: takes the tape's words as the machine takes them, a
// section at a time, and hands what each section deposits, and where the
// program starts, to the listing writer.
//
// The tape begins in read-in mode. After each jmp the tape may go on with
// - blocks, which the program just started reads: a loader. After a
//   read-in section they belong to its segment, which then starts where
//   the blocks' jmp says; after blocks, they are the loader started again
//   on another program, a segment of their own;
// - a read-in section (dio, dac or jmp first): READ IN pressed again, a
//   segment of its own; but a plain jmp right after a read-in section is
//   what a loader reads where blocks would begin, and ends the segment
//   with no blocks, as the simulator's own block loading takes it;
// - anything else, which only the program can make sense of: counted and
//   left alone.
// Words pass as a block only with a right checksum. Right after a jmp, a
// block header whose checksum is wrong is taken for read-in pairs if all
// of its words make such pairs, and for a damaged block if not; either
// way the user is told.
#include <cstdint>

#include "tape_words.h"

tape_reading reading = new_reading;

// The words of the block being read: two header words, at most 07777 data
// words (from 0000 to 7776, as the second header word holds one past the
// last address in twelve bits), and the checksum; and where each begins.
enum { LONGEST_BLOCK = LAST_ADDRESS + 3 };
static int words[LONGEST_BLOCK];
static unsigned long long words_at[LONGEST_BLOCK];
static int count; // words read of it

// Read-in pairs listed at a time, at most.
enum { BATCH = 64 };

// The jmp that ended the last section.
static unsigned long long jmp_at;

// What read-in mode does with a word where an address word belongs.
enum { DEPOSITS, STARTS, STOPS };

static int read_in_takes(int word)
{
	int operation = word & OPERATION;
	if (operation == DEPOSIT_WORD || operation == OTHER_DEPOSIT_WORD)
		return DEPOSITS;
	return operation == START_WORD ? STARTS : STOPS;
}

// The tape ended inside a word: says so, and returns 1; else 0.
static int ends_inside_word()
{
	unsigned long long first;
	int frames = unfinished_frames(&first);
	if (frames == 0)
		return 0;
	fprintf(stderr, "%s ends inside a word: %d of its 3 frames, from frame %llu\n",
	        reading.tape_name, frames, first);
	return 1;
}

// The tape ended, or could not be read, in a read-in section: -1.
static int read_in_ended(int word, int location, unsigned long long deposit_at)
{
	if (word == READ_FAILED || ends_inside_word())
		return -1;
	if (location >= 0)
		fprintf(stderr,
		        "%s ends after the address word at frame %llu: the word to deposit at "
		        "%4.4o is missing\n",
		        reading.tape_name, deposit_at, location);
	else
		fprintf(stderr, "%s ends without a start word (jmp)\n", reading.tape_name);
	return -1;
}

// A read-in section, from the first `given` words in words[] on: the
// address its jmp starts at, or -1 when it stops or fails (reported).
static int read_in(int given)
{
	int used = 0;
	int location = -1; // after an address word, where its word goes
	unsigned long long deposit_at = 0;

	for (;;) {
		int word;
		unsigned long long word_at;
		if (used < given) {
			word = words[used];
			word_at = words_at[used++];
		} else {
			// Most of a section is pairs of clean frames, a plain dio
			// first: taken six frames at a time while they last, and
			// listed in batches.
			for (int listed = BATCH; location < 0 && listed == BATCH;) {
				int locations[BATCH], values[BATCH];
				for (listed = 0;
				     listed < BATCH &&
				     (values[listed] = next_pair(locations[listed])) >= 0;
				     listed++)
					;
				reading.pair_count += listed;
				if (listed > 0 && list_words(locations, values, listed))
					return -1;
			}
			word = next_word();
			word_at = cursor.word_at;
		}
		if (word < 0)
			return read_in_ended(word, location, deposit_at);
		if (location >= 0) {
			reading.pair_count++;
			if (list_word(location, word))
				return -1;
			location = -1;
			continue;
		}
		int takes = read_in_takes(word);
		if (takes == STOPS) {
			fprintf(stderr,
			        "%s: frame %llu: read-in mode stops on %6.6o, which neither deposits "
			        "(dio) nor starts (jmp)\n",
			        reading.tape_name, word_at, word);
			return -1;
		}
		// tapewright punches these as plain dio and jmp.
		int form = word & FORM;
		reading.other_forms += form != DEPOSIT_WORD && form != START_WORD;
		if (takes == STARTS) {
			jmp_at = word_at;
			return word & ADDRESS;
		}
		location = word & ADDRESS;
		deposit_at = word_at;
	}
}

// What read_block found.
enum { BLOCK_READ, NO_HEADER, WRONG_CHECKSUM, CUT_SHORT, BLOCK_READ_FAILED };

// The sum of the header and data words of the block read, 777777 for zero.
static int block_sum()
{
	uint64_t sum = 0;
	for (int i = 0; i < count - 1; i++)
		sum += static_cast<uint64_t>(words[i]);
	return folded_sum(sum);
}

// Reads a block from its first header word, a plain dio, into words[].
static int read_block(int first, unsigned long long first_at)
{
	words[0] = first;
	words_at[0] = first_at;
	int length = 2;
	for (count = 1; count < length; count++) {
		int word = next_word();
		if (word < 0)
			return word == READ_FAILED ? BLOCK_READ_FAILED : CUT_SHORT;
		words[count] = word;
		words_at[count] = cursor.word_at;
		if (count == 1) {
			// dio LA+1: one past the last address, past the first.
			if ((word & FORM) != DEPOSIT_WORD ||
			    (word & ADDRESS) <= (first & ADDRESS)) {
				count = 2;
				return NO_HEADER;
			}
			length = (word & ADDRESS) - (first & ADDRESS) + 3;
		}
	}
	// 777777 and 000000 both stand for zero: a loader's add makes +0 of
	// the sum -0, and the simulator's own block loading keeps -0.
	return block_sum() % LARGEST_WORD == words[count - 1] % LARGEST_WORD ? BLOCK_READ
	                                                                     : WRONG_CHECKSUM;
}

static int take_block()
{
	reading.block_count++;
	reading.block_words += count - 3;
	return list_block(words_at[0], words[0] & ADDRESS, words + 2, count - 3);
}

// A block that is not whole, or not right: -1.
static int block_fault(int found, const char *nor)
{
	long long number = reading.block_count + 1;
	int first = words[0] & ADDRESS, last = (words[1] & ADDRESS) - 1;

	if (found == BLOCK_READ_FAILED)
		return -1;
	if (found == NO_HEADER)
		fprintf(stderr,
		        "%s: frame %llu: after block %lld, %6.6o %6.6o is no block header: the "
		        "second word must be a dio past the first\n",
		        reading.tape_name, words_at[0], number - 1, words[0], words[1]);
	else if (found == WRONG_CHECKSUM)
		fprintf(stderr,
		        "%s: frame %llu: block %lld, %4.4o-%4.4o: the checksum is %6.6o, but the "
		        "words sum to %6.6o%s\n",
		        reading.tape_name, words_at[0], number, first, last, words[count - 1],
		        block_sum(), nor);
	else if (count < 2)
		fprintf(stderr,
		        "%s ends after the first header word of block %lld, at frame %llu\n",
		        reading.tape_name, number, words_at[0]);
	else
		fprintf(stderr,
		        "%s ends inside block %lld, %4.4o-%4.4o, from frame %llu: %d of its %d words%s\n",
		        reading.tape_name, number, first, last, words_at[0], count,
		        (words[1] & ADDRESS) - (words[0] & ADDRESS) + 3, nor);
	return -1;
}

// The blocks after the first, up to the jmp that ends them: the address
// it starts at, or -1 on a fault (reported).
static int read_blocks()
{
	for (;;) {
		int word = next_word();
		if (word == READ_FAILED)
			return -1;
		if (word == END_OF_TAPE) {
			if (!ends_inside_word())
				fprintf(stderr,
				        "%s ends after block %lld without a start word (jmp)\n",
				        reading.tape_name, reading.block_count);
			return -1;
		}
		if ((word & FORM) == START_WORD) {
			jmp_at = cursor.word_at;
			return word & ADDRESS;
		}
		if ((word & FORM) != DEPOSIT_WORD) {
			fprintf(stderr,
			        "%s: frame %llu: after block %lld, %6.6o is neither a block header (dio) "
			        "nor a start word (jmp)\n",
			        reading.tape_name, cursor.word_at, reading.block_count, word);
			return -1;
		}
		int found = read_block(word, cursor.word_at);
		if (found != BLOCK_READ)
			return block_fault(found, "");
		if (take_block())
			return -1;
	}
}

// Whether the words of what looked like a block make read-in pairs, all of
// them: each address word deposits, and only the last word may start.
static int make_read_in_pairs()
{
	for (int i = 0; i < count; i += 2) {
		int takes = read_in_takes(words[i]);
		if (takes == STOPS || (takes == STARTS && i < count - 1))
			return 0;
	}
	return 1;
}

// The segment that ended in a jmp to start, after the section of the given
// kind, is whole.
static void close_segment(int section, int start)
{
	if (reading.segments == 1)
		reading.start = start;
	list_section_end(section, jmp_at, start, STARTS_PROGRAM);
	list_start(start);
}

// The frames after a jmp that are for the program alone.
static int leave_rest(int section, int start, unsigned long long mark,
                      unsigned long long blanks, unsigned long long seventh_hole)
{
	if (skip_rest() == READ_FAILED)
		return 1;
	reading.seventh_hole = seventh_hole;
	reading.after_start = frames_taken() - mark;
	reading.blank_after_start = blank_frames() - blanks;
	close_segment(section, start);
	return 0;
}

// Words that began like a block right after a jmp, but are none: how many
// of them read-in mode takes, or -1 on a fault (reported).
static int not_a_block(int found, int section, int start)
{
	int first = words[0] & ADDRESS, last = (words[1] & ADDRESS) - 1;

	if (found == BLOCK_READ_FAILED)
		return -1;
	if (found == NO_HEADER || count < 2)
		return count;
	// A damaged block: the loader that read-in started fails; after
	// blocks, the loader started again, and the segment before is whole.
	if (!make_read_in_pairs()) {
		if (section == BLOCK_SECTION)
			close_segment(section, start);
		return block_fault(found, "; nor do the words make read-in pairs");
	}
	if (found == WRONG_CHECKSUM)
		fprintf(stderr,
		        "%s: frame %llu: a block header for %4.4o-%4.4o, but the checksum %6.6o "
		        "is not the sum %6.6o: read as read-in pairs, which these words make too\n",
		        reading.tape_name, words_at[0], first, last, words[count - 1],
		        block_sum());
	else
		fprintf(stderr,
		        "%s: frame %llu: a block header for %4.4o-%4.4o, but the tape ends inside "
		        "the block: read as read-in pairs, which these words make too\n",
		        reading.tape_name, words_at[0], first, last);
	return count;
}

int list_tape()
{
	start_words();
	start_listing();
	int word = next_word_after_leader();
	if (word < 0) {
		if (word == READ_FAILED || ends_inside_word())
			return 1;
		if (frames_taken() == 0)
			fprintf(stderr, "%s is empty\n", reading.tape_name);
		else
			fprintf(stderr,
			        "%s has no frame with the binary hole: it is not a tape image\n",
			        reading.tape_name);
		return 1;
	}
	words[0] = word;
	words_at[0] = cursor.word_at;
	reading.segments = 1;
	list_segment(cursor.word_at);
	int section = READ_IN_SECTION;
	int start = read_in(1);

	while (start >= 0) {
		// What follows the jmp? Only a whole word tells.
		unsigned long long mark = frames_taken(), blanks = blank_frames();
		unsigned long long seventh_hole = reading.seventh_hole;
		word = next_word_after_leader();
		if (word == READ_FAILED)
			return 1;
		if (word == END_OF_TAPE || read_in_takes(word) == STOPS)
			return leave_rest(section, start, mark, blanks, seventh_hole);

		unsigned long long word_at = cursor.word_at;
		if (section == READ_IN_SECTION && (word & FORM) == START_WORD) {
			list_section_end(section, jmp_at, start, STARTS_LOADER);
			section = BLOCK_SECTION;
			start = word & ADDRESS;
			jmp_at = word_at;
			continue;
		}
		int given = 1;
		words[0] = word;
		words_at[0] = word_at;
		if ((word & FORM) == DEPOSIT_WORD) {
			int found = read_block(word, word_at);
			if (found == BLOCK_READ) {
				// Blocks after read-in are its loader's.
				if (section == READ_IN_SECTION)
					list_section_end(section, jmp_at, start, STARTS_LOADER);
				else {
					close_segment(section, start);
					reading.segments++;
					list_segment(word_at);
				}
				section = BLOCK_SECTION;
				start = take_block() ? -1 : read_blocks();
				continue;
			}
			if ((given = not_a_block(found, section, start)) < 0)
				return 1;
		}
		// READ IN pressed again: a segment of its own.
		close_segment(section, start);
		reading.segments++;
		list_segment(word_at);
		section = READ_IN_SECTION;
		start = read_in(given);
	}
	return 1;
}

// The listing reader: one pass over the octal listing, a character at a
// time, punching each word as soon as it is complete. The commonest step,
// a short data word and the blank after it, is also taken eight bytes at
// a time.
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "conversion.h"
#include "platform.h"

conversion_state state = new_conversion;

// A failed read is not the end of the listing: it stops the reader.
enum { READ_FAILED = EOF - 1 };

// Characters are taken by byte value, whatever the locale: bytes from
// 0x80 up are neither blanks nor letters.
static int is_blank(int c)
{
	return c == ' ' || (c >= '\t' && c <= '\r');
}

static int is_letter(int c)
{
	return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The reader walks its own buffer, filled a block at a time, with its
// position in local variables: far cheaper than a call into the stream, or
// a store to memory, for every character.
static unsigned char buffer[LISTING_BLOCK];

struct cursor {
	const unsigned char *next, *end;
};

static int end_of_listing()
{
	if (ferror(state.listing)) {
		fprintf(stderr, "%s could not be read: %s\n", state.listing_name,
		        strerror(errno));
		return READ_FAILED;
	}
	return EOF;
}

// The next character, EOF at the end of the listing, or READ_FAILED.
static inline int next_char(cursor &at, size_t block)
{
	if (at.next < at.end)
		return *at.next++;
	at.next = buffer;
	at.end = buffer + fread(buffer, 1, block, state.listing);
	return at.next < at.end ? *at.next++ : end_of_listing();
}

// Eight bytes of the listing as one number, the first in the low byte,
// whatever the machine's byte order; compilers make it a single load.
static inline uint64_t eight_bytes(const unsigned char *p)
{
	return uint64_t{p[0]} | uint64_t{p[1]} << 8 | uint64_t{p[2]} << 16 |
	       uint64_t{p[3]} << 24 | uint64_t{p[4]} << 32 | uint64_t{p[5]} << 40 |
	       uint64_t{p[6]} << 48 | uint64_t{p[7]} << 56;
}

// The value of eight octal digits, one to a byte as 0 to 7, the first in
// the low byte and the most significant: neighbours are joined into 6-bit,
// then 12-bit, then 24-bit values.
static inline int octal_value(uint64_t digits)
{
	uint64_t v = digits;
	v = (v & 0x00ff00ff00ff00ff) << 3 | (v >> 8 & 0x00ff00ff00ff00ff);
	v = (v & 0x0000ffff0000ffff) << 6 | (v >> 16 & 0x0000ffff0000ffff);
	return static_cast<int>((v & 0xffffffff) << 12 | v >> 32);
}

// Whether eight bytes begin with a data word of one to six digits and a
// blank, found with plain integer arithmetic on all eight at once: the
// length of the two, or 0. The word's value is stored.
static inline int short_word(uint64_t bytes, int *word)
{
	const uint64_t ones = 0x0101010101010101, first_six = 0xffffffffffff;
	// A digit becomes 0 to 7; any other byte keeps a bit of 0xf8 set.
	uint64_t digits = bytes ^ '0' * ones;
	uint64_t high = digits & 0xf8 * ones;

	// Six digits, the usual width, need no counting; the digits that are
	// not there count as leading zeros, and are shifted out.
	if ((high & first_six) == 0) {
		if (!is_blank(static_cast<int>(bytes >> 48 & 0xff)))
			return 0;
		*word = octal_value(digits & first_six) >> 6;
		return 7;
	}
	// Otherwise the top bit is set in each byte that is not a digit (the
	// sum cannot carry out of a byte), and `run` is 0xff in each byte
	// before the first of them.
	uint64_t other = (((high & 0x7f * ones) + 0x7f * ones) | high) & 0x80 * ones;
	uint64_t run = ((other & (~other + 1)) >> 7) - 1;
	int count = static_cast<int>((run & ones) * ones >> 56);
	if (count == 0 || !is_blank(static_cast<int>(bytes >> 8 * count & 0xff)))
		return 0;
	*word = octal_value(digits & run) >> 3 * (8 - count);
	return count + 1;
}

// A data word goes where the location counter points, and the counter
// moves on; past the top of memory it has nowhere to go.
static inline int deposit(int &location, int word)
{
	if (location > LAST_ADDRESS) {
		fprintf(stderr, "Address overflowed with data: %6.6o\n", word);
		return 1;
	}
	return punch_pair(location++, word);
}

// Most of a listing is data words of six digits or fewer, each followed by
// a blank. While eight bytes are at hand, such words and their blanks are
// taken eight bytes at a time and punched in batches, one call for many
// pairs. The rest of the listing, and a word that would overflow memory,
// is left to the steps below. 0, or 1 on failure.
static inline int short_data_words(cursor &at, int &location)
{
	enum { BATCH = 64 };
	int words[BATCH];

	for (;;) {
		// A batch ends before the top of memory; a word past it is left
		// to the steps below, which report it.
		int room = LAST_ADDRESS + 1 - location, count = 0;
		if (room > BATCH)
			room = BATCH;
		while (count < room && at.end - at.next >= 8) {
			int word = 0, length = short_word(eight_bytes(at.next), &word);
			if (length == 0)
				break;
			at.next += length;
			words[count++] = word;
		}
		if (count == 0)
			return 0;
		location += count;
		if (punch_pairs(location - count, words, count))
			return 1;
		if (count < BATCH)
			return 0;
	}
}

// The rest of a number, taken straight from the buffer; the number grows
// past the largest word only by the one digit that shows it is too large.
static inline int rest_of_number(cursor &at, int number)
{
	unsigned digit;
	while (number <= LARGEST_WORD && at.next < at.end && (digit = *at.next - '0') < 8) {
		number = number * 8 + static_cast<int>(digit);
		at.next++;
	}
	return number;
}

// A comment ends at the line end, or the end of the file, which are then
// dealt with as usual: skip to the line end if it is in the buffer.
static inline void skip_comment(cursor &at)
{
	const void *line_end = memchr(at.next, '\n', static_cast<size_t>(at.end - at.next));
	at.next = line_end ? static_cast<const unsigned char *>(line_end) : at.end;
}

// Where the reader is, apart from reading numbers: still in the blanks
// that may come before a title, in a comment, or in the text itself.
enum { LEADING_BLANKS, COMMENT, TEXT };

int convert_listing()
{
	if (start_output())
		return 1;
	// A whole block is waited for; from a terminal, where a person types
	// the listing, take what each read brings instead.
	size_t block = is_terminal(state.listing) ? 1 : state.read_block;
	// The person then sees each word as soon as it is read.
	if (block == 1)
		state.output.block = 1;
	cursor at = {buffer, buffer};
	int skipping = LEADING_BLANKS;
	int location = 4; // a listing without a label begins at 4
	int pending = -1; // the number being read, or -1
	int result = 0;

	for (;;) {
		if (skipping == TEXT && pending == -1 && state.start != START_AWAITED &&
		    short_data_words(at, location))
			return 1;

		int c = next_char(at, block);
		if (c == READ_FAILED)
			return 1;

		if (skipping != TEXT) {
			if (skipping == COMMENT) {
				if (c != '\n' && c != EOF) {
					skip_comment(at);
					continue;
				}
			} else {
				// A letter before anything else makes the first line
				// a title: it is taken as a slash, which opens a
				// comment.
				if (is_blank(c))
					continue;
				if (is_letter(c))
					c = '/';
			}
			skipping = TEXT;
		}

		if (c >= '0' && c <= '7') {
			pending = rest_of_number(at, pending == -1 ? c - '0'
			                                           : pending * 8 + (c - '0'));
			if (pending > LARGEST_WORD) {
				fprintf(stderr, "Invalid data: %o > 777777\n", pending);
				return 1;
			}
			continue;
		}

		// An address before a comma must agree with the location
		// counter; the first that does not is reported and the check is
		// dropped, so one slip does not flood the user with messages.
		if (c == ',' && state.check_commas && pending != -1) {
			if (pending == location)
				c = '/';
			else {
				fprintf(stderr, "Saw '%o,' but expected address %4.4o\n",
				        pending, location);
				state.check_commas = 0;
				result = 1;
			}
		}

		// While the start address is awaited, whatever ends the number
		// ends it as a label: the start address.
		if (pending != -1 && (c == '/' || state.start == START_AWAITED)) {
			location = pending;
			if (location > LAST_ADDRESS) {
				fprintf(stderr, "Invalid address: %s%o > 7777\n",
				        state.start == START_AWAITED ? "'start' " : "",
				        location);
				return 1;
			}
			if (state.start == START_AWAITED) {
				state.start = location;
				break;
			}
			pending = -1;
		} else if (c == '/') {
			skipping = COMMENT;
		} else if (pending != -1) {
			if (deposit(location, pending))
				return 1;
			pending = -1;
		} else if (c == 's' || c == 'S')
			state.start = START_AWAITED;

		if (c == EOF)
			break;
	}

	if (state.start == NO_START) {
		fprintf(stderr, "No 'start' statement found\n");
		return 1;
	}
	// A keyword without an address would end the tape with a jump
	// through location 0; no end word is better than a wrong one.
	if (state.start == START_AWAITED) {
		fprintf(stderr, "No 'start' address found\n");
		return 1;
	}
	if (punch_word(START_WORD | state.start))
		return 1;
	return result;
}

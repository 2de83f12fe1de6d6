// The listing reader: one pass over the octal listing, a character at a
// time, punching each word as soon as it is complete.
#include <cerrno>
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
static unsigned char buffer[1 << 17];

static int end_of_listing()
{
	if (ferror(state.listing)) {
		fprintf(stderr, "%s could not be read: %s\n", state.listing_name,
		        strerror(errno));
		return READ_FAILED;
	}
	return EOF;
}

static int punch_pair(int location, int word)
{
	if (punch_word(DEPOSIT_WORD | location) || punch_word(word))
		return 1;
	state.pair_count++;
	return 0;
}

// Where the reader is, apart from reading numbers: still in the blanks
// that may come before a title, in a comment, or in the text itself.
enum { LEADING_BLANKS, COMMENT, TEXT };

int convert_listing()
{
	// A whole block is waited for; from a terminal, where a person types
	// the listing, take what each read brings instead.
	size_t block = is_terminal(state.listing) ? 1 : sizeof buffer;
	const unsigned char *next = buffer, *end = buffer;
	int skipping = LEADING_BLANKS;
	int location = 4; // a listing without a label begins at 4
	int pending = -1; // the number being read, or -1
	int result = 0;

	for (;;) {
		int c;
		if (next < end)
			c = *next++;
		else {
			next = buffer;
			end = buffer + fread(buffer, 1, block, state.listing);
			c = next < end ? *next++ : end_of_listing();
			if (c == READ_FAILED)
				return 1;
		}

		if (skipping != TEXT) {
			if (skipping == COMMENT) {
				// A comment ends at the line end, or the end of the
				// file, which are then dealt with as usual.
				if (c != '\n' && c != EOF)
					continue;
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
			// Most of a listing is digits: take the rest of the number
			// straight from the buffer.
			pending = pending == -1 ? c - '0' : pending * 8 + (c - '0');
			unsigned digit;
			while (pending <= LARGEST_WORD && next < end &&
			       (digit = *next - '0') < 8) {
				pending = pending * 8 + static_cast<int>(digit);
				next++;
			}
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
			if (location > LAST_ADDRESS) {
				fprintf(stderr, "Address overflowed with data: %6.6o\n",
				        pending);
				return 1;
			}
			if (punch_pair(location++, pending))
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

// The listing reader: one pass over the octal listing, a character at a
// time, punching each word as soon as it is complete.
#include <cerrno>
#include <cstring>

#include "conversion.h"

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

static int next_char()
{
	int c = getc(state.listing);

	if (c == EOF && ferror(state.listing)) {
		fprintf(stderr, "%s could not be read: %s\n", state.listing_name,
		        strerror(errno));
		return READ_FAILED;
	}
	return c;
}

static int punch_pair(int location, int word)
{
	if (punch_word(DEPOSIT_WORD | location) || punch_word(word))
		return 1;
	state.pair_count++;
	return 0;
}

int convert_listing()
{
	int location = 4; // where the loader's own first words leave off
	int pending = -1; // the number being read, or -1
	int result = 0;
	int c;

	// A letter before anything else makes the first line a title: it is
	// taken as a slash, which opens a comment.
	do
		c = next_char();
	while (is_blank(c));
	if (is_letter(c))
		c = '/';

	for (;;) {
		if (c == READ_FAILED)
			return 1;
		if (c >= '0' && c <= '7') {
			pending = pending == -1 ? c - '0' : pending * 8 + (c - '0');
			if (pending > LARGEST_WORD) {
				fprintf(stderr, "Invalid data: %o > 777777\n", pending);
				return 1;
			}
			c = next_char();
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
			// A comment runs to the end of the line; the newline or the
			// end of the file that closes it is dealt with as usual.
			do
				c = next_char();
			while (c != '\n' && c != EOF && c != READ_FAILED);
			continue;
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
		c = next_char();
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

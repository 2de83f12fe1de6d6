// Tape output: each 18-bit word becomes three read-in-mode frames, or one
// item of the debug listing on standard output.
#include <cerrno>
#include <cstring>

#include "conversion.h"
#include "platform.h"

// Every frame carries the eighth hole, which marks it as binary; the
// seventh stays clear and the low six carry the word.
enum { BINARY_HOLE = 0200 };

// The first failed write is reported; later ones, and writes after it,
// add nothing, so the user sees one message for one broken output.
static int output_failure(int error)
{
	if (!state.output_failed) {
		if (state.tape)
			fprintf(stderr, "%s could not be written: %s\n", state.tape_name,
			        strerror(error));
		else
			fprintf(stderr, "standard output could not be written: %s\n",
			        strerror(error));
		state.output_failed = 1;
	}
	return 1;
}

int punch_frame(int frame)
{
	return putc_unlocked(frame, state.tape) == EOF ? output_failure(errno) : 0;
}

// The debug listing puts an address word and its data word on one line.
// A word with the address pattern opens a line only when none is open,
// so data that looks like an address word still closes its line.
static int print_word(int word)
{
	int end = '\n';

	if (state.line_open)
		state.line_open = 0;
	else if ((word & 0770000) == DEPOSIT_WORD) {
		end = ',';
		state.line_open = 1;
	}
	// Six octal digits and the separator, as "%6.6o%c" would print them,
	// without parsing a format for each of millions of words.
	FILE *out = stdout;
	for (int shift = 15; shift >= 0; shift -= 3)
		if (putc_unlocked('0' + (word >> shift & 7), out) == EOF)
			return output_failure(errno);
	if (putc_unlocked(end, out) == EOF)
		return output_failure(errno);
	return 0;
}

// Everything punch_word calls is inlined into it: a call for each frame
// would cost more than the frame itself.
[[gnu::flatten]] int punch_word(int word)
{
	if (state.output_failed)
		return 1;
	if (!state.tape)
		return print_word(word);
	return punch_frame(BINARY_HOLE | (word >> 12 & 077)) ||
	       punch_frame(BINARY_HOLE | (word >> 6 & 077)) ||
	       punch_frame(BINARY_HOLE | (word & 077));
}

int finish_output()
{
	if (!state.tape) {
		if (fflush(stdout) == EOF)
			return output_failure(errno);
		return state.output_failed;
	}
	// The last block is written by the flush, whose failure fclose does
	// not report in every C runtime (wine's msvcrt loses it).
	int failed = fflush(state.tape) == EOF ? output_failure(errno) : 0;
	if (fclose(state.tape) == EOF)
		failed = output_failure(errno);
	state.tape = nullptr;
	return failed | state.output_failed;
}

// Feeds any bytes to the conversion as a listing, once writing a tape and
// once the debug listing, and checks what must hold for every input: a
// result of 0 or 1, well-formed frames, a tape of whole pairs and at most
// one end word, an end word only on success or after the comma warning,
// and a debug listing that shows exactly the words on the tape. Both runs
// are made again with blocks of a few bytes, which take the reader and
// the output through the ends of their buffers all the time, and must
// come out the same.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "conversion.h"

namespace {

struct outcome {
	int result;
	long long pair_count;
	int start;
	int comma_warned;
	std::string output;   // the tape, or the debug listing
	std::string messages; // what went to standard error
};

[[noreturn]] void broken(const char *what, FILE *err)
{
	fprintf(err, "invariant broken: %s\n", what);
	abort();
}

// The conversion prints the debug listing and its messages on the standard
// streams; glibc lets them be pointed at memory for the length of a run.
outcome convert(const uint8_t *data, size_t size, bool to_tape, size_t read_block,
                size_t write_block)
{
	char *out = nullptr, *err = nullptr;
	size_t out_size = 0, err_size = 0;
	FILE *saved_stdout = stdout, *saved_stderr = stderr;
	FILE *output = open_memstream(&out, &out_size);

	stderr = open_memstream(&err, &err_size);
	state = new_conversion;
	state.read_block = read_block;
	state.write_block = write_block;
	state.listing_name = "listing";
	state.tape_name = "tape";
	state.listing = fmemopen(const_cast<uint8_t *>(data), size, "r");
	if (!output || !stderr || !state.listing)
		broken("no memory streams", saved_stderr);
	if (to_tape)
		state.tape = output;
	else
		stdout = output;

	int result = convert_listing();
	result |= finish_output();
	fclose(state.listing);
	if (!to_tape)
		fclose(output);
	fclose(stderr);
	stdout = saved_stdout;
	stderr = saved_stderr;

	outcome o{result,
	          state.pair_count,
	          state.start,
	          !state.check_commas,
	          std::string(out, out_size),
	          std::string(err, err_size)};
	free(out);
	free(err);
	return o;
}

bool same_run(const outcome &a, const outcome &b)
{
	return a.result == b.result && a.pair_count == b.pair_count && a.start == b.start &&
	       a.comma_warned == b.comma_warned && a.output == b.output &&
	       a.messages == b.messages;
}

int word_at(const std::string &tape, size_t at)
{
	return (tape[at] & 077) << 12 | (tape[at + 1] & 077) << 6 | (tape[at + 2] & 077);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
	outcome tape = convert(data, size, true, LISTING_BLOCK, OUTPUT_BLOCK);
	outcome debug = convert(data, size, false, LISTING_BLOCK, OUTPUT_BLOCK);
	const std::string &frames = tape.output;
	size_t pairs = static_cast<size_t>(tape.pair_count);

	if (tape.result != 0 && tape.result != 1)
		broken("the result is neither 0 nor 1", stderr);
	if (tape.result == 1 && tape.messages.empty())
		broken("a failure with no message", stderr);
	for (char frame : frames)
		if ((frame & 0300) != 0200)
			broken("a frame without the binary hole, or with bit 0100", stderr);
	if (frames.size() != 6 * pairs && frames.size() != 6 * pairs + 3)
		broken("the tape is not whole pairs and at most one end word", stderr);

	bool ended = frames.size() == 6 * pairs + 3;
	if (ended && tape.result != 0 && !tape.comma_warned)
		broken("an end word after a failure other than the comma check", stderr);
	if (tape.result == 0 && !ended)
		broken("a successful run without an end word", stderr);

	std::string expected;
	char line[32];
	for (size_t pair = 0; pair < pairs; pair++) {
		int address = word_at(frames, 6 * pair);
		if ((address & 0770000) != DEPOSIT_WORD)
			broken("a pair that does not begin with an address word", stderr);
		snprintf(line, sizeof line, "%6.6o,%6.6o\n", address,
		         word_at(frames, 6 * pair + 3));
		expected += line;
	}
	if (ended) {
		int end = word_at(frames, 6 * pairs);
		if (end != (START_WORD | tape.start) || tape.start > LAST_ADDRESS)
			broken("the end word does not jump to the start address", stderr);
		snprintf(line, sizeof line, "%6.6o\n", end);
		expected += line;
	}

	if (debug.result != tape.result || debug.pair_count != tape.pair_count ||
	    debug.messages != tape.messages)
		broken("the debug listing and the tape tell different runs", stderr);
	if (debug.output != expected)
		broken("the debug listing does not show the tape's words", stderr);

	// Block sizes that differ from input to input: 1 to 9 bytes read, 1 to
	// 16 written at a time.
	size_t read_block = 1 + size % 9, write_block = 1 + size / 9 % 16;
	if (!same_run(tape, convert(data, size, true, read_block, write_block)))
		broken("small blocks make a different tape", stderr);
	if (!same_run(debug, convert(data, size, false, read_block, write_block)))
		broken("small blocks make a different debug listing", stderr);
	return 0;
}

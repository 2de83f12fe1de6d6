// Feeds any bytes to the conversion as a listing, once writing a tape and
// once the debug listing, and checks what must hold for every input: a
// result of 0 or 1, well-formed frames, a tape of whole pairs and at most
// one end word, an end word only on success or after the comma warning,
// and a debug listing that shows exactly the words on the tape. Both runs
// are made again with blocks of a few bytes, which take the reader and
// the output through the ends of their buffers all the time, and must
// come out the same.
//
// The same bytes are also read back as a tape, as tapelist reads them:
// the listing it writes must make tapewright punch the words that read-in
// mode loads from them, and a tape that tapewright made must come back
// the same, byte for byte.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "conversion.h"
#include "tapelist.h"

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

// The conversion and tapelist print on the standard streams; glibc lets
// them be pointed at memory for the length of a run. run() opens its
// input on the bytes given and returns its result; output is where the
// run's tape or listing goes, which the run closes itself if it is a tape.
template <typename Run> outcome caught(const std::string &input, bool tape_out, Run run)
{
	char *out = nullptr, *err = nullptr;
	size_t out_size = 0, err_size = 0;
	FILE *saved_stdout = stdout, *saved_stderr = stderr;
	FILE *output = open_memstream(&out, &out_size);
	FILE *in = fmemopen(const_cast<char *>(input.data()), input.size(), "r");

	stderr = open_memstream(&err, &err_size);
	if (!output || !stderr || !in)
		broken("no memory streams", saved_stderr);
	outcome o{};
	o.result = run(in, output);
	fclose(in);
	if (!tape_out)
		fclose(output);
	fclose(stderr);
	stdout = saved_stdout;
	stderr = saved_stderr;
	o.output.assign(out, out_size);
	o.messages.assign(err, err_size);
	free(out);
	free(err);
	return o;
}

outcome convert(const std::string &listing, bool to_tape, size_t read_block, size_t write_block)
{
	outcome o = caught(listing, to_tape, [&](FILE *in, FILE *output) {
		state = new_conversion;
		state.read_block = read_block;
		state.output.block = write_block;
		state.listing_name = "listing";
		state.tape_name = "tape";
		state.listing = in;
		if (to_tape)
			state.tape = output;
		else
			stdout = output;
		return convert_listing() | finish_output();
	});
	o.pair_count = state.pair_count;
	o.start = state.start;
	o.comma_warned = !state.check_commas;
	return o;
}

outcome list_back(const std::string &tape, size_t read_block, size_t write_block)
{
	outcome o = caught(tape, false, [&](FILE *in, FILE *output) {
		reading = new_reading;
		reading.read_block = read_block;
		reading.output.block = write_block;
		reading.tape_name = "tape";
		reading.title = "t";
		reading.tape = in;
		stdout = output;
		reading.output.stream = output;
		return list_tape() | finish_listing();
	});
	o.pair_count = reading.pair_count;
	o.start = reading.start;
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

// What read-in mode loads from a tape, worked out plainly: every three
// frames with the binary hole are a word; dio or dac (indirect or not) and
// the next word are a pair; jmp ends the tape; any other word stops it.
struct loaded {
	std::vector<std::pair<int, int>> pairs;
	int start = NO_START;
};

loaded read_in(const std::string &tape)
{
	std::vector<int> words;
	int word = 0, frames = 0;
	for (unsigned char frame : tape)
		if (frame & 0200) {
			word = word << 6 | (frame & 077);
			if (++frames == 3) {
				words.push_back(word);
				word = frames = 0;
			}
		}
	loaded l;
	for (size_t i = 0; i < words.size(); i += 2) {
		int operation = words[i] & 0760000;
		if (operation == START_WORD) {
			l.start = words[i] & LAST_ADDRESS;
			break;
		}
		if ((operation != DEPOSIT_WORD && operation != 0240000) ||
		    i + 1 == words.size())
			break;
		l.pairs.emplace_back(words[i] & LAST_ADDRESS, words[i + 1]);
	}
	return l;
}

// The tape tapewright punches for what was loaded: every pair, and the
// end word when there was a start address.
std::string punched(const loaded &l)
{
	std::string tape;
	auto punch = [&](int word) {
		for (int shift = 12; shift >= 0; shift -= 6)
			tape += static_cast<char>(0200 | (word >> shift & 077));
	};
	for (auto [location, word] : l.pairs) {
		punch(DEPOSIT_WORD | location);
		punch(word);
	}
	if (l.start != NO_START)
		punch(START_WORD | l.start);
	return tape;
}

// Reads the bytes as a tape: tapelist must find what read-in mode loads,
// and fail just when the tape is not whole; tapewright must punch its
// listing into those words, and refuse it when it has no start.
void check_read_back(const std::string &bytes)
{
	outcome back = list_back(bytes, TAPE_BLOCK, TAPE_BLOCK);
	loaded l = read_in(bytes);
	if (back.result != (l.start == NO_START ? 1 : 0))
		broken("tapelist's result is not whether the tape ends in a start word",
		       stderr);
	if (back.result == 1 && back.messages.empty())
		broken("tapelist failed with no message", stderr);
	if (back.pair_count != static_cast<long long>(l.pairs.size()) || back.start != l.start)
		broken("tapelist did not read what read-in mode loads", stderr);
	outcome again = convert(back.output, true, LISTING_BLOCK, OUTPUT_BLOCK);
	if (again.result != back.result || again.output != punched(l))
		broken("the listing does not punch the words read in", stderr);

	size_t read_block = 1 + bytes.size() % 7, write_block = 1 + bytes.size() / 7 % 13;
	if (!same_run(back, list_back(bytes, read_block, write_block)))
		broken("small blocks read a different listing", stderr);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
	const std::string listing(reinterpret_cast<const char *>(data), size);
	outcome tape = convert(listing, true, LISTING_BLOCK, OUTPUT_BLOCK);
	outcome debug = convert(listing, false, LISTING_BLOCK, OUTPUT_BLOCK);
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
	if (!same_run(tape, convert(listing, true, read_block, write_block)))
		broken("small blocks make a different tape", stderr);
	if (!same_run(debug, convert(listing, false, read_block, write_block)))
		broken("small blocks make a different debug listing", stderr);

	// A whole tape, read back and punched again, is the same tape.
	if (tape.result == 0) {
		outcome back = list_back(tape.output, TAPE_BLOCK, TAPE_BLOCK);
		if (back.result != 0 ||
		    convert(back.output, true, LISTING_BLOCK, OUTPUT_BLOCK).output !=
		            tape.output)
			broken("a tape read back and punched again is another tape", stderr);
	}
	check_read_back(listing);
	check_read_back(tape.output);
	return 0;
}

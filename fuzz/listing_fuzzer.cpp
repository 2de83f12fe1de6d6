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
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "conversion.h"
#include "loader.h"
#include "tapelist.h"

namespace {

struct outcome {
	int result;
	long long pair_count;
	int start;
	int comma_warned;
	long long segments;   // tapelist: the segments begun
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

outcome convert(const std::string &listing, bool to_tape, size_t read_block, size_t write_block,
                int blocks = 0)
{
	outcome o = caught(listing, to_tape, [&](FILE *in, FILE *output) {
		state = new_conversion;
		state.blocks = blocks;
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

// A tape that can be read for `room` bytes, and then fails, as a damaged
// disk or a broken connection does.
struct failing_tape {
	FILE *in;
	size_t room;
};

ssize_t read_failing(void *cookie, char *data, size_t size)
{
	auto *tape = static_cast<failing_tape *>(cookie);
	size_t got = tape->room < size ? tape->room : size;
	if (got == 0) {
		errno = EIO;
		return -1;
	}
	got = fread(data, 1, got, tape->in);
	tape->room -= got;
	return static_cast<ssize_t>(got);
}

// tapelist reading the tape, which fails after `room` bytes unless that is
// SIZE_MAX; the listing symbolic, or not.
outcome list_back(const std::string &tape, size_t read_block, size_t write_block,
                  size_t room = SIZE_MAX, int symbolic = 0)
{
	outcome o = caught(tape, false, [&](FILE *in, FILE *output) {
		reading = new_reading;
		reading.symbolic = symbolic;
		reading.read_block = read_block;
		reading.output.block = write_block;
		reading.tape_name = "tape";
		reading.title = "t";
		failing_tape failing{in, room};
		reading.tape = room == SIZE_MAX
		                       ? in
		                       : fopencookie(&failing, "r",
		                                     {read_failing, nullptr, nullptr, nullptr});
		if (!reading.tape)
			broken("no cookie stream", stderr);
		stdout = output;
		reading.output.stream = output;
		int result = list_tape() | finish_listing();
		if (reading.tape != in)
			fclose(reading.tape);
		return result;
	});
	o.pair_count = reading.pair_count;
	o.start = reading.start;
	o.segments = reading.segments;
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

// What the machine loads from a tape, worked out plainly, segment by
// segment. Every three frames with the binary hole are a word. A read-in
// section deposits on dio or dac (indirect or not) and starts on jmp; any
// other word stops it. After a jmp come blocks (plain dio FA, plain dio
// LA+1 past it, the data, a checksum equal to the sum modulo 777777), up
// to a plain jmp, which after read-in may come at once; or a read-in
// section, when the next word deposits or starts and is no block, or when
// it begins a block whose checksum is
// wrong or missing but whose words all make read-in pairs; or frames for
// the program, which nothing reads.
struct segment {
	std::vector<std::pair<int, int>> deposits;
	int start = NO_START;
};

struct loaded {
	std::vector<segment> segments;
	bool whole = false;
	long long pairs = 0, blocks = 0;
};

struct model {
	std::vector<int> words;
	size_t next = 0;
	loaded l;

	bool read_in(segment &s)
	{
		while (next < words.size()) {
			int word = words[next++], operation = word & OPERATION;
			if (operation == START_WORD) {
				s.start = word & ADDRESS;
				return true;
			}
			if ((operation != DEPOSIT_WORD && operation != OTHER_DEPOSIT_WORD) ||
			    next == words.size())
				return false;
			s.deposits.emplace_back(word & ADDRESS, words[next++]);
			l.pairs++;
		}
		return false;
	}

	// The block at next: 0 when it is one, and end is past it; else 1 for
	// no header, 2 for a wrong checksum, 3 for one cut short, and end is
	// past the words it has.
	int block(size_t &end) const
	{
		size_t at = next;
		if (at + 1 >= words.size()) {
			end = words.size();
			return 3;
		}
		int first = words[at] & ADDRESS, second = words[at + 1];
		if ((second & FORM) != DEPOSIT_WORD || (second & ADDRESS) <= first) {
			end = at + 2;
			return 1;
		}
		end = at + 3 + static_cast<size_t>((second & ADDRESS) - first);
		if (end > words.size()) {
			end = words.size();
			return 3;
		}
		long long sum = 0;
		for (size_t i = at; i < end - 1; i++)
			sum += words[i];
		return sum % LARGEST_WORD == words[end - 1] % LARGEST_WORD ? 0 : 2;
	}

	void take_block(segment &s, size_t end)
	{
		int first = words[next] & ADDRESS;
		for (size_t i = next + 2; i < end - 1; i++)
			s.deposits.emplace_back(first++, words[i]);
		l.blocks++;
		next = end;
	}

	bool blocks(segment &s)
	{
		for (;;) {
			if (next == words.size())
				return false;
			int word = words[next];
			if ((word & FORM) == START_WORD) {
				s.start = word & ADDRESS;
				next++;
				return true;
			}
			size_t end;
			if ((word & FORM) != DEPOSIT_WORD || block(end) != 0)
				return false;
			take_block(s, end);
		}
	}

	bool make_pairs(size_t end) const
	{
		for (size_t i = next; i < end; i += 2) {
			int operation = words[i] & OPERATION;
			if (operation == START_WORD ? i != end - 1
			                            : operation != DEPOSIT_WORD &&
			                                      operation != OTHER_DEPOSIT_WORD)
				return false;
		}
		return true;
	}

	void load()
	{
		l.segments.emplace_back();
		if (!read_in(l.segments.back()))
			return;
		bool after_read_in = true;
		for (;;) {
			if (next == words.size())
				break;
			int word = words[next], operation = word & OPERATION;
			// A plain jmp after read-in is the loader's: no blocks.
			if (after_read_in && (word & FORM) == START_WORD) {
				l.segments.back().start = word & ADDRESS;
				next++;
				after_read_in = false;
				continue;
			}
			if ((word & FORM) == DEPOSIT_WORD) {
				size_t end;
				int found = block(end);
				// The segment starts where its blocks' jmp says, if
				// they end in one.
				if (found == 0) {
					if (after_read_in)
						l.segments.back().start = NO_START;
					else
						l.segments.emplace_back();
					take_block(l.segments.back(), end);
					if (!blocks(l.segments.back()))
						return;
					after_read_in = false;
					continue;
				}
				// A damaged block: after read-in, the loader's
				// segment fails; after blocks, the segment they
				// ended is whole, and the next fails.
				if ((found == 2 || (found == 3 && end - next >= 2)) &&
				    !make_pairs(end)) {
					if (after_read_in)
						l.segments.back().start = NO_START;
					return;
				}
			} else if (operation != START_WORD && operation != DEPOSIT_WORD &&
			           operation != OTHER_DEPOSIT_WORD)
				break;
			l.segments.emplace_back();
			if (!read_in(l.segments.back()))
				return;
			after_read_in = true;
		}
		l.whole = true;
	}
};

loaded load(const std::string &tape)
{
	model m;
	int word = 0, frames = 0;
	for (unsigned char frame : tape)
		if (frame & 0200) {
			word = word << 6 | (frame & 077);
			if (++frames == 3) {
				m.words.push_back(word);
				word = frames = 0;
			}
		}
	m.load();
	// A segment that failed before it held anything is not listed.
	if (!m.l.segments.empty() && m.l.segments.back().deposits.empty() &&
	    m.l.segments.back().start == NO_START)
		m.l.segments.pop_back();
	return m.l;
}

// The tape tapewright punches for a segment: every deposit as a pair, and
// the end word when there was a start address.
std::string punched(const segment &s)
{
	std::string tape;
	auto punch = [&](int word) {
		for (int shift = 12; shift >= 0; shift -= 6)
			tape += static_cast<char>(0200 | (word >> shift & 077));
	};
	for (auto [location, word] : s.deposits) {
		punch(DEPOSIT_WORD | location);
		punch(word);
	}
	if (s.start != NO_START)
		punch(START_WORD | s.start);
	return tape;
}

// The listing of each segment: each but the first begins with the blank
// line before its title, a line that begins with "Tape ".
std::vector<std::string> segment_listings(const std::string &listing)
{
	std::vector<std::string> parts;
	size_t at = 0;
	while (at < listing.size()) {
		size_t next = listing.find("\n\nTape ", at);
		size_t end = next == std::string::npos ? listing.size() : next + 1;
		parts.push_back(listing.substr(at, end - at));
		at = end;
	}
	return parts;
}

// Reads the bytes as a tape: tapelist must find what the machine loads,
// segment by segment, and fail just when the tape is not whole;
// tapewright must punch each segment's listing into those words, and
// refuse it when it has no start.
outcome check_read_back(const std::string &bytes)
{
	// Listed one way or the other, as the length has it.
	int symbolic = static_cast<int>(bytes.size() % 2);
	outcome back = list_back(bytes, TAPE_BLOCK, TAPE_BLOCK, SIZE_MAX, symbolic);
	loaded l = load(bytes);
	if (back.result != (l.whole ? 0 : 1))
		broken("tapelist's result is not whether the tape is whole", stderr);
	if (back.result == 1 && back.messages.empty())
		broken("tapelist failed with no message", stderr);
	if (back.pair_count != l.pairs || reading.block_count != l.blocks ||
	    back.start != (l.segments.empty() ? NO_START : l.segments[0].start))
		broken("tapelist did not count what the machine loads", stderr);
	std::vector<std::string> listings = segment_listings(back.output);
	if (listings.size() != l.segments.size())
		broken("tapelist did not list every segment", stderr);
	for (size_t i = 0; i < listings.size(); i++) {
		outcome again = convert(listings[i], true, LISTING_BLOCK, OUTPUT_BLOCK);
		if (again.result != (l.segments[i].start == NO_START) ||
		    again.output != punched(l.segments[i]))
			broken("a segment's listing does not punch the words it loads", stderr);
	}

	size_t read_block = 1 + bytes.size() % 7, write_block = 1 + bytes.size() / 7 % 13;
	if (!same_run(back, list_back(bytes, read_block, write_block, SIZE_MAX, symbolic)))
		broken("small blocks read a different listing", stderr);

	// A read that fails part-way: the segments listed before it stay
	// whole, and the one it cut short has no start statement, so that
	// tapewright refuses it. (A segment cut before it held anything is
	// not listed.)
	size_t room = bytes.size() * 7 / 11;
	outcome cut = list_back(bytes, read_block, write_block, room, symbolic);
	std::vector<std::string> whole = segment_listings(back.output);
	std::vector<std::string> parts = segment_listings(cut.output);
	// (Unless the tape stopped before the failure.)
	if (cut.result != 1 ||
	    (cut.messages.find("could not be read") == std::string::npos && back.result != 1))
		broken("a failed read is not a failure", stderr);
	for (size_t i = 0; i + 1 < parts.size(); i++)
		if (parts[i] != whole[i])
			broken("a failed read changes a segment before it", stderr);
	bool failed = cut.messages.find("could not be read") != std::string::npos;
	if (failed && !parts.empty() && static_cast<long long>(parts.size()) == cut.segments &&
	    convert(parts.back(), true, LISTING_BLOCK, OUTPUT_BLOCK).result != 1)
		broken("a failed read leaves the segment it cut whole", stderr);
	return back;
}

// The listing punched as a block tape: read back, it loads the words of
// the read-in tape, after the loader's, and punches the same block tape
// again. A listing that would overwrite the loader is refused.
void check_block_tape(const std::string &listing, const outcome &rim)
{
	outcome tape = convert(listing, true, LISTING_BLOCK, OUTPUT_BLOCK, 1);
	if (state.loader_clash) {
		if (tape.result != 1 ||
		    tape.messages.find("overwrite the block loader") == std::string::npos)
			broken("a clash with the loader is not refused", stderr);
		return;
	}
	if (tape.result != rim.result || tape.start != rim.start)
		broken("the block tape tells another run than the read-in tape", stderr);
	// (Without a start, a tape of the loader alone would start it.)
	if (rim.start == NO_START || rim.start == START_AWAITED)
		return;
	loaded blocks = load(tape.output), pairs = load(rim.output);
	std::vector<std::pair<int, int>> expected;
	if (!pairs.segments.empty())
		std::copy_if(
		        pairs.segments[0].deposits.begin(), pairs.segments[0].deposits.end(),
		        std::back_inserter(expected),
		        [](std::pair<int, int> pair) { return pair.first < LOADER_FIRST; });
	const auto &got = blocks.segments.at(0).deposits;
	if (got.size() != LOADER_PAIRS + expected.size() ||
	    !std::equal(expected.begin(), expected.end(), got.begin() + LOADER_PAIRS) ||
	    blocks.segments[0].start != rim.start || blocks.segments.size() != 1)
		broken("the block tape does not load the listing's words", stderr);
	outcome back = list_back(tape.output, TAPE_BLOCK, TAPE_BLOCK);
	if (convert(back.output, true, LISTING_BLOCK, OUTPUT_BLOCK, 1).output != tape.output)
		broken("a block tape read back and punched again is another tape", stderr);
}

// A tape of the kind archived programs come on, made of the bytes: a few
// read-in pairs, a jmp, blocks with right checksums and a jmp; whole, and
// found out once one frame of a block's words is changed.
void check_damaged_blocks(const uint8_t *data, size_t size)
{
	if (size < 8)
		return;
	std::string tape;
	auto punch = [&](int word) {
		for (int shift = 12; shift >= 0; shift -= 6)
			tape += static_cast<char>(0200 | (word >> shift & 077));
	};
	auto byte = [&](size_t i) { return static_cast<int>(data[i % size]); };
	int pairs = byte(0) % 4;
	for (int i = 0; i < pairs; i++) {
		punch(DEPOSIT_WORD | (07700 + i));
		punch(byte(i) << 10 | byte(i + 1));
	}
	punch(START_WORD | 07700);
	// Where the blocks' data words and checksums begin: changing a frame
	// of a header word could make it no block at all, or another one.
	std::vector<size_t> changeable;
	int location = byte(1) << 2;
	for (size_t at = 2; at < static_cast<size_t>(4 + byte(1) % 8); at += 2) {
		int length = 1 + byte(at) % 0100;
		long long sum = DEPOSIT_WORD * 2 + 2 * location + length;
		punch(DEPOSIT_WORD | location);
		punch(DEPOSIT_WORD | (location + length));
		for (int i = 0; i < length; i++) {
			int word = (byte(at + 1) * 01001 + i * byte(at + 2)) & LARGEST_WORD;
			sum += word;
			changeable.push_back(tape.size());
			punch(word);
		}
		while (sum > LARGEST_WORD)
			sum = (sum & LARGEST_WORD) + (sum >> 18);
		changeable.push_back(tape.size());
		punch(static_cast<int>(sum));
		tape.append(static_cast<size_t>(byte(at + 1) % 3), '\0');
		location += length + byte(at + 2) % 3;
	}
	punch(START_WORD | (byte(2) & ADDRESS));

	if (check_read_back(tape).result != 0)
		broken("a tape of read-in pairs and blocks is not read whole", stderr);
	size_t frame = changeable[static_cast<size_t>(byte(3)) % changeable.size()] +
	               static_cast<size_t>(byte(4) % 3);
	tape[frame] = static_cast<char>(0200 | ((tape[frame] + 1 + byte(5) % 077) & 077));
	outcome damaged = check_read_back(tape);
	if (damaged.result == 0 && damaged.messages.find("is not the sum") == std::string::npos)
		broken("a block with a changed frame is not found out", stderr);
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

	// A whole tape, read back and punched again, is the same tape; so is
	// its symbolic listing, a word to a line with its instruction.
	for (int symbolic = 0; symbolic < 2 && tape.result == 0; symbolic++) {
		outcome back =
		        list_back(tape.output, TAPE_BLOCK, TAPE_BLOCK, SIZE_MAX, symbolic);
		if (back.result != 0 ||
		    convert(back.output, true, LISTING_BLOCK, OUTPUT_BLOCK).output !=
		            tape.output)
			broken("a tape read back and punched again is another tape", stderr);
	}
	check_read_back(listing);
	check_read_back(tape.output);
	check_damaged_blocks(data, size);
	check_block_tape(listing, tape);
	return 0;
}

// A tape that takes a given number of bytes and then fails, as a full disk
// does: whatever the point of failure, the run fails, says so once, counts
// only the pairs punched before the failure showed and writes nothing
// after it. And a tape that can be read so far and then fails, as a
// damaged one does: the segment it cuts short has no start statement.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "conversion.h"
#include "tapelist.h"

namespace {

struct limited_tape {
	std::string bytes;
	size_t room;
	bool frees_up; // after the first failure there is room again
};

// Like a disk that fills up: what fits is taken, and the disk is full.
// (A cookie's write returns 0 for a failure, and glibc takes a short write
// as a failure without trying again: errno says why for either.) A disk
// that frees up takes anything written after the failure, which would
// leave a gap in the tape.
// Reads what fits in the room, then fails; the end of a tape that fits is
// the end.
ssize_t read_limited(void *cookie, char *data, size_t size)
{
	auto *tape = static_cast<limited_tape *>(cookie);
	size_t fits = std::min({size, tape->room, tape->bytes.size()});
	if (tape->bytes.empty())
		return 0;
	if (fits == 0) {
		errno = EIO;
		return -1;
	}
	tape->bytes.copy(data, fits);
	tape->bytes.erase(0, fits);
	tape->room -= fits;
	return static_cast<ssize_t>(fits);
}

ssize_t write_limited(void *cookie, const char *data, size_t size)
{
	auto *tape = static_cast<limited_tape *>(cookie);
	size_t fits = std::min(size, tape->room - tape->bytes.size());
	tape->bytes.append(data, fits);
	if (fits < size) {
		errno = ENOSPC;
		if (tape->frees_up)
			tape->room = SIZE_MAX;
	}
	return static_cast<ssize_t>(fits);
}

// A stream that writes through write_limited. The C library has no
// standard way to make one: glibc has fopencookie, the BSDs and macOS
// funopen, and elsewhere these tests are left out.
#if defined(__GLIBC__)
#define HAVE_LIMITED_TAPE 1
FILE *open_limited(limited_tape *tape)
{
	cookie_io_functions_t io{nullptr, write_limited, nullptr, nullptr};
	return fopencookie(tape, "w", io);
}

FILE *open_failing(limited_tape *tape)
{
	cookie_io_functions_t io{read_limited, nullptr, nullptr, nullptr};
	return fopencookie(tape, "r", io);
}
#elif defined(__APPLE__) || defined(__FreeBSD__) || defined(__NetBSD__) ||                     \
        defined(__OpenBSD__) || defined(__DragonFly__)
#define HAVE_LIMITED_TAPE 1
int write_limited_int(void *cookie, const char *data, int size)
{
	return static_cast<int>(write_limited(cookie, data, static_cast<size_t>(size)));
}

FILE *open_limited(limited_tape *tape)
{
	return funopen(tape, nullptr, write_limited_int, nullptr, nullptr);
}

int read_limited_int(void *cookie, char *data, int size)
{
	return static_cast<int>(read_limited(cookie, data, static_cast<size_t>(size)));
}

FILE *open_failing(limited_tape *tape)
{
	return funopen(tape, read_limited_int, nullptr, nullptr, nullptr);
}
#endif

#ifdef HAVE_LIMITED_TAPE
struct run {
	int result;
	long long pair_count;
	std::string messages;
};

// Converts the listing onto a tape with room for `room` bytes, written
// `block` bytes at a time.
run convert(const std::string &listing, limited_tape &tape, size_t block)
{
	state = new_conversion;
	state.tape_name = "tape.rim";
	state.output.block = block;
	state.listing = fmemopen(const_cast<char *>(listing.data()), listing.size(), "r");
	state.tape = open_limited(&tape);
	if (!state.listing || !state.tape)
		return {-1, -1, "no memory streams"};
	setvbuf(state.tape, nullptr, _IONBF, 0);

	testing::internal::CaptureStderr();
	int result = convert_listing();
	result |= finish_output();
	std::string messages = testing::internal::GetCapturedStderr();
	fclose(state.listing);
	return {result, state.pair_count, messages};
}

std::string no_space()
{
	return "tape.rim could not be written: " + std::string(strerror(ENOSPC)) + "\n";
}

TEST(FailingTape, StopsAtTheFirstFailedWrite)
{
	// Two pairs and the end word: 15 frames.
	const std::string listing = "T\n1 2\nstart 4\n";
	const std::string whole("\x9a\x80\x84\x80\x80\x81"
	                        "\x9a\x80\x85\x80\x80\x82"
	                        "\xb0\x80\x84");

	for (size_t room = 0; room <= whole.size(); room++) {
		bool fits = room == whole.size();
		// Written a frame at a time, a word as soon as it is punched, the
		// failure shows at the pair that does not fit. Written a block at
		// a time, it shows only at the end, after both pairs.
		// Nothing is written after the failure, though the disk has
		// room again.
		for (size_t block : {size_t{1}, size_t{OUTPUT_BLOCK}})
			for (bool frees_up : {false, true}) {
				SCOPED_TRACE(
				        "room for " + std::to_string(room) +
				        " frames, blocks of " + std::to_string(block) +
				        (frees_up ? ", room again after the failure" : ""));
				limited_tape tape{"", room, frees_up};
				run got = convert(listing, tape, block);
				long long counted =
				        block == 1 ? std::min(static_cast<long long>(room / 6),
				                              2LL)
				                   : 2;
				EXPECT_EQ(got.result, fits ? 0 : 1);
				EXPECT_EQ(tape.bytes, whole.substr(0, room));
				EXPECT_EQ(got.pair_count, counted);
				EXPECT_EQ(got.messages, fits ? "" : no_space());
			}
	}
}

// A long tape fails at the same pair as it did through a stream with a
// buffer of one block: the pair whose frames no longer fit in the block
// after the last one written. (The summary of a run on a full disk
// depends on it.)
TEST(FailingTape, FailsWhereABufferOfOneBlockWould)
{
	const long long pairs = 200000; // 1,200,003 frames: nine blocks
	std::string listing = "T\n";
	for (long long pair = 0; pair < pairs; pair++)
		listing += pair % 4096 == 0 ? "0/ 7\n" : "7\n";
	listing += "start 0\n";
	const size_t B = OUTPUT_BLOCK;

	for (size_t room : {size_t{0}, B - 1, B, B + 1, 2 * B + 5, 3 * B + 1, 8 * B + 2}) {
		SCOPED_TRACE("room for " + std::to_string(room) + " frames");
		limited_tape tape{"", room, false};
		run got = convert(listing, tape, B);
		// The block that fails ends after frame (room / B + 1) * B.
		long long counted = static_cast<long long>((room / B + 1) * B / 6);
		EXPECT_EQ(got.result, 1);
		EXPECT_EQ(tape.bytes.size(), room);
		EXPECT_EQ(got.pair_count, std::min(counted, pairs));
		EXPECT_EQ(got.messages, no_space());
	}
}

// A tape of two segments: read-in pairs, then two blocks, then a read-in
// section of its own, and a trailer. A failed read cuts the segment it
// falls in short: the first is whole, start and all, once the second has
// begun; the second, even when the failure is in the trailer.
TEST(FailingTape, AFailedReadLeavesNoStartForTheSegmentItCuts)
{
	std::string whole;
	for (int word : {0320100, 1, 0600100, 0320200, 0320202, 2, 3, 0640407, 0320202, 0320203,
	                 5, 0640412, 0600200, 0320300, 4, 0600300})
		for (int shift = 12; shift >= 0; shift -= 6)
			whole += static_cast<char>(0200 | (word >> shift & 077));
	whole.append(3, '\0');
	// The second has begun once its first pair is read: a dio can also
	// begin a block, and the word after it tells.
	const size_t second_begun = 45;

	for (size_t room = 0; room <= whole.size(); room++) {
		SCOPED_TRACE("read " + std::to_string(room) + " frames");
		limited_tape tape{whole, room, false};
		reading = new_reading;
		reading.tape_name = "tape.rim";
		reading.title = "tape.rim";
		reading.tape = open_failing(&tape);
		ASSERT_TRUE(reading.tape);
		testing::internal::CaptureStdout();
		testing::internal::CaptureStderr();
		reading.output.stream = stdout;
		int result = list_tape() | finish_listing();
		std::string listing = testing::internal::GetCapturedStdout();
		std::string messages = testing::internal::GetCapturedStderr();
		fclose(reading.tape);

		size_t starts = 0;
		for (size_t at = 0; (at = listing.find("\nstart ", at)) != std::string::npos;
		     at++)
			starts++;
		bool failed = room < whole.size();
		EXPECT_EQ(result, failed ? 1 : 0);
		// The failure, told once, and nothing else: no word of the
		// segment cut short is taken for the end of the tape.
		EXPECT_EQ(messages, failed ? "tape.rim could not be read: " +
		                                     std::string(strerror(EIO)) + "\n"
		                           : "");
		EXPECT_EQ(starts, failed ? (room >= second_begun ? 1U : 0U) : 2U);
	}
}

#endif // HAVE_LIMITED_TAPE

} // namespace

// A tape that takes a given number of bytes and then fails, as a full disk
// does: whatever the point of failure, the run fails, says so once, counts
// only whole pairs and punches nothing after the failure.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "conversion.h"

namespace {

struct limited_tape {
	std::string bytes;
	size_t room;
};

ssize_t write_limited(void *cookie, const char *data, size_t size)
{
	auto *tape = static_cast<limited_tape *>(cookie);
	if (tape->bytes.size() + size > tape->room) {
		errno = ENOSPC;
		return -1;
	}
	tape->bytes.append(data, size);
	return static_cast<ssize_t>(size);
}

// A stream that writes through write_limited. The C library has no
// standard way to make one: glibc has fopencookie, the BSDs and macOS
// funopen, and elsewhere the test is skipped.
#if defined(__GLIBC__)
#define HAVE_LIMITED_TAPE 1
FILE *open_limited(limited_tape *tape)
{
	cookie_io_functions_t io{nullptr, write_limited, nullptr, nullptr};
	return fopencookie(tape, "w", io);
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
#endif

TEST(FailingTape, StopsAtTheFirstFailedFrame)
{
#ifndef HAVE_LIMITED_TAPE
	GTEST_SKIP() << "this C library cannot make a stream that fails on demand";
#else
	// Two pairs and the end word: 15 frames.
	const char listing[] = "T\n1 2\nstart 4\n";
	const std::string whole("\x9a\x80\x84\x80\x80\x81"
	                        "\x9a\x80\x85\x80\x80\x82"
	                        "\xb0\x80\x84");

	for (size_t room = 0; room <= whole.size(); room++) {
		SCOPED_TRACE("room for " + std::to_string(room) + " frames");
		limited_tape tape{"", room};
		state = new_conversion;
		state.tape_name = "tape.rim";
		state.listing = fmemopen(const_cast<char *>(listing), sizeof listing - 1, "r");
		state.tape = open_limited(&tape);
		ASSERT_TRUE(state.listing && state.tape);
		setvbuf(state.tape, nullptr, _IONBF, 0);

		testing::internal::CaptureStderr();
		int result = convert_listing();
		result |= finish_output();
		std::string messages = testing::internal::GetCapturedStderr();
		fclose(state.listing);

		bool fits = room == whole.size();
		EXPECT_EQ(result, fits ? 0 : 1);
		EXPECT_EQ(tape.bytes, whole.substr(0, room));
		EXPECT_EQ(state.pair_count, static_cast<int>(std::min<size_t>(room / 6, 2)));
		EXPECT_EQ(messages, fits ? ""
		                         : "tape.rim could not be written: " +
		                                    std::string(strerror(ENOSPC)) + "\n");
	}
#endif
}

} // namespace

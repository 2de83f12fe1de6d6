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

TEST(FailingTape, StopsAtTheFirstFailedFrame)
{
	// Two pairs and the end word: 15 frames.
	const char listing[] = "T\n1 2\nstart 4\n";
	const std::string whole("\x9a\x80\x84\x80\x80\x81"
	                        "\x9a\x80\x85\x80\x80\x82"
	                        "\xb0\x80\x84");

	for (size_t room = 0; room <= whole.size(); room++) {
		SCOPED_TRACE("room for " + std::to_string(room) + " frames");
		limited_tape tape{"", room};
		cookie_io_functions_t io{nullptr, write_limited, nullptr, nullptr};
		state = new_conversion;
		state.tape_name = "tape.rim";
		state.listing = fmemopen(const_cast<char *>(listing), sizeof listing - 1, "r");
		state.tape = fopencookie(&tape, "w", io);
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
		EXPECT_EQ(state.pair_count,
		          static_cast<long long>(std::min<size_t>(room / 6, 2)));
		EXPECT_EQ(messages, fits ? ""
		                         : "tape.rim could not be written: " +
		                                    std::string(strerror(ENOSPC)) + "\n");
	}
}

} // namespace

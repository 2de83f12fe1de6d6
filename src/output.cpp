// The block output shared by both programs.
#include <cerrno>
#include <cstring>

#include "output.h"

unsigned char output_buffer[OUTPUT_BLOCK + OUTPUT_ROOM];

// The first failed write is reported; later ones, and writes after it,
// add nothing, so the user sees one message for one broken output.
static int output_failure(block_output &out, int error)
{
	if (!out.failed)
		fprintf(stderr, "%s could not be written: %s\n",
		        out.name ? out.name : "standard output", strerror(error));
	out.failed = 1;
	return 1;
}

// After a failure what is held is dropped, as is all that follows.
int write_held(block_output &out, size_t size)
{
	if (!out.failed && fwrite(output_buffer, 1, size, out.stream) != size)
		output_failure(out, errno);
	if (out.failed) {
		out.held = 0;
		return 1;
	}
	out.held -= size;
	memmove(output_buffer, output_buffer + size, out.held);
	return 0;
}

// The flush writes what the stream still holds, and its failure is seen
// here: fclose does not report it in every C runtime (wine's msvcrt loses
// it).
int finish_block_output(block_output &out, int close)
{
	if (out.held > 0)
		write_held(out, out.held);
	out.held = 0;
	if (!out.failed && fflush(out.stream) == EOF)
		output_failure(out, errno);
	if (close && fclose(out.stream) == EOF)
		output_failure(out, errno);
	return out.failed;
}

// tapewright: convert an octal listing into a PDP-1 read-in-mode tape
// image, or print the words it would punch.
#include <cerrno>
#include <cstring>

#include "conversion.h"
#include "platform.h"
#include "version.h"

static int usage(int argc, const char *name)
{
	if (argc == 2)
		fprintf(stderr, "tapewright %s ...\n", TAPEWRIGHT_VERSION);
	fprintf(stderr, "Usage: %s octfile rimfile\n", name);
	fprintf(stderr, "       %s octfile --debug\n", name);
	return 1;
}

int main(int argc, char **argv)
{
	if (argc != 3)
		return usage(argc, argc > 0 ? argv[0] : "tapewright");

	const char *listing_name = argv[1], *tape_name = argv[2];
	int debug = tape_name[0] == '-';

	state.listing_name = listing_name;
	state.tape_name = tape_name;
	if (!(state.listing = fopen(listing_name, "r"))) {
		fprintf(stderr, "%s could not be opened: %s\n", listing_name, strerror(errno));
		return 1;
	}
	if (!debug) {
		// Opening the tape truncates it; if it is the listing under the
		// same or another name, the user's source would be lost before
		// it is read.
		if (same_file(state.listing, tape_name)) {
			fprintf(stderr, "%s and %s are the same file\n", listing_name,
			        tape_name);
			return 1;
		}
		if (!(state.tape = fopen(tape_name, "wb"))) {
			fprintf(stderr, "%s could not be opened: %s\n", tape_name,
			        strerror(errno));
			return 1;
		}
		// The output is built and written in blocks of the tool's own:
		// a stream buffer would only copy them once more. (A terminal
		// keeps its line buffering.)
		setvbuf(state.tape, nullptr, _IONBF, 0);
	} else if (!is_terminal(stdout))
		setvbuf(stdout, nullptr, _IONBF, 0);

	int result = convert_listing();
	fclose(state.listing);
	result |= finish_output();

	int started = state.start >= 0 && state.start <= LAST_ADDRESS;
	if (state.pair_count > 0 || started) {
		fprintf(stderr, "Punched %lld word-pairs to %s", state.pair_count, tape_name);
		if (started)
			fprintf(stderr, ", start = %4.4o", state.start);
		fprintf(stderr, "\n");
	}
	if (result != 0)
		fprintf(stderr, "Output to %s could not be completed\n", tape_name);
	return result;
}

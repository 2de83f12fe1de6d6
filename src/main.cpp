// tapewright: convert an octal listing into a PDP-1 read-in-mode tape
// image, or print the words it would punch.
#include <cerrno>
#include <cstring>

#include "conversion.h"
#include "loader.h"
#include "platform.h"
#include "version.h"

static void usage_lines(FILE *to, const char *name)
{
	fprintf(to, "Usage: %s octfile rimfile\n", name);
	fprintf(to, "       %s octfile --debug\n", name);
}

static int usage(int argc, const char *name)
{
	if (argc == 2)
		fprintf(stderr, "tapewright %s ...\n", TAPEWRIGHT_VERSION);
	usage_lines(stderr, name);
	return 1;
}

static int help(const char *name)
{
	usage_lines(stdout, name);
	printf("       %s --blocks octfile rimfile\n"
	       "       %s --blocks octfile --debug\n"
	       "Convert an octal listing into a PDP-1 paper tape that read-in mode loads,\n"
	       "or print the words it would punch (any second argument that begins with -).\n"
	       "\n"
	       "  --blocks   punch a loader of its own, then the words in checksummed blocks:\n"
	       "             about half as long, and checked as it loads\n"
	       "  --help     print this help and exit\n"
	       "  --version  print the version and exit\n",
	       name, name);
	return fflush(stdout) == EOF;
}

// "1 word", "2 words".
static const char *plural(long long n)
{
	return n == 1 ? "" : "s";
}

int main(int argc, char **argv)
{
	const char *name = argc > 0 ? argv[0] : "tapewright";
	if (argc == 2 && strcmp(argv[1], "--help") == 0)
		return help(name);
	if (argc == 2 && strcmp(argv[1], "--version") == 0) {
		printf("tapewright %s\n", TAPEWRIGHT_VERSION);
		return fflush(stdout) == EOF;
	}
	state.blocks = argc == 4 && strcmp(argv[1], "--blocks") == 0;
	if (argc != 3 + state.blocks)
		return usage(argc, name);

	const char *listing_name = argv[1 + state.blocks], *tape_name = argv[2 + state.blocks];
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

	// Nothing half-written is left as a tape: a listing that would
	// overwrite the loader is refused before its first block is punched,
	// or its tape removed.
	if (state.loader_clash && !debug && regular_file(tape_name))
		remove(tape_name);
	int started = state.start >= 0 && state.start <= LAST_ADDRESS;
	if (state.loader_clash)
		;
	else if (state.blocks && (state.pair_count > 0 || started)) {
		fprintf(stderr, "Punched %lld word%s in %lld block%s to %s", state.pair_count,
		        plural(state.pair_count), state.block_count, plural(state.block_count),
		        tape_name);
		if (started)
			fprintf(stderr, ", start = %4.4o", state.start);
		fprintf(stderr, ", %lld frames\n",
		        6LL * LOADER_PAIRS + 3 +
		                3 * (state.pair_count + 3 * state.block_count) +
		                (started ? 3 : 0));
	} else if (state.pair_count > 0 || started) {
		fprintf(stderr, "Punched %lld word-pairs to %s", state.pair_count, tape_name);
		if (started)
			fprintf(stderr, ", start = %4.4o", state.start);
		fprintf(stderr, "\n");
	}
	if (result != 0)
		fprintf(stderr, "Output to %s could not be completed\n", tape_name);
	return result;
}

// tapelist: read a PDP-1 paper tape back into a listing that tapewright
// punches into the same words: every segment of it, read-in pairs and a
// loader's blocks alike.
#include <cerrno>
#include <cstring>

#include "platform.h"
#include "tapelist.h"
#include "version.h"

static void usage(FILE *to, const char *name)
{
	fprintf(to, "Usage: %s [--symbolic] [--] rimfile\n", name);
	fprintf(to, "       %s [--symbolic] -\n", name);
}

static void help(const char *name)
{
	usage(stdout, name);
	printf("Read a PDP-1 paper tape (\"-\": standard input) as the machine loads it,\n"
	       "read-in sections and a loader's blocks, and print a listing of each\n"
	       "segment that tapewright punches into a tape loading the same words.\n"
	       "\n"
	       "\n"
	       "  -s, --symbolic  a word to a line, with the instruction it is in a comment\n"
	       "  --help          print this help and exit\n"
	       "  --version       print the version and exit\n"
	       "  --              end the options, for a tape whose name begins with -\n");
}

// "1 frame", "2 frames".
static const char *plural(unsigned long long n)
{
	return n == 1 ? "" : "s";
}

// The notes on what the tape holds besides its words, and the summary.
static void summary()
{
	const char *name = reading.tape_name;
	unsigned long long n = reading.seventh_hole;
	if (n > 0)
		fprintf(stderr,
		        "%s: %llu frame%s the seventh hole (0100), which binary reading "
		        "ignores\n",
		        name, n, n == 1 ? " has" : "s have");
	n = reading.other_forms;
	if (n > 0)
		fprintf(stderr,
		        "%s: %llu word%s dac, or dio or jmp with the indirect bit, which "
		        "read-in mode takes as plain dio and jmp\n",
		        name, n, n == 1 ? " is" : "s are");
	n = reading.after_start;
	if (n > 0)
		fprintf(stderr,
		        "%s: %llu frame%s the last start word (%llu blank): neither blocks "
		        "nor a read-in section\n",
		        name, n, n == 1 ? " follows" : "s follow", reading.blank_after_start);

	int started = reading.start != NO_START;
	if (reading.pair_count == 0 && reading.block_count == 0 && !started)
		return;
	fprintf(stderr, "Read %lld word-pair%s", reading.pair_count,
	        plural(static_cast<unsigned long long>(reading.pair_count)));
	if (reading.block_count > 0)
		fprintf(stderr, " and %lld word%s in %lld block%s", reading.block_words,
		        plural(static_cast<unsigned long long>(reading.block_words)),
		        reading.block_count,
		        plural(static_cast<unsigned long long>(reading.block_count)));
	fprintf(stderr, " from %s", name);
	if (reading.segments > 1)
		fprintf(stderr, " in %lld segments", reading.segments);
	if (started)
		fprintf(stderr, ", start = %4.4o", reading.start);
	fprintf(stderr, "\n");
}

int main(int argc, char **argv)
{
	const char *name = argc > 0 ? argv[0] : "tapelist";
	int arg = 1;
	for (; arg < argc && argv[arg][0] == '-' && argv[arg][1] != '\0'; arg++) {
		if (strcmp(argv[arg], "--") == 0) {
			arg++;
			break;
		}
		if (strcmp(argv[arg], "--symbolic") == 0 || strcmp(argv[arg], "-s") == 0) {
			reading.symbolic = 1;
			continue;
		}
		if (strcmp(argv[arg], "--help") == 0) {
			help(name);
			return fflush(stdout) == EOF;
		}
		if (strcmp(argv[arg], "--version") == 0) {
			printf("tapelist %s\n", TAPEWRIGHT_VERSION);
			return fflush(stdout) == EOF;
		}
		fprintf(stderr, "%s: unknown option %s\n", name, argv[arg]);
		usage(stderr, name);
		return 1;
	}
	if (argc - arg != 1) {
		usage(stderr, name);
		return 1;
	}

	const char *tape_name = argv[arg];
	if (strcmp(tape_name, "-") == 0) {
		reading.tape = stdin;
		reading.tape_name = "standard input";
		reading.title = "read from standard input";
		if (binary_stream(stdin) != 0) {
			fprintf(stderr, "standard input could not be read: %s\n",
			        strerror(errno));
			return 1;
		}
	} else {
		reading.tape_name = tape_name;
		reading.title = tape_name;
		if (!(reading.tape = fopen(tape_name, "rb"))) {
			fprintf(stderr, "%s could not be opened: %s\n", tape_name,
			        strerror(errno));
			return 1;
		}
	}
	// The listing is written in blocks of the tool's own; a terminal
	// keeps its line buffering.
	if (!is_terminal(stdout))
		setvbuf(stdout, nullptr, _IONBF, 0);
	reading.output.stream = stdout;

	int result = list_tape();
	if (reading.tape != stdin)
		fclose(reading.tape);
	result |= finish_listing();

	summary();
	if (result != 0)
		fprintf(stderr, "Listing of %s could not be completed\n", reading.tape_name);
	return result;
}

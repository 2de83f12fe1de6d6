// tapelist: read a PDP-1 read-in-mode tape image back into a listing that
// tapewright punches into the same words.
#include <cerrno>
#include <cstring>

#include "platform.h"
#include "tapelist.h"

static int usage(const char *name)
{
	fprintf(stderr, "Usage: %s rimfile\n", name);
	fprintf(stderr, "       %s -\n", name);
	return 1;
}

int main(int argc, char **argv)
{
	const char *name = argc > 0 ? argv[0] : "tapelist";
	// Any other argument that begins with "-" is taken for an option,
	// which tapelist has none of.
	if (argc != 2 || (argv[1][0] == '-' && argv[1][1] != '\0'))
		return usage(name);

	const char *tape_name = argv[1];
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

	if (reading.seventh_hole > 0)
		fprintf(stderr,
		        "%s: %llu frames have the seventh hole (0100), which read-in "
		        "mode ignores\n",
		        reading.tape_name, reading.seventh_hole);
	if (reading.other_forms > 0)
		fprintf(stderr,
		        "%s: %llu words are dac, or dio or jmp with the indirect bit, "
		        "which read-in mode takes as plain dio and jmp\n",
		        reading.tape_name, reading.other_forms);
	if (reading.after_start > 0)
		fprintf(stderr,
		        "%s: %llu frames follow the start word, %llu of them blank; "
		        "read-in mode does not read them\n",
		        reading.tape_name, reading.after_start, reading.blank_after_start);
	int started = reading.start != NO_START;
	if (reading.pair_count > 0 || started) {
		fprintf(stderr, "Read %lld word-pairs from %s", reading.pair_count, tape_name);
		if (started)
			fprintf(stderr, ", start = %4.4o", reading.start);
		fprintf(stderr, "\n");
	}
	if (result != 0)
		fprintf(stderr, "Listing of %s could not be completed\n", tape_name);
	return result;
}

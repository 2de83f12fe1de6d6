// Writes a large valid listing on standard output for the benchmark:
//   make_listing MEGABYTES
// Memory is filled again and again from a label at 0, eight words a line,
// with a comment now and then, and the listing ends with a start statement.
// The words stop short of 7752, where the block loader lives, so that the
// same listing makes a block tape too.
#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
	long megabytes = argc > 1 ? strtol(argv[1], nullptr, 10) : 200;
	if (megabytes <= 0 || megabytes > 100000) {
		fprintf(stderr, "usage: make_listing [MEGABYTES]\n");
		return 1;
	}
	long bytes = megabytes * 1000000L;
	unsigned long seed = 1;
	long written = 0;

	written += printf("Benchmark listing\n");
	for (long block = 0; written < bytes; block++) {
		written += printf("0/ / block %ld\n", block);
		for (int line = 0; line < 07740 / 8; line++) {
			if (line % 64 == 63)
				written += printf("/ a comment, now and then\n");
			for (int word = 0; word < 8; word++) {
				seed = seed * 6364136223846793005UL + 1442695040888963407UL;
				written +=
				        printf("%06lo%c", seed >> 46, word == 7 ? '\n' : ' ');
			}
		}
	}
	printf("start 0\n");
	return ferror(stdout) || fclose(stdout) ? 1 : 0;
}

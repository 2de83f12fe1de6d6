// A listing longer than any count of 32 bits, streamed through a pipe:
//   long_listing TOOL [BLOCKS]
// Writes "0/" and 4095 one-word data words, BLOCKS times over (default
// 524418: 2,147,491,710 pairs, past 2^31), then "start 0", into
// "TOOL /dev/stdin /dev/null", and checks the exact summary. A tiny listing
// is run first: the long run's peak memory must stay within 512 KiB of it.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

int write_tiny(FILE *out, long long /*blocks*/)
{
	return fputs("T\n100/ 1 2 3\nstart 100\n", out) >= 0;
}

// One block of text, written over and over.
int write_long(FILE *out, long long blocks)
{
	std::string block = "0/\n";
	for (int word = 0; word < 4095; word++)
		block += "1\n";
	for (long long i = 0; i < blocks; i++)
		if (fwrite(block.data(), 1, block.size(), out) != block.size())
			return 0;
	return fputs("start 0\n", out) >= 0;
}

// Runs the tool on a listing written by `write_listing` into its standard
// input, and returns what it printed on standard error, or stops the test.
std::string run(const char *tool, int (*write_listing)(FILE *, long long), long long blocks)
{
	int in[2], err[2];
	if (pipe(in) != 0 || pipe(err) != 0) {
		perror("pipe");
		exit(2);
	}
	pid_t child = fork();
	if (child < 0) {
		perror("fork");
		exit(2);
	}
	if (child == 0) {
		dup2(in[0], 0);
		dup2(err[1], 2);
		close(in[0]), close(in[1]), close(err[0]), close(err[1]);
		execl(tool, tool, "/dev/stdin", "/dev/null", static_cast<char *>(nullptr));
		perror(tool);
		_exit(127);
	}
	close(in[0]), close(err[1]);

	FILE *listing = fdopen(in[1], "w");
	if (!listing || !write_listing(listing, blocks) || fclose(listing) != 0) {
		perror("writing the listing");
		exit(2);
	}
	// The tool's messages are a few lines: the pipe holds them until now.
	std::string messages;
	char chunk[512];
	ssize_t got;
	while ((got = read(err[0], chunk, sizeof chunk)) > 0)
		messages.append(chunk, static_cast<size_t>(got));
	close(err[0]);
	int status;
	if (waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
	    WEXITSTATUS(status) != 0) {
		fprintf(stderr, "the tool failed:\n%s", messages.c_str());
		exit(1);
	}
	return messages;
}

// Peak resident memory of the children waited for so far, in KiB.
long peak_kib()
{
	struct rusage usage;
	if (getrusage(RUSAGE_CHILDREN, &usage) != 0) {
		perror("getrusage");
		exit(2);
	}
#ifdef __APPLE__
	return usage.ru_maxrss / 1024; // bytes there, KiB elsewhere
#else
	return usage.ru_maxrss;
#endif
}

int check(const std::string &got, const std::string &expected)
{
	if (got == expected)
		return 0;
	fprintf(stderr, "expected: %sgot:      %s", expected.c_str(), got.c_str());
	return 1;
}

} // namespace

int main(int argc, char **argv)
{
	if (argc < 2 || argc > 3) {
		fprintf(stderr, "usage: long_listing TOOL [BLOCKS]\n");
		return 2;
	}
	const char *tool = argv[1];
	long long blocks = argc > 2 ? strtoll(argv[2], nullptr, 10) : 524418;
	signal(SIGPIPE, SIG_IGN); // a tool that stops early is reported, not fatal

	int failed = check(run(tool, write_tiny, 0),
	                   "Punched 3 word-pairs to /dev/null, start = 0100\n");
	long tiny = peak_kib();

	std::string summary = "Punched " + std::to_string(blocks * 4095) +
	                      " word-pairs to /dev/null, start = 0000\n";
	failed |= check(run(tool, write_long, blocks), summary);
	long large = peak_kib();

	printf("%s", summary.c_str());
	printf("peak memory: %ld KiB for a tiny listing, %ld KiB for %lld pairs\n", tiny, large,
	       blocks * 4095);
	if (large > tiny + 512) {
		fprintf(stderr, "memory grew with the listing\n");
		failed = 1;
	}
	return failed;
}

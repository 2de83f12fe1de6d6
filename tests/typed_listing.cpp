// A listing typed at a terminal: the tool must convert the lines as they
// come, printing each word as soon as it is read, and finish at the start
// statement, though the terminal stays open and never reports the end of
// the file.
//   typed_listing TOOL
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

static int fail(const char *what)
{
	fprintf(stderr, "typed_listing: %s: %s\n", what, strerror(errno));
	return 1;
}

static void pause_ms(long ms)
{
	const timespec pause = {0, ms * 1000000};
	nanosleep(&pause, nullptr);
}

// Reads what the tool prints until `printed` holds `size` bytes or it has
// printed nothing for `ms` milliseconds.
static void read_until(int fd, std::string &printed, size_t size, int ms)
{
	pollfd ready = {fd, POLLIN, 0};
	char bytes[256];
	ssize_t got;

	while (printed.size() < size && poll(&ready, 1, ms) > 0 &&
	       (got = read(fd, bytes, sizeof bytes)) > 0)
		printed.append(bytes, static_cast<size_t>(got));
}

int main(int argc, char **argv)
{
	const char *lines[] = {"Typed\n", "100/ 1 2\n", "3\n", "start 100\n"};
	const std::string words = "320100,000001\n320101,000002\n320102,000003\n";
	const std::string expected =
	        words + "600100\nPunched 3 word-pairs to --debug, start = 0100\n";

	if (argc != 2) {
		fprintf(stderr, "usage: typed_listing TOOL\n");
		return 2;
	}
	// The test holds the terminal's own side open as well, so that the
	// tool never sees it hang up.
	int terminal = posix_openpt(O_RDWR | O_NOCTTY);
	if (terminal < 0 || grantpt(terminal) != 0 || unlockpt(terminal) != 0)
		return fail("pseudo-terminal");
	const char *name = ptsname(terminal);
	int held = name ? open(name, O_RDWR | O_NOCTTY) : -1;
	int output[2];
	if (held < 0 || pipe(output) != 0)
		return fail("pseudo-terminal");

	pid_t tool = fork();
	if (tool < 0)
		return fail("fork");
	if (tool == 0) {
		dup2(output[1], STDOUT_FILENO);
		dup2(output[1], STDERR_FILENO);
		close(output[0]);
		close(terminal);
		close(held);
		execl(argv[1], "tapewright", name, "--debug", static_cast<char *>(nullptr));
		_exit(127);
	}
	close(output[1]);

	// Before the start statement is typed, its words are on the screen.
	std::string printed;
	for (const char *line : lines) {
		if (line == lines[3]) {
			read_until(output[0], printed, words.size(), 5000);
			if (printed != words) {
				fprintf(stderr,
				        "typed_listing: before the start statement, printed:\n%s",
				        printed.c_str());
				kill(tool, SIGKILL);
				waitpid(tool, nullptr, 0);
				return 1;
			}
		}
		pause_ms(100);
		if (write(terminal, line, strlen(line)) != static_cast<ssize_t>(strlen(line)))
			return fail("typing");
	}

	// A tool that waits for a whole block waits for ever: give it 5 s.
	int status = 0;
	pid_t done = 0;
	for (int tick = 0; tick < 500 && (done = waitpid(tool, &status, WNOHANG)) == 0; tick++)
		pause_ms(10);
	if (done != tool) {
		kill(tool, SIGKILL);
		waitpid(tool, &status, 0);
		fprintf(stderr,
		        "typed_listing: the tool did not finish at the start statement\n");
		return 1;
	}

	char bytes[256];
	ssize_t got;
	while ((got = read(output[0], bytes, sizeof bytes)) > 0)
		printed.append(bytes, static_cast<size_t>(got));
	if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || printed != expected) {
		fprintf(stderr, "typed_listing: status %d, printed:\n%s", status,
		        printed.c_str());
		return 1;
	}
	printf("ok - a typed listing ends at its start statement\n");
	return 0;
}

// The listing writer: what the tape reader finds, as a listing that
// tapewright punches into the same words. Each segment is a listing of
// its own: a title line, the words in tape order, and its start statement.
// A run of consecutive locations stands under one label, a few words to a
// line, or one with the instruction it is in a comment, each line opened
// by its address in the checked form "0104," so that tapewright confirms
// it; any jump, backwards too, opens a new run.
// Where the tape's sections end, and each block, is told in comments.
#include <cstring>

#include "instruction.h"
#include "octal.h"
#include "tape_words.h"

enum {
	LINE_WORDS = 8, // words to a line, from an address ending in 0
	// Text put in the buffer between two writes at most: a piece of a
	// long title, or of a drawn leader.
	PIECE = OUTPUT_ROOM / 2
};

static int next_location; // where the open run goes on, its line still open; or -1
static int title_due;     // the segment's title has not gone out yet
static unsigned long long segment_at;
static unsigned char drawn[LEADER_FRAMES]; // the leader to draw under the title
static leader_frames drawing;

void start_listing()
{
	next_location = -1;
	title_due = 0;
}

// Text at p, without its terminating NUL; returns the end.
static unsigned char *put_text(unsigned char *p, const char *text)
{
	while (*text)
		*p++ = static_cast<unsigned char>(*text++);
	return p;
}

static unsigned char *put_decimal(unsigned char *p, unsigned long long n)
{
	unsigned char digits[20], *d = digits + sizeof digits;
	do
		*--d = static_cast<unsigned char>('0' + n % 10);
	while (n /= 10);
	size_t length = static_cast<size_t>(digits + sizeof digits - d);
	memcpy(p, d, length);
	return p + length;
}

// Writes what is held once the piece at p is long; returns where to go on.
static unsigned char *piece_done(unsigned char *p)
{
	block_output &out = reading.output;
	if (p - output_end(out) < PIECE)
		return p;
	item_done(out, p);
	return output_end(out);
}

void list_segment(unsigned long long frame)
{
	title_due = 1;
	segment_at = frame;
	drawing = leader();
	memcpy(drawn, drawing.frames, drawing.count);
	drawing.frames = drawn;
}

// The leader's frames with holes, a line for each hole from the lowest,
// a mark for a hole: a title punched in the leader reads upright.
static void draw_leader()
{
	const char *name = reading.tape_name;
	if (drawing.too_many > 0) {
		fprintf(stderr,
		        "%s: frames %llu to %llu have holes but no binary hole, too many to draw "
		        "as a title (%d at most)\n",
		        name, drawing.first, drawing.first + drawing.too_many - 1,
		        LEADER_FRAMES);
		return;
	}
	if (drawing.count == 0)
		return;
	unsigned char *p = output_end(reading.output);
	*p++ = '\n';
	for (int hole = 0; hole < 7; hole++) {
		size_t last = drawing.count;
		while (last > 0 && !(drawing.frames[last - 1] >> hole & 1))
			last--;
		*p++ = '/';
		if (last > 0)
			*p++ = ' ';
		for (size_t i = 0; i < last; i++) {
			*p++ = drawing.frames[i] >> hole & 1 ? '#' : ' ';
			p = piece_done(p);
		}
		*p++ = '\n';
	}
	item_done(reading.output, p);
}

// The title line goes out with the segment's first item, so that a tape
// that holds none gives no listing at all. A control character in the
// tape's name, a line end above all, is shown as '?': the title must stay
// one line.
static void put_title()
{
	title_due = 0;
	unsigned char *p = output_end(reading.output);
	if (reading.segments > 1)
		*p++ = '\n';
	p = put_text(p, "Tape ");
	for (const char *c = reading.title; *c; c++) {
		auto byte = static_cast<unsigned char>(*c);
		*p++ = byte < ' ' || byte == 0177 ? '?' : byte;
		p = piece_done(p);
	}
	if (reading.segments > 1) {
		p = put_decimal(put_text(p, ", segment "),
		                static_cast<unsigned long long>(reading.segments));
		p = put_decimal(put_text(p, ", from frame "), segment_at);
	}
	*p++ = '\n';
	item_done(reading.output, p);
	draw_leader();
}

// Where the writer is, with the title out and no line open.
static unsigned char *paragraph()
{
	if (title_due)
		put_title();
	unsigned char *p = output_end(reading.output);
	if (next_location >= 0)
		*p++ = '\n';
	next_location = -1;
	return p;
}

static inline unsigned char *put_line_address(unsigned char *p, int location)
{
	p = put_address(p, location);
	*p++ = ',';
	*p++ = ' ';
	return p;
}

// A run's label, and the address that opens its first line.
static unsigned char *put_label(unsigned char *p, int location)
{
	p = put_address(p, location);
	*p++ = '/';
	*p++ = '\n';
	next_location = location;
	return put_line_address(p, location);
}

// The word, and in a symbolic listing the instruction it is, in a comment
// that opens after a blank, where no number is pending.
static inline unsigned char *put_value(unsigned char *p, int word)
{
	p = put_digits(p, word);
	if (!reading.symbolic)
		return p;
	unsigned char *end = put_instruction(p + 3, word);
	if (end == p + 3)
		return p;
	p[0] = ' ';
	p[1] = '/';
	p[2] = ' ';
	return end;
}

static inline unsigned char *put_word(unsigned char *p, int location, int word)
{
	if (location != next_location) {
		if (next_location >= 0)
			*p++ = '\n';
		*p++ = '\n';
		p = put_label(p, location);
	} else if (reading.symbolic || location % LINE_WORDS == 0) {
		*p++ = '\n';
		p = put_line_address(p, location);
	} else
		*p++ = ' ';
	next_location = location + 1;
	return put_value(p, word);
}

// Once the listing has failed, nothing more is written: the reader then
// stops at the next word or block.
int list_words(const int *locations, const int *words, int count)
{
	if (title_due)
		put_title();
	block_output &out = reading.output;
	for (int i = 0; i < count; i++)
		item_done(out, put_word(output_end(out), locations[i], words[i]));
	return out.failed;
}

int list_word(int location, int word)
{
	return list_words(&location, &word, 1);
}

int list_block(unsigned long long frame, int first, const int *words, int count)
{
	unsigned char *p = paragraph();
	p = put_decimal(put_text(p, "\n/ block "),
	                static_cast<unsigned long long>(reading.block_count));
	p = put_decimal(put_text(p, ", frame "), frame);
	p = put_text(p, ": ");
	p = put_address(p, first);
	*p++ = '-';
	p = put_address(p, first + count - 1);
	*p++ = '\n';
	p = put_label(p, first);
	next_location = first + 1;
	p = put_value(p, words[0]);
	for (int i = 1; i < count; i++) {
		item_done(reading.output, p);
		p = put_word(output_end(reading.output), first + i, words[i]);
	}
	item_done(reading.output, p);
	return reading.output.failed;
}

void list_section_end(int section, unsigned long long frame, int start, int starts)
{
	int line_open = next_location >= 0;
	unsigned char *p = paragraph();
	if (!line_open)
		*p++ = '\n';
	p = put_decimal(put_text(p, "/ frame "), frame);
	p = put_address(put_text(p, ": jmp "), start);
	p = put_text(p, section == READ_IN_SECTION ? " ends read-in" : " ends the blocks");
	p = put_text(p, starts == STARTS_LOADER
	                        ? " and starts the loader, which reads the blocks below\n"
	                        : " and starts the program\n");
	item_done(reading.output, p);
}

void list_start(int start)
{
	unsigned char *p = paragraph();
	p = put_address(put_text(p, "\nstart "), start);
	*p++ = '\n';
	item_done(reading.output, p);
}

int finish_listing()
{
	unsigned char *p = output_end(reading.output);
	if (next_location >= 0)
		*p++ = '\n';
	next_location = -1;
	reading.output.held = static_cast<size_t>(p - output_buffer);
	return finish_block_output(reading.output, 0);
}

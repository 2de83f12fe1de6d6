// Frames into words: the slow path, and what it notes on the way.
#include <cerrno>
#include <cstring>

#include "tape_words.h"

frame_cursor cursor;
unsigned char tape_frames[TAPE_BLOCK];

static unsigned long long blanks; // blank frames taken by the slow path
static int ended;                 // the end of the tape was met
static int unfinished;            // frames of a word the tape ended in
static unsigned long long unfinished_at;
static int watching;                             // the frames of a leader are kept
static unsigned char kept[LEADER_FRAMES];        // its frames, from the first with a hole
static unsigned long long kept_first, kept_span; // its first such frame, and to its last

// The rest is set where it is used: blank_frames() is only ever taken as
// a difference, and the leader and an unfinished word are noted afresh.
void start_words()
{
	cursor = {tape_frames, tape_frames, 0, 0};
	ended = 0;
}

// The next block of frames; 0 at the end of the tape, or READ_FAILED.
static int refill()
{
	cursor.before += static_cast<unsigned long long>(cursor.end - tape_frames);
	size_t got = fread(tape_frames, 1, reading.read_block, reading.tape);
	cursor.next = tape_frames;
	cursor.end = tape_frames + got;
	if (got > 0)
		return 1;
	if (ferror(reading.tape)) {
		fprintf(stderr, "%s could not be read: %s\n", reading.tape_name,
		        strerror(errno));
		return READ_FAILED;
	}
	return 0;
}

// A frame of the leader: a blank one only counts as a gap once a frame
// with holes follows it.
static void keep(int frame)
{
	if (frame == 0)
		return;
	unsigned long long at = frames_taken();
	if (kept_span == 0)
		kept_first = at;
	unsigned long long span = at - kept_first + 1;
	if (span <= LEADER_FRAMES) {
		memset(kept + kept_span, 0, span - 1 - kept_span);
		kept[span - 1] = static_cast<unsigned char>(frame);
	}
	kept_span = span;
}

int next_word_slowly()
{
	int word = 0, frames = 0;
	unsigned long long first = 0;

	if (ended)
		return END_OF_TAPE;
	for (;;) {
		if (cursor.next == cursor.end) {
			int got = refill();
			if (got == READ_FAILED)
				return READ_FAILED;
			if (got == 0) {
				ended = 1;
				unfinished = frames;
				unfinished_at = first;
				return END_OF_TAPE;
			}
		}
		int frame = *cursor.next++;
		if (!(frame & BINARY_HOLE)) {
			blanks += frame == 0;
			if (watching)
				keep(frame);
			continue;
		}
		reading.seventh_hole += (frame & SEVENTH_HOLE) != 0;
		if (frames == 0)
			first = frames_taken();
		word = word << 6 | (frame & FRAME_BITS);
		if (++frames == 3) {
			cursor.word_at = first;
			return word;
		}
	}
}

int unfinished_frames(unsigned long long *first)
{
	*first = unfinished_at;
	return unfinished;
}

unsigned long long blank_frames()
{
	return blanks;
}

int next_word_after_leader()
{
	watching = 1;
	kept_span = 0;
	int word = next_word_slowly();
	watching = 0;
	return word;
}

leader_frames leader()
{
	if (kept_span > LEADER_FRAMES)
		return {kept, 0, kept_first, kept_span};
	return {kept, static_cast<size_t>(kept_span), kept_first, 0};
}

int skip_rest()
{
	for (;;) {
		for (const unsigned char *p = cursor.next; p < cursor.end; p++)
			blanks += *p == 0;
		cursor.next = cursor.end;
		int got = refill();
		if (got <= 0)
			return got;
	}
}

// Frames into words, as the reader's binary mode makes them: the one place
// where tapelist looks at frames. Most words are three clean frames in a
// row (the binary hole and no other), taken straight from the buffer; the
// rest (blank or lettered frames between them, the seventh hole, the end
// of the buffer or of the tape) take the slow path.
#ifndef TAPEWRIGHT_TAPE_WORDS_H
#define TAPEWRIGHT_TAPE_WORDS_H

#include "tapelist.h"

enum {
	END_OF_TAPE = -1, // no whole word is left
	READ_FAILED = -2  // reading the tape failed: reported
};

struct frame_cursor {
	const unsigned char *next, *end; // the frames in the buffer not yet taken
	unsigned long long before;       // frames before the buffer's first
	unsigned long long word_at;      // the first frame of the last word, from 1
};

extern frame_cursor cursor;
extern unsigned char tape_frames[TAPE_BLOCK];

// Begins the tape.
void start_words();

// The next word (0 to 0777777), END_OF_TAPE or READ_FAILED; cursor.word_at
// tells where it began.
int next_word_slowly();

static inline int next_word()
{
	const unsigned char *p = cursor.next;
	if (cursor.end - p >= 3) {
		uint64_t frames = uint64_t{p[0]} | uint64_t{p[1]} << 8 | uint64_t{p[2]} << 16;
		if ((frames & 0xc0c0c0) == 0x808080) {
			cursor.word_at = cursor.before +
			                 static_cast<unsigned long long>(p - tape_frames) + 1;
			cursor.next = p + 3;
			return frames_word(frames);
		}
	}
	return next_word_slowly();
}

// A read-in pair at once: when six clean frames are at hand and the first
// word is a plain dio, its address in location and the word after it
// returned; otherwise -1, and nothing is taken. Where a whole pair was
// found is never told, so cursor.word_at is left alone.
static inline int next_pair(int &location)
{
	const unsigned char *p = cursor.next;
	if (cursor.end - p < 6)
		return -1;
	uint64_t frames = six_frames(p);
	if ((frames & 0xc0c0c0c0c0c0) != 0x808080808080 || (frames & 077) != DEPOSIT_WORD >> 12)
		return -1;
	cursor.next = p + 6;
	location = frames_word(frames) & ADDRESS;
	return frames_word(frames >> 24);
}

// The frames taken so far: the number of the last one.
static inline unsigned long long frames_taken()
{
	return cursor.before + static_cast<unsigned long long>(cursor.next - tape_frames);
}

// At the end of the tape: the binary frames of a word begun and not
// finished (0 to 2), and the first of them.
int unfinished_frames(unsigned long long *first);

// Blank frames the slow path has taken so far.
unsigned long long blank_frames();

// The next word, as next_word; the frames before it that have holes but
// not the binary one (a title punched in the leader) are kept for the
// listing to draw, from the first of them to the last, blank frames
// between them as gaps. At most LEADER_FRAMES are kept.
enum { LEADER_FRAMES = 1024 };
int next_word_after_leader();

struct leader_frames {
	const unsigned char *frames; // the frames, from the first with a hole
	size_t count;                // 0 when there were none
	unsigned long long first;    // the number of the first
	unsigned long long too_many; // more than LEADER_FRAMES: how many; none kept
};
leader_frames leader();

// Takes the rest of the tape without making words of it; 0, or
// READ_FAILED.
int skip_rest();

#endif

// Words as six octal digits, as "%6.6o" would print them, for output of
// millions of words: three lookups a word, not a format parsed each time.
#ifndef TAPEWRIGHT_OCTAL_H
#define TAPEWRIGHT_OCTAL_H

#include <cstddef>
#include <cstring>

// The two octal digits of each six bits.
static const char octal_digits[] = "00010203040506071011121314151617"
                                   "20212223242526273031323334353637"
                                   "40414243444546475051525354555657"
                                   "60616263646566677071727374757677";

static inline void put_two(unsigned char *p, int six_bits)
{
	memcpy(p, octal_digits + 2 * static_cast<size_t>(six_bits), 2);
}

// Six digits at p; returns the end.
static inline unsigned char *put_digits(unsigned char *p, int word)
{
	put_two(p, word >> 12 & 077);
	put_two(p + 2, word >> 6 & 077);
	put_two(p + 4, word & 077);
	return p + 6;
}

// Four digits, for an address: the low twelve bits.
static inline unsigned char *put_address(unsigned char *p, int address)
{
	put_two(p, address >> 6 & 077);
	put_two(p + 2, address & 077);
	return p + 4;
}

#endif

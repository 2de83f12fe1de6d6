// Words as PDP-1 instructions, for listings that show what each word would
// do: the notation of simh's pdp1 simulator ("examine -m"), in lower case,
// with the assembler's names where the two differ.
#ifndef TAPEWRIGHT_INSTRUCTION_H
#define TAPEWRIGHT_INSTRUCTION_H

enum {
	// The bytes at p that put_instruction may write, past the end it
	// returns too. Its longest text is every action of the operate group
	// at once, "lia lai lap cla hlt cma lat cli cmi clf1".
	LONGEST_INSTRUCTION = 48
};

// Writes the 18-bit word (0 to 0777777) at p as an instruction, such as
// "lac i 123", without a NUL, and returns the end. A word that is no
// instruction (000000, for one) gets no text: p itself is returned.
unsigned char *put_instruction(unsigned char *p, int word);

#endif

// The PDP-1's instructions as text. The names and their codes are in the
// one table below; the code after it only knows how each group puts its
// parts together. The notation is the pdp1 simulator's (examine -m), which
// takes every text written here back as the same word, or as a shift that
// runs the same, but for the in-out names, which are the assembler's.
//
// What gets no text: 00 and 01 (000000 to 017777), which the machine takes
// as no instruction; the PDP-1D's additions, which a standard PDP-1 lacks
// (the simulator's standard machine stops on them): lch, dch and tad (12,
// 14 and 36) and the whole of 740000 to 757777; shifts that name no
// register (but 660000, the group's own word, is sft); and an operate word
// that sets flag 0, which no name gives.
#include <cstdint>
#include <cstring>

#include "instruction.h"
#include "octal.h"

enum {
	I_BIT = 010000, // indirect; in the skip group the sense inverted, in-out the wait
	ADDRESS_BITS = 07777,
	SHIFT_REGISTERS = 017000, // the direction and the registers a shift shifts
	SHIFT_COUNT = 0777,       // as many places as one bits
	DEVICE_CODE = 077,
	DEVICE_BITS = 07700, // what an in-out instruction sends its device besides
	FLAG_NUMBER = 07,
	FLAG_SET = 010
};

// How a name is put together with the rest of its word.
enum kind : unsigned char {
	MEMORY,      // the operation (top five bits), then " i" and the address
	CALL,        // cal or jda (top six bits), then the address
	GROUP,       // skp, sft, iot, opr: the group, where nothing else is named
	WORD,        // a name for one whole word of the skip or operate group
	SKIP,        // a condition: the bit it tests
	SKIP_FIELD,  // szs, szf: the field, whose value follows the name
	SHIFT,       // the direction and registers; the count follows
	DEVICE,      // an in-out device's code; the bits 07700 follow as a number
	DEVICE_WORD, // an in-out name for one word's low twelve bits
	OPERATE,     // an action: its bit
	FLAG         // clf, stf: the set bit or not; the flag follows
};

struct mnemonic {
	char name[4];
	kind how;
	int code;
};

// In-out names stand for the assembler's words, not the simulator's: the
// instructions that start a transfer and wait until the device has done it
// (read, type, punch, display: rpa, rpb, tyo, ppa, ppb, dpy) carry the wait
// bit, as programs use them; tyo is 730003, where the simulator's tyo is
// 720003. So " i" after a name adds the wait bit to a name without it
// (tyi i, 730004), and a word that lacks a name's wait bit is written iot:
// 720003 is "iot 3", as the assembler would take both. Names that read a
// buffer or test or set a status have no completion to wait for: with the
// wait bit the simulator waits for ever, or stops.
static constexpr mnemonic mnemonics[] = {
        {"and", MEMORY, 0020000},
        {"ior", MEMORY, 0040000},
        {"xor", MEMORY, 0060000},
        {"xct", MEMORY, 0100000},
        {"cal", CALL, 0160000},
        {"jda", CALL, 0170000},
        {"lac", MEMORY, 0200000},
        {"lio", MEMORY, 0220000},
        {"dac", MEMORY, 0240000},
        {"dap", MEMORY, 0260000},
        {"dip", MEMORY, 0300000},
        {"dio", MEMORY, 0320000},
        {"dzm", MEMORY, 0340000},
        {"add", MEMORY, 0400000},
        {"sub", MEMORY, 0420000},
        {"idx", MEMORY, 0440000},
        {"isp", MEMORY, 0460000},
        {"sad", MEMORY, 0500000},
        {"sas", MEMORY, 0520000},
        {"mul", MEMORY, 0540000},
        {"div", MEMORY, 0560000},
        {"jmp", MEMORY, 0600000},
        {"jsp", MEMORY, 0620000},

        {"skp", GROUP, 0640000},
        {"clo", WORD, 0651600}, // spa sma szo i: never skips, and szo clears overflow
        {"sza", SKIP, 0640100},
        {"spa", SKIP, 0640200},
        {"sma", SKIP, 0640400},
        {"szo", SKIP, 0641000},
        {"spi", SKIP, 0642000},
        {"sni", SKIP, 0644000},
        {"szs", SKIP_FIELD, 0640070},
        {"szf", SKIP_FIELD, 0640007},

        // Left, then right (010000); registers 4 and 0 name nothing.
        {"sft", GROUP, 0660000},
        {"ral", SHIFT, 0661000},
        {"ril", SHIFT, 0662000},
        {"rcl", SHIFT, 0663000},
        {"sal", SHIFT, 0665000},
        {"sil", SHIFT, 0666000},
        {"scl", SHIFT, 0667000},
        {"rar", SHIFT, 0671000},
        {"rir", SHIFT, 0672000},
        {"rcr", SHIFT, 0673000},
        {"sar", SHIFT, 0675000},
        {"sir", SHIFT, 0676000},
        {"scr", SHIFT, 0677000},

        {"law", MEMORY, 0700000},

        // In the order of the device code, which the in-out writer looks up.
        {"iot", GROUP, 0720000},
        {"ioh", DEVICE_WORD, 0730000},
        {"rpa", DEVICE, 0730001},
        {"rpb", DEVICE, 0730002},
        {"tyo", DEVICE, 0730003},
        {"tyi", DEVICE, 0720004},
        {"ppa", DEVICE, 0730005},
        {"ppb", DEVICE, 0730006},
        {"dpy", DEVICE, 0730007},
        {"lrg", DEVICE_WORD, 0720010},
        {"erg", DEVICE_WORD, 0720011},
        {"rch", DEVICE_WORD, 0720022},
        {"rrc", DEVICE_WORD, 0720122},
        {"rcc", DEVICE_WORD, 0721022},
        {"rsc", DEVICE_WORD, 0721122},
        {"tcb", DEVICE_WORD, 0724022},
        {"ssb", DEVICE_WORD, 0724122},
        {"tcc", DEVICE_WORD, 0725022},
        {"rrb", DEVICE, 0720030},
        {"rck", DEVICE_WORD, 0720032},
        {"cks", DEVICE_WORD, 0720033},
        {"ctb", DEVICE_WORD, 0720035},
        {"dsc", DEVICE, 0720050},
        {"asc", DEVICE, 0720051},
        {"isc", DEVICE, 0720052},
        {"cac", DEVICE_WORD, 0720053},
        {"lsm", DEVICE_WORD, 0720054},
        {"esm", DEVICE_WORD, 0720055},
        {"cbs", DEVICE_WORD, 0720056},
        {"dia", DEVICE_WORD, 0720061},
        {"drd", DEVICE_WORD, 0720161},
        {"dwr", DEVICE_WORD, 0721161},
        {"dba", DEVICE_WORD, 0722061},
        {"dwc", DEVICE_WORD, 0720062},
        {"dbl", DEVICE_WORD, 0720162},
        {"dcn", DEVICE_WORD, 0721162},
        {"dra", DEVICE_WORD, 0722062},
        {"dcl", DEVICE_WORD, 0720063},
        {"dtd", DEVICE_WORD, 0720163},
        {"lrm", DEVICE_WORD, 0720064},
        {"dse", DEVICE_WORD, 0720164},
        {"dsp", DEVICE_WORD, 0721164},
        {"erm", DEVICE_WORD, 0720065},
        {"rnm", DEVICE, 0720066},
        {"rsm", DEVICE_WORD, 0720067},
        {"lem", DEVICE_WORD, 0720074},
        {"eem", DEVICE_WORD, 0724074},

        {"opr", GROUP, 0760000},
        {"swp", WORD, 0760060}, // lia lai: swaps the accumulator and in-out register
        {"lia", OPERATE, 0760020},
        {"lai", OPERATE, 0760040},
        {"lap", OPERATE, 0760100},
        {"cla", OPERATE, 0760200},
        {"hlt", OPERATE, 0760400},
        {"cma", OPERATE, 0761000},
        {"lat", OPERATE, 0762000},
        {"cli", OPERATE, 0764000},
        {"cmi", OPERATE, 0770000},
        {"clf", FLAG, 0760000},
        {"stf", FLAG, 0760010},
};

enum { MNEMONICS = sizeof mnemonics / sizeof mnemonics[0] };

// Where to look in the table. For each value of the top six bits (the
// operation and the i bit): the text of a memory reference, cal, jda or
// law, which the address follows, or the group's entry; no instruction
// has neither. For each device code, its first in-out name, or 0; for
// each direction and choice of registers, its shift, or 0.
struct operation {
	unsigned char text[8]; // "lac i", and a blank, then the address
	unsigned char length;  // of the text, 0 for none
	unsigned char group;   // the group's entry, or 0
};

struct table_index {
	operation operations[64];
	unsigned char device[DEVICE_CODE + 1];
	unsigned char shift[(SHIFT_REGISTERS >> 9) + 1];
};

static constexpr table_index index_table()
{
	table_index t{};
	for (int i = MNEMONICS - 1; i >= 0; i--) {
		const mnemonic &m = mnemonics[i];
		int top = m.code >> 12;
		auto entry = static_cast<unsigned char>(i);
		if (m.how == DEVICE || m.how == DEVICE_WORD)
			t.device[m.code & DEVICE_CODE] = entry;
		else if (m.how == SHIFT)
			t.shift[(m.code & SHIFT_REGISTERS) >> 9] = entry;
		else if (m.how == GROUP)
			t.operations[top].group = t.operations[top | 1].group = entry;
		// The i bit makes memory references indirect, and law negative;
		// cal and jda are told apart by it.
		int forms = m.how == MEMORY ? 2 : m.how == CALL ? 1 : 0;
		for (int indirect = 0; indirect < forms; indirect++) {
			operation &o = t.operations[m.how == CALL ? top : top | indirect];
			const char *i_text = m.how == MEMORY && indirect ? " i" : "";
			for (int c = 0; c < 3; c++)
				o.text[o.length++] = static_cast<unsigned char>(m.name[c]);
			for (; *i_text; i_text++)
				o.text[o.length++] = static_cast<unsigned char>(*i_text);
		}
	}
	return t;
}

static constexpr table_index where = index_table();

static inline unsigned char *put_name(unsigned char *p, const mnemonic &m)
{
	memcpy(p, m.name, 3);
	return p + 3;
}

static inline unsigned char *put_i(unsigned char *p)
{
	p[0] = ' ';
	p[1] = 'i';
	return p + 2;
}

// A blank and a number below 010000, in octal without leading zeros. Four
// digits are written, the first in the low byte of a number, from which
// the leading zeros are shifted out.
static inline unsigned char *put_number(unsigned char *p, int number)
{
	auto two = [](int six_bits) {
		const char *pair = octal_digits + 2 * static_cast<size_t>(six_bits);
		return static_cast<uint32_t>(pair[0]) | static_cast<uint32_t>(pair[1]) << 8;
	};
	uint32_t digits = two(number >> 6 & 077) | two(number & 077) << 16;
	int length = 1 + (number >= 010) + (number >= 0100) + (number >= 01000);
	digits >>= 8 * (4 - length);
	p[0] = ' ';
	p[1] = static_cast<unsigned char>(digits);
	p[2] = static_cast<unsigned char>(digits >> 8);
	p[3] = static_cast<unsigned char>(digits >> 16);
	p[4] = static_cast<unsigned char>(digits >> 24);
	return p + 1 + length;
}

// The entries of a group follow the group's own, up to the next group or
// memory reference.
static inline int in_group(int i)
{
	return i < MNEMONICS && mnemonics[i].how > GROUP;
}

// The name among the group's for the whole word, or p.
static unsigned char *put_word_name(unsigned char *p, int word, int group)
{
	for (int i = group + 1; mnemonics[i].how == WORD; i++) // they come first
		if (mnemonics[i].code == word)
			return put_name(p, mnemonics[i]);
	return p;
}

// The names of the skip or operate group that the word has, joined by
// blanks, or the group's own when it has none. Each name is written, with
// a blank, whether the word has it or not, and kept only if it has: words
// of every kind come one after another, and a branch on each name would
// go wrong as often as not.
static unsigned char *put_parts(unsigned char *p, int word, int group)
{
	unsigned char *start = p;
	for (int i = group + 1; in_group(i); i++) {
		const mnemonic &m = mnemonics[i];
		int bits = m.code & (I_BIT | ADDRESS_BITS), value = 0;
		if (m.how == SKIP || m.how == OPERATE)
			value = (word & bits) != 0;
		else if (m.how == SKIP_FIELD) // szs is the second octal digit, szf the first
			value = (word & bits) >> (bits & 070 ? 3 : 0);
		else if (m.how == FLAG)
			value = (word & FLAG_SET) == bits ? word & FLAG_NUMBER : 0;
		else
			continue;
		int numbered = m.how == SKIP_FIELD || m.how == FLAG;
		memcpy(p, m.name, 3);
		p[3] = static_cast<unsigned char>(numbered ? '0' + value : ' ');
		p[4] = ' ';
		int advance = (4 + numbered) * (value != 0); // no branch, as said
		p += advance;
	}
	return p == start ? put_name(p, mnemonics[group]) : p - 1;
}

// The skip group: the conditions, the sense inverted last.
static unsigned char *put_skip(unsigned char *p, int word, int group)
{
	unsigned char *named = put_word_name(p, word, group);
	if (named != p)
		return named;
	p = put_parts(p, word, group);
	return word & I_BIT ? put_i(p) : p;
}

// The operate group: the actions, the flag last. No name sets flag 0.
static unsigned char *put_operate(unsigned char *p, int word, int group)
{
	if ((word & (FLAG_SET | FLAG_NUMBER)) == FLAG_SET)
		return p;
	unsigned char *named = put_word_name(p, word, group);
	return named != p ? named : put_parts(p, word, group);
}

// A shift's count is the number of one bits in its low nine, as the
// machine counts them: 661400 and 661001 are both "ral 1".
static unsigned char *put_shift(unsigned char *p, int word, int group)
{
	int entry = where.shift[(word & SHIFT_REGISTERS) >> 9];
	if (entry == 0)
		return word == mnemonics[group].code ? put_name(p, mnemonics[group]) : p;
	// The one bits of the low nine, counted in pairs, then fours, then all.
	int count = word & SHIFT_COUNT;
	count -= count >> 1 & 0525;
	count = (count & 0463) + (count >> 2 & 0463);
	count = (count + (count >> 4)) & 0417;
	count = (count + (count >> 8)) & 017;
	p = put_name(p, mnemonics[entry]);
	p[0] = ' ';
	p[1] = static_cast<unsigned char>('0' + count);
	return p + 2;
}

// The in-out group: the device's name, " i" where the word has the wait
// bit and the name not, and the bits it sends the device; iot with the
// low twelve bits where no name gives the word.
static unsigned char *put_io(unsigned char *p, int word, int group)
{
	int device = word & DEVICE_CODE;
	for (int i = where.device[device]; i > 0 && in_group(i); i++) {
		const mnemonic &m = mnemonics[i];
		if ((m.code & DEVICE_CODE) != device)
			break;
		if ((m.code & I_BIT) > (word & I_BIT) ||
		    (m.how == DEVICE_WORD && (m.code & ADDRESS_BITS) != (word & ADDRESS_BITS)))
			continue;
		p = put_name(p, m);
		if ((word & I_BIT) > (m.code & I_BIT))
			p = put_i(p);
		if (m.how == DEVICE && (word & DEVICE_BITS))
			p = put_number(p, word & DEVICE_BITS);
		return p;
	}
	p = put_name(p, mnemonics[group]);
	if (word & I_BIT)
		p = put_i(p);
	return put_number(p, word & ADDRESS_BITS);
}

unsigned char *put_instruction(unsigned char *p, int word)
{
	const operation &o = where.operations[word >> 12 & 077];
	switch (o.group ? mnemonics[o.group].code >> 13 : 0) {
	case 032: // 64
		return put_skip(p, word, o.group);
	case 033: // 66
		return put_shift(p, word, o.group);
	case 035: // 72
		return put_io(p, word, o.group);
	case 037: // 76
		return put_operate(p, word, o.group);
	}
	// Written in any case, as words of every kind come one after another;
	// the end is moved past the text and the address only where there is
	// an instruction.
	memcpy(p, o.text, sizeof o.text);
	unsigned char *end = put_number(p + o.length, word & ADDRESS_BITS);
	return p + (end - p) * (o.length != 0);
}

// The RC4 key schedule and keystream words in x86-64 assembly, over a state of 32-bit entries.
//
// Why assembly: every step loads the entry i + 1 of the next step from a table that the step
// has just stored into at the data-dependent index j, so the processor holds the load back
// until j is known, and the whole cipher runs at the latency of a load per byte. Reading the
// entry of the next step before the stores (and taking a rarely used branch to the value just
// stored when j turns out to be that entry) removes the wait. Written in C++, the branch
// becomes a conditional move, which puts the wait back, or stays a branch inside about 14
// instructions a byte of address arithmetic and copies where this loop needs 10 (byte-sized
// index additions wrap for free, the table is addressed by base and index). The portable forms
// in rc4_core.h do the same work and give the same bytes; this form is the one x86-64 builds
// use. A 32-bit state measured faster here than a byte state with the same loop.
#pragma once

#if defined(__x86_64__) && defined(__GNUC__)
#define CIPHERKIT_RC4_X86_64 1

#include <cstddef>
#include <cstdint>

namespace cipherkit {

// Fills the 256 entries of `sbox` from `key`, like ScheduleKey; `keyLength` must be non-zero.
inline void ScheduleKeyX86_64(const unsigned char* key, unsigned int keyLength,
                              std::uint32_t* sbox) {
    for (std::uint32_t i = 0; i < 256; ++i) sbox[i] = i;
    std::uint64_t i = 0;
    std::uint64_t j = 0;
    std::uint64_t k = 0;  // i mod keyLength
    std::uint64_t si = 0;  // sbox[i], read one step ahead
    std::uint64_t sj;
    std::uint64_t ahead;
    std::uint64_t next;
    std::uint64_t zero;
    // The indices live in the low bytes of zero-extended registers: byte additions wrap them
    // at 256 for free, and the whole registers index the table.
    asm volatile("xorl %k[zero], %k[zero]\n\t"
        "1:\n\t"
        "addb (%[key],%[k]), %b[j]\n\t"
        "addb %b[si], %b[j]\n\t"
        "incq %[k]\n\t"
        "movl (%[sbox],%[j],4), %k[sj]\n\t"
        "leal 1(%k[i]), %k[next]\n\t"
        "movzbl %b[next], %k[next]\n\t"
        "movl (%[sbox],%[next],4), %k[ahead]\n\t"
        "cmpq %[length], %[k]\n\t"
        "cmove %k[zero], %k[k]\n\t"
        "movl %k[si], (%[sbox],%[j],4)\n\t"
        "movl %k[sj], (%[sbox],%[i],4)\n\t"
        "cmpl %k[next], %k[j]\n\t"
        "cmove %k[si], %k[ahead]\n\t"
        "movl %k[ahead], %k[si]\n\t"
        "addb $1, %b[i]\n\t"
        "jnc 1b\n\t"
        : [i] "+&r"(i), [j] "+&r"(j), [k] "+&r"(k), [si] "+&r"(si), [sj] "=&r"(sj),
          [ahead] "=&r"(ahead), [next] "=&r"(next), [zero] "=&r"(zero)
        : [sbox] "r"(sbox), [key] "r"(key), [length] "r"(static_cast<std::uint64_t>(keyLength))
        : "memory", "cc");
}

// One keystream step at the entry OFFSET of the word's base i, whose value was read ahead
// into CUR; the entry of the next step has been read ahead into its register and its index
// put in `next` (the AHEAD lines before each step). The branch to label 2B, taken when j is
// that next entry, replaces the value read ahead with the one just stored there. The byte
// goes into the low byte of `word`, which turns a byte to the right before each later byte.
#define CIPHERKIT_RC4_AHEAD(N, NEXT) \
    "movl 4*" #N "(%[sbox],%[i],4), %k[" NEXT "]\n\t" \
    "leal " #N "(%k[i]), %k[next]\n\t"
#define CIPHERKIT_RC4_STEP(OFFSET, CUR, B, TURN) \
    "addb %b[" CUR "], %b[j]\n\t" \
    "movl (%[sbox],%[j],4), %k[sj]\n\t" \
    "movl %k[" CUR "], (%[sbox],%[j],4)\n\t" \
    "movl %k[sj], 4*" #OFFSET "(%[sbox],%[i],4)\n\t" \
    "cmpl %k[next], %k[j]\n\t" \
    "je 2" #B "f\n\t" \
    "3" #B ":\n\t" \
    "addb %b[" CUR "], %b[sj]\n\t" \
    TURN \
    "movb (%[sbox],%[sj],4), %b[word]\n\t"
#define CIPHERKIT_RC4_REREAD(CUR, NEXT, B) \
    "2" #B ":\n\t" \
    "movl %k[" CUR "], %k[" NEXT "]\n\t" \
    "jmp 3" #B "b\n\t"
#define CIPHERKIT_RC4_TURN "rorq $8, %[word]\n\t"

// XORs `words` (at least one) whole 8-byte words of `input` with the keystream of `sbox` into
// `output`, from a state `i`, `j` whose `i` is a multiple of 8. Each word is read whole before
// it is written, as in ApplyKeystream.
inline void KeystreamWordsX86_64(std::uint32_t* sbox, unsigned int& i, unsigned int& j,
                                 const unsigned char* input, std::size_t words,
                                 unsigned char* output) {
    std::uint64_t x = i;
    std::uint64_t y = j;
    std::uint64_t word = 0;
    std::uint64_t even = sbox[(i + 1) & 0xff];  // the entries of steps 0, 2, 4, 6
    std::uint64_t odd = 0;                      // and of steps 1, 3, 5, 7
    std::uint64_t sj;
    std::uint64_t next;
    asm volatile("1:\n\t"
        CIPHERKIT_RC4_AHEAD(2, "odd") CIPHERKIT_RC4_STEP(1, "even", 0, "")
        CIPHERKIT_RC4_AHEAD(3, "even") CIPHERKIT_RC4_STEP(2, "odd", 1, CIPHERKIT_RC4_TURN)
        CIPHERKIT_RC4_AHEAD(4, "odd") CIPHERKIT_RC4_STEP(3, "even", 2, CIPHERKIT_RC4_TURN)
        CIPHERKIT_RC4_AHEAD(5, "even") CIPHERKIT_RC4_STEP(4, "odd", 3, CIPHERKIT_RC4_TURN)
        CIPHERKIT_RC4_AHEAD(6, "odd") CIPHERKIT_RC4_STEP(5, "even", 4, CIPHERKIT_RC4_TURN)
        CIPHERKIT_RC4_AHEAD(7, "even") CIPHERKIT_RC4_STEP(6, "odd", 5, CIPHERKIT_RC4_TURN)
        // The eighth step's entry is i + 8, which wraps around the table.
        "movl %k[i], %k[next]\n\t"
        "addb $8, %b[next]\n\t"
        "movl (%[sbox],%[next],4), %k[odd]\n\t"
        CIPHERKIT_RC4_STEP(7, "even", 6, CIPHERKIT_RC4_TURN)
        "addb $8, %b[i]\n\t"
        CIPHERKIT_RC4_AHEAD(1, "even") CIPHERKIT_RC4_STEP(0, "odd", 7, CIPHERKIT_RC4_TURN)
        CIPHERKIT_RC4_TURN
        "xorq (%[input]), %[word]\n\t"
        "movq %[word], (%[output])\n\t"
        "addq $8, %[input]\n\t"
        "addq $8, %[output]\n\t"
        "decq %[words]\n\t"
        "jnz 1b\n\t"
        "jmp 9f\n\t"
        CIPHERKIT_RC4_REREAD("even", "odd", 0) CIPHERKIT_RC4_REREAD("odd", "even", 1)
        CIPHERKIT_RC4_REREAD("even", "odd", 2) CIPHERKIT_RC4_REREAD("odd", "even", 3)
        CIPHERKIT_RC4_REREAD("even", "odd", 4) CIPHERKIT_RC4_REREAD("odd", "even", 5)
        CIPHERKIT_RC4_REREAD("even", "odd", 6) CIPHERKIT_RC4_REREAD("odd", "even", 7)
        "9:\n\t"
        : [i] "+&r"(x), [j] "+&r"(y), [word] "+&r"(word), [even] "+&r"(even), [odd] "+&r"(odd),
          [sj] "=&r"(sj), [next] "=&r"(next), [input] "+&r"(input), [output] "+&r"(output),
          [words] "+&r"(words)
        : [sbox] "r"(sbox)
        : "memory", "cc");
    i = static_cast<unsigned int>(x);
    j = static_cast<unsigned int>(y);
}

#undef CIPHERKIT_RC4_AHEAD
#undef CIPHERKIT_RC4_STEP
#undef CIPHERKIT_RC4_REREAD
#undef CIPHERKIT_RC4_TURN

}  // namespace cipherkit

#endif

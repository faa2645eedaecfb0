/* The MAC and number arguments, and words quoted in messages. */
#include <string.h>

#include "args.h"

static int hex_digit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

int str2mac(const char *text, uint8_t *mac)
{
    size_t len = 0;
    while (len < 18 && text[len])
        len++;
    /* Plain form: 12 digits.  Colon form: pairs at 0, 3, ... with a colon
     * after each but the last. */
    int stride;
    if (len == 12)
        stride = 2;
    else if (len == 17)
        stride = 3;
    else
        return -1;

    uint8_t out[6];
    for (int i = 0; i < 6; i++) {
        const char *p = text + i * stride;
        int hi = hex_digit(p[0]);
        int lo = hex_digit(p[1]);
        if (hi < 0 || lo < 0)
            return -1;
        if (stride == 3 && i < 5 && p[2] != ':')
            return -1;
        out[i] = (uint8_t)(hi << 4 | lo);
    }
    for (int i = 0; i < 6; i++)
        mac[i] = out[i];
    return 0;
}

int str2uint(const char *text, uint32_t max, int32_t *out)
{
    if (*text == '\0')
        return -1;
    uint32_t v = 0;
    for (const char *p = text; *p; p++) {
        if (*p < '0' || *p > '9')
            return -1;
        if (v > (UINT32_MAX - 9u) / 10u) /* v * 10 + 9 would wrap */
            return -1;
        v = v * 10u + (uint32_t)(*p - '0');
        if (v > max)
            return -1;
    }
    *out = (int32_t)v;
    return 0;
}

/* At most `keep` characters of s, each that is not printable ASCII as '?',
 * and "..." where s was longer. */
static const char *printable(const char *s, char *out, size_t keep)
{
    size_t i = 0;
    for (; s[i] && i < keep; i++)
        out[i] = s[i] >= 0x20 && s[i] < 0x7f ? s[i] : '?';
    strcpy(out + i, s[i] ? "..." : "");
    return out;
}

const char *word_text(const char *word, char *out)
{
    return printable(word, out, WORD_TEXT_LEN - 4);
}

const char *name_text(const char *name, char *out)
{
    return printable(name, out, NAME_TEXT_LEN - 4);
}

/* The usage texts, and the help printed from the parser's forms. */
#include "help.h"

#include <stdio.h>
#include <string.h>

#include "args.h"
#include "parse.h"
#include "say.h"

void arl_usage_func(const char *name, int detail)
{
    puts("\nARL Usage:");
    if (!detail) {
        printf("\n\t%s arl\n", name);
        return;
    }
    /* One text, as its lines have always read. */
    printf("\nARL read without VID: \n"
           "\n\t%s arl read [mac]\n"
           "\nARL read with VID: \n"
           "\n\t%s arl read [vid] [mac]\n"
           "\nARL search without VID: \n"
           "\n\t%s arl search [mac]\n"
           "\nARL search by port: \n"
           "\n\t%s arl search port [port_id]\n"
           "\nARL write with VID: \n"
           "\n\t%s arl write [vid] [mac] [valid] [static] [age] [tc] [port_id]\n"
           "\nARL arguments:\n"
           "\n\tmac: ex: 00:11:22:33:44:55 => 001122334455\n"
           "\n\tvalid, static, age: 0 or 1\n"
           "\n\ttc: 0 ~ 7\n"
           "\n\tport_id: port number start from 0. \n",
           name, name, name, name, name);
}

int usage_error(const char *prog, int kind, const char *line)
{
    char name[NAME_TEXT_LEN];
    usage_func(prog, kind);
    fflush(stdout);
    say("%s: %s", name_text(prog, name), line);
    return EXIT_USAGE;
}

void usage_func(const char *name, int kind)
{
    puts("\nUsage:");
    if (kind == USAGE_SHORT)
        arl_usage_func(name, 0);
    else if (kind == USAGE_ARL)
        arl_usage_func(name, 1);
    putchar('\n');
}

/* One form's lines: the command line, then what it does, each wrapped at
 * 79. */
static void form_lines(const struct arl_form_text *f)
{
    char line[320];
    const char *indent[2] = {"  arl ", "      "};
    for (int part = 0; part < 2; part++) {
        if (part == 0)
            snprintf(line, sizeof line, "%s%s%s", f->word, *f->usage ? " " : "", f->usage);
        else
            snprintf(line, sizeof line, "%s", f->help);
        const char *p = line;
        const char *lead = indent[part];
        while (*p) {
            size_t room = 79 - strlen(lead), len = strlen(p);
            if (len > room) {
                len = room;
                while (len > 0 && p[len] != ' ')
                    len--;
            }
            printf("%s%.*s\n", lead, (int)len, p);
            p += len;
            while (*p == ' ')
                p++;
            lead = "        ";
        }
    }
}

int arl_help_cmd(const char *word)
{
    const struct arl_form_text *f;
    int found = 0;
    for (size_t i = 0; (f = arl_form(i)) != NULL; i++)
        if (strcmp(f->word, word) == 0) {
            form_lines(f);
            found = 1;
        }
    return found ? 0 : -1;
}

void arl_help_func(void)
{
    static const char head[] = "Usage: sw53115 [-j] arl COMMAND [ARGUMENTS]\n"
                               "       sw53115 [-force] -batch FILE\n"
                               "       sw53115 { -h | --help | help } [COMMAND]\n"
                               "       sw53115 { -V | --version }\n"
                               "Commands:\n";
    fputs(head, stdout);
    const struct arl_form_text *f;
    for (size_t i = 0; (f = arl_form(i)) != NULL; i++)
        form_lines(f);
    static const char tail[] =
        "Arguments:\n"
        "  MAC   001122334455 or 00:11:22:33:44:55    VID   VLAN id, 0 to 255 (vlan and\n"
        "        vid are one word)\n"
        "  PORT  0 to 15    TC  0 to 7 for write (the entry keeps 2 bits), 0 to 3 else\n"
        "  VALID, STATIC, AGE  0 or 1    FILE  a path, or - for standard input\n"
        "  --json  JSON output (-j or --json before arl alike): show and search port\n"
        "          an array, get and monitor one object a line\n"
        "Batch: FILE holds one command a line without the word sw53115, # comments;\n"
        "  all of it is checked before any runs; it stops at the first failure\n"
        "  unless -force.\n"
        "Exit status: 0 done; 1 failed (the switch, the lock, no such entry; one\n"
        "  line on stderr); 2 malformed command (usage, then one line naming the word).\n"
        "See sw53115(8).\n";
    fputs(tail, stdout);
}

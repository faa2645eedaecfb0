/* The usage texts, and the help printed from the parser's forms. */
#include "help.h"

#include <stdio.h>
#include <string.h>

#include "args.h"
#include "commands.h"
#include "forms.h"
#include "say.h"

static void arl_usage_to(FILE *out, const char *name, int detail)
{
    fputs("\nARL Usage:\n", out);
    if (!detail) {
        fprintf(out, "\n\t%s arl\n", name);
        return;
    }
    /* One text, as its lines have always read. */
    fprintf(out,
            "\nARL read without VID: \n"
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

void arl_usage_func(const char *name, int detail)
{
    arl_usage_to(stdout, name, detail);
}

static void usage_to(FILE *out, const char *name, int kind)
{
    fputs("\nUsage:\n", out);
    if (kind == USAGE_SHORT)
        arl_usage_to(out, name, 0);
    else if (kind == USAGE_ARL)
        arl_usage_to(out, name, 1);
    fputc('\n', out);
}

void usage_func(const char *name, int kind)
{
    usage_to(stdout, name, kind);
}

int usage_error(const char *prog, int kind, const char *line, int json)
{
    char name[NAME_TEXT_LEN];
    usage_to(json ? stderr : stdout, prog, kind);
    fflush(stdout);
    say("%s: %s", name_text(prog, name), line);
    return EXIT_USAGE;
}

/* The help's synopsis. */
static const char head[] = "Usage: sw53115 [-j] [-w SECONDS] [-s] arl COMMAND [ARGUMENTS]\n"
                           "       sw53115 [-force] [-w SECONDS] [-s] -batch FILE\n"
                           "       sw53115 { -h | --help | help } [COMMAND]\n"
                           "       sw53115 { -V | --version }\n";

/* The lines of -batch, which is no command of arl. */
static const struct arl_form_text batch_text = {
    "-batch", "FILE",
    "run FILE's commands, one a line without the word sw53115 (- for standard input); all of "
    "them are checked before any runs, and the first that fails stops it unless -force"};

int command_error(const char *prog, const char *word, const char *line)
{
    char name[NAME_TEXT_LEN];
    say("%s: %s", name_text(prog, name), line);
    if (arl_help_cmd(stderr, word) != 0)
        fputs(head, stderr);
    return EXIT_USAGE;
}

int synopsis_error(const char *prog, const char *line)
{
    return command_error(prog, "", line); /* no command's help: the synopsis */
}

/* One form's lines: the command line, then what it does, each wrapped at
 * 79. */
static void form_lines(FILE *out, const struct arl_form_text *f)
{
    char line[320];
    const char *indent[2] = {f == &batch_text ? "  [-force] " : "  arl ", "      "};
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
            fprintf(out, "%s%.*s\n", lead, (int)len, p);
            p += len;
            while (*p == ' ')
                p++;
            lead = "        ";
        }
    }
}

int arl_help_cmd(FILE *out, const char *word)
{
    int found = 0;
    if (strcmp(word, "arl") == 0) {
        arl_help_func();
        return 0;
    }
    if (strcmp(word, "batch") == 0 || strcmp(word, "-batch") == 0) {
        form_lines(out, &batch_text);
        return 0;
    }
    for (size_t i = 0; i < arl_forms_n; i++)
        if (strcmp(arl_forms[i].text.word, word) == 0) {
            form_lines(out, &arl_forms[i].text);
            found = 1;
        }
    return found ? 0 : -1;
}

void arl_help_func(void)
{
    fputs(head, stdout);
    fputs("Commands:\n", stdout);
    for (size_t i = 0; i < arl_forms_n; i++)
        form_lines(stdout, &arl_forms[i].text);
    form_lines(stdout, &batch_text);
    static const char tail[] =
        "Arguments:\n"
        "  MAC   001122334455 or 00:11:22:33:44:55    VID   VLAN id, 0 to 255 (vlan and\n"
        "        vid are one word)\n"
        "  PORT  0 to 15    TC  0 to 7 for write (the entry keeps 2 bits), 0 to 3 else\n"
        "  VALID, STATIC, AGE  0 or 1    FILE  a path, or - for standard input\n"
        "  --json  JSON output (-j or --json before arl alike): show and search port\n"
        "          an array, get and monitor one object a line\n"
        "Options: -w SECONDS (--wait) how long to wait for the table, 0 to 3600\n"
        "  (default 5 for the table lock, 20 for another walk; 0: not at all);\n"
        "  -s (--stats) flush and apply say what they did.\n"
        "Exit status: 0 done; 1 failed (the switch, the lock, no such entry; one\n"
        "  line on stderr); 2 malformed command (one line naming the word on\n"
        "  stderr, then the command's help; the usage on stdout for read, search,\n"
        "  write, mwrite, mdel and unknown commands, as it has always been).\n"
        "See sw53115(8).\n";
    fputs(tail, stdout);
}

int arl_help_run(struct arl_cmd *c)
{
    if (c->topic)
        arl_help_cmd(stdout, c->topic);
    else
        arl_help_func();
    return fflush(stdout) != 0 || ferror(stdout) ? ARL_ERR_OUTPUT : 0;
}
